#include "host/render/scene_renderer.h"

#include "host/services/filter_frame.h"
#include "host/services/frame_memory.h"
#include "host/frames/frame_file.h"
#include "host/services/load_state.h"
#include "host/services/save_state.h"
#include "host/services/monitor.h"
#include "base/xception.h"
#include "libimgops/star_header.h"
#include "lwsdk/lwhost.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>

namespace {

char const* const UNIT = "host/render/scene_renderer";

// A host of the 2024 generation: major revision 15, model year 2024.
constexpr unsigned HOST_2024 = (15u << 20) | ((2024u - 2015u) << 24);

std::string read_whole(std::string const& path, char const* what) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw LOCATED_XCEPTION("cannot open %s \"%s\": %s", what, path.c_str(), strerror(errno));
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What is wrong with a star database file, if anything.
struct DatabaseCheck {
    // The end of a sentence that names the file; empty when it is sound.
    std::string problem;
    // What the module makes of it, as the end of a sentence.
    std::string consequence;
};

// The module takes its default database in place of a file that is not one,
// without a word, and reads whatever records a truncated one holds. The
// databases this project builds record their star count and distance unit
// (1 to 3) after the magic, so that a file cut between two records shows.
DatabaseCheck check_star_database(std::string const& path) {
    std::string const instead = "rendering with the default star database instead";
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return {std::string("cannot be opened: ") + strerror(errno), instead};
    }
    std::streamoff const size = in.tellg();
    auto const record_size = static_cast<std::streamoff>(STAR_RECORD_SIZE);
    unsigned char record[STAR_RECORD_SIZE] = {};
    in.seekg(0);
    in.read(reinterpret_cast<char*>(record), sizeof record);
    StarHeader const header = decode_star_header(record);
    if (size < record_size || header.kind == STAR_HEADER_INVALID) {
        return {"is not a star database (no ORRELUX1 or ORRELUX2 header)", instead};
    }
    if (size % record_size != 0) {
        return {"is truncated: " + std::to_string(size) +
                    " bytes is not a whole number of 32-byte records",
                "the missing bytes of its last record are read as zeros"};
    }
    long long const held = size / record_size - 1;
    if (is_known_distance_unit(header.distance_unit) && header.star_count > held) {
        return {"is truncated: its header records " + std::to_string(header.star_count) +
                    " stars, the file holds " + std::to_string(held),
                "the missing stars are left out"};
    }
    return {};
}

// The database that a text of Orrelux settings names on its StarFile line;
// empty when it names none.
std::string star_file_named(std::string const& settings) {
    std::istringstream lines(settings);
    std::string line;
    while (std::getline(lines, line)) {
        size_t const start = line.find_first_not_of(' ');
        if (start == std::string::npos || line.compare(start, 9, "StarFile ") != 0) {
            continue;
        }
        size_t const open = line.find('"', start), close = line.rfind('"');
        if (open != std::string::npos && close > open) {
            return line.substr(open + 1, close - open - 1);
        }
    }
    return "";
}

void scale_size(HostScene& scene, int width, int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    if (scene.limited_region) {
        for (int i = 0; i < 4; i++) {
            int const from = i % 2 == 0 ? scene.frame_width : scene.frame_height;
            int const to = i % 2 == 0 ? width : height;
            scene.region[i] = int((long long)(scene.region[i] + i / 2) * to / from) - i / 2;
        }
    }
    scene.frame_width = width;
    scene.frame_height = height;
}

void fill_input(HostFrame& frame, FrameImage const& image) {
    for (int y = 0; y < image.height; y++) {
        for (int x = 0; x < image.width; x++) {
            float const* p = image.pixel(x, y);
            frame.set_input(x, y, p[0], p[1], p[2], p[3]);
        }
    }
}

// What the host hands on after the filter: its output where it wrote, the
// frame as it came in everywhere else.
FrameImage result_of(HostFrame& frame) {
    FrameImage image(frame.width(), frame.height());
    for (int y = 0; y < frame.height(); y++) {
        float const* in[4] = {
            frame.input_row("Final_Render", 0, y), frame.input_row("Final_Render", 1, y),
            frame.input_row("Final_Render", 2, y), frame.input_row("Alpha", 0, y)};
        for (int x = 0; x < frame.width(); x++) {
            float* p = image.pixel(x, y);
            bool const rgb = frame.rgb_written(x, y);
            for (int c = 0; c < 3; c++) {
                p[c] = rgb ? frame.output(x, y, c) : in[c][x];
            }
            p[3] = frame.alpha_written(x, y) ? frame.output(x, y, 3) : in[3][x];
        }
    }
    return image;
}

