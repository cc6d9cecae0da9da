#include "LW/file_io.h"

namespace {

LWFileIOFuncs* module_file_io = nullptr;

} // namespace

LWFileIOFuncs* orrelux_file_io() {
    return module_file_io;
}

void set_orrelux_file_io(LWFileIOFuncs* file_io) {
    module_file_io = file_io;
}
