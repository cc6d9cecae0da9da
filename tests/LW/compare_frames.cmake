# Renders the known frame with the native module and, through the emulator,
# with the cross-built one, and compares the two (see known_star_frame.cpp).
foreach(side native target)
    string(TOUPPER ${side} SIDE)
    if(side STREQUAL "target")
        set(runner ${EMULATOR})
    else()
        set(runner "")
    endif()
    execute_process(COMMAND ${runner} ${${SIDE}_PROGRAM} ${${SIDE}_MODULE}
                            ${OUTPUT}/known_frame_${side}.txt
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "rendering the known frame with ${${SIDE}_MODULE} failed: ${failed}")
    endif()
endforeach()
execute_process(COMMAND ${NATIVE_PROGRAM} --compare ${OUTPUT}/known_frame_native.txt
                        ${OUTPUT}/known_frame_target.txt
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "the cross-built module's frame differs from the native module's")
endif()