// The database the module takes when its settings name none: the one beside
// the module file.
std::string default_database(std::string const& module_path) {
    std::error_code error;
    std::filesystem::path module = std::filesystem::canonical(module_path, error);
    return ((error ? std::filesystem::path(module_path) : module).parent_path() /
            "hipparcos3D.stars")
        .string();
}

// The module names the database it tried; when that is no name at all, its
// default one could not be used, and that file is the one to name.
std::string messages_text(std::vector<HostMessage> const& messages,
                          std::string const& module_path) {
    std::string text;
    for (HostMessage const& m : messages) {
        text += (text.empty() ? "" : "; ") + m.line1;
        if (m.has_line2 && m.line2.empty() && m.line1 == "Orrelux: Invalid star database file") {
            std::string const path = default_database(module_path);
            std::string const problem = check_star_database(path).problem;
            text += " (no database is named, and the module's default \"" + path + "\" " +
                    (problem.empty() ? "cannot be used" : problem) +
                    "; set-up builds it: scripts/setup.sh)";
        } else if (m.has_line2) {
            text += " (" + m.line2 + ")";
        }
    }
    return text;
}

} // namespace

SceneRenderer::SceneRenderer(RenderSetup const& setup, SceneFile scene,
                             std::function<void(std::string const&)> const& notes)
    : setup_(setup), output_(setup.output_pattern), background_(setup.background_pattern) {
    host_.echo_messages = false;
    host_.product_info = HOST_2024;
    host_.scene = std::move(scene.scene);
    scale_size(host_.scene, setup.width, setup.height);
    // Held at once for each frame: the frame read or made (four floats a
    // pixel), the host's buffers (eight floats and two flags) and the
    // module's working image (four floats).
    check_frame_fits_memory(host_.scene.frame_width, host_.scene.frame_height,
                            16 * sizeof(float) + 2, "buffers");
    // A database given on the command line that cannot be used is refused
    // before any frame: any picture rendered instead would be a wrong one.
    if (!setup.stars.empty()) {
        if (setup.stars.find('"') != std::string::npos) {
            throw LOCATED_XCEPTION("--stars \"%s\": a database path cannot hold a double quote",
                                   setup.stars.c_str());
        }
        DatabaseCheck const check = check_star_database(setup.stars);
        if (!check.problem.empty()) {
            throw LOCATED_XCEPTION("--stars \"%s\" %s", setup.stars.c_str(), check.problem.c_str());
        }
    }
    module_ = std::make_unique<HostModule>(setup.module_path.c_str());
    module_->activate(LWIMAGEFILTER_HCLASS, "Orrelux", LWIMAGEFILTER_VERSION, &handler_);
    // Settings naming a database the module cannot use still render; say
    // what becomes of it, unless --stars replaces it anyway.
    auto check_named_database = [&](std::string const& settings, std::string const& source) {
        std::string const named = setup.stars.empty() ? star_file_named(settings) : "";
        DatabaseCheck const check = named.empty() ? DatabaseCheck() : check_star_database(named);
        if (!check.problem.empty()) {
            notes(source + " names the star database \"" + named + "\", which " + check.problem +
                  "; " + check.consequence);
        }
    };
    if (!setup.settings_path.empty()) {
        std::string const settings = read_whole(setup.settings_path, "settings file");
        load_settings(create_instance(), settings, setup.settings_path);
        check_named_database(settings, "the settings file \"" + setup.settings_path + "\"");
    } else {
        bool any = false;
        for (SceneFilter const& filter : scene.filters) {
            if (filter.server != "Orrelux") {
                continue;
            }
            any = true;
            if (!filter.enabled) {
                notes("the scene's Orrelux filter " + std::to_string(filter.position) +
                      " is disabled and is left out");
                continue;
            }
            load_settings(create_instance(), filter.text, setup.scene_path);
            check_named_database(filter.text,
                                 "the scene's Orrelux filter " + std::to_string(filter.position));
        }
        if (!any) {
            notes("the scene has no Orrelux filter: rendering with the default settings");
            create_instance();
        }
    }
    if (!setup.stars.empty()) {
        for (LWInstance inst : instances_) {
            load_settings(inst, "StarFile \"" + setup.stars + "\"\n", "--stars");
        }
    }
}

SceneRenderer::~SceneRenderer() {
    for (LWInstance inst : instances_) {
        funcs_.destroy(inst);
    }
}

LWInstance SceneRenderer::create_instance() {
    LWFilterContext context = 0;
    LWError error = nullptr;
    LWInstance inst = funcs_.create(funcs_.priv, &context, &error);
    if (!inst) {
        throw LOCATED_XCEPTION("the module could not create a filter instance%s%s",
                               error ? ": " : "", error ? error : "");
    }
    instances_.push_back(inst);
    return inst;
}

void SceneRenderer::load_settings(LWInstance inst, std::string const& text,
                                  std::string const& source) {
    LoadState state(text, LWIO_ASCII);
    if (LWError error = funcs_.load(inst, state.state())) {
        throw LOCATED_XCEPTION("cannot load the Orrelux settings of %s: %s", source.c_str(), error);
    }
}

std::string SceneRenderer::settings_text(LWInstance inst) {
    SaveState state(LWIO_ASCII);
    if (LWError error = funcs_.save(inst, state.state())) {
        throw LOCATED_XCEPTION("cannot save the Orrelux settings: %s", error);
    }
    return state.data();
}

FrameResult SceneRenderer::render(int frame, StepReport const& steps,
                                  std::function<bool()> const& interrupted) {
    FrameImage image(0, 0);
    FrameResult result = render_image(frame, steps, interrupted, image);
    if (result.status != FrameResult::RENDERED) {
        return result;
    }
    try {
        std::string const path = output_.path(frame);
        write_frame(path, image, setup_.samples);
        result.status = FrameResult::WRITTEN;
        result.detail = path;
    } catch (StrXception const& e) {
        result.status = FrameResult::FAILED;
        result.detail = e.what();
    }
    return result;
}

FrameResult SceneRenderer::render_image(int frame, StepReport const& steps,
                                        std::function<bool()> const& interrupted,
                                        FrameImage& image) {
    auto const started = std::chrono::steady_clock::now();
    FrameResult result;
    result.frame = frame;
    try {
        render_into(frame, result, steps, interrupted, image);
    } catch (StrXception const& e) {
        result.status = FrameResult::FAILED;
        result.detail = e.what();
    } catch (std::bad_alloc const&) {
        result.status = FrameResult::FAILED;
        result.detail = "out of memory";
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

void SceneRenderer::render_into(int frame, FrameResult& result, StepReport const& steps,
                                std::function<bool()> const& interrupted, FrameImage& image) {
    HostScene const& scene = host_.scene;
    image = FrameImage(scene.frame_width, scene.frame_height);
    if (!setup_.background_pattern.empty()) {
        std::string const path = background_.path(frame);
        image = read_frame(path);
        if (image.width != scene.frame_width || image.height != scene.frame_height) {
            result.detail = "the background \"" + path + "\" is " + std::to_string(image.width) +
                            "x" + std::to_string(image.height) + ", the scene renders " +
                            std::to_string(scene.frame_width) + "x" +
                            std::to_string(scene.frame_height) + " (see --size)";
            return;
        }
    }
    double const time = frame / scene.frames_per_second;
    LWItemID const camera = scene.render_camera(time);
    double const blur = camera ? scene.find(camera)->camera.blur_length(time) : 0.0;
    for (LWInstance inst : instances_) {
        HostFrame pass(scene.frame_width, scene.frame_height);
        fill_input(pass, image);
        HostMonitor monitor;
        bool aborted = false;
        monitor.on_step = [&](unsigned done, unsigned total) {
            steps(done, total);
            if (!aborted && interrupted()) {
                aborted = true;
                monitor.request_abort();
            }
        };
        pass.frame = frame;
        pass.start = time;
        pass.end = time + blur / scene.frames_per_second;
        pass.monitor = monitor.monitor();
        host_.clear_messages();
        LWError const error = handler_.process(inst, pass.access());
        if (aborted || interrupted()) {
            result.status = FrameResult::ABORTED;
            result.detail = "interrupted";
            return;
        }
        if (error || !host_.messages().empty()) {
            std::string const shown = messages_text(host_.messages(), setup_.module_path);
            result.detail = shown.empty() ? std::string("Orrelux: ") + error : shown;
            return;
        }
        image = result_of(pass);
    }
    if (setup_.opaque) {
        for (size_t i = 3; i < image.pixels.size(); i += 4) {
            image.pixels[i] = 1.0f;
        }
    }
    result.status = FrameResult::RENDERED;
}
