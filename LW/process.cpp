#include "LW/process.h"

#include "LW/camera_sample.h"
#include "LW/module_state.h"
#include "LW/settings_fields.h"
#include "LW/window_pixels.h"
#include "LW/working_image.h"
#include "libimgops/sky_index.h"
#include "libimgops/sky_view.h"
#include "libimgops/stars.h"
#include "base/newmatrix.h"
#include "base/xception.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <new>

namespace {

char const* const UNIT = "LW/orrelux";
char const* const PROCESS_SIGNATURE = "const char *process(orrelux *, const LWFilterAccess *)";

// Blur diameter in pixels per metre of circle of confusion and pixel of frame
// height: the host's 15 mm film back.
double const COC_TO_PIXELS = 66.66666666666667;

// The monitor advances once per this many stars.
unsigned const STARS_PER_STEP_SHIFT = 11;
u32 const STEP_MASK = 0x7FF;

// An interval of exposure, in seconds, and the camera that renders it.
struct Exposure {
    LWTime start;
    LWTime end;
    LWItemID camera;
};

// What a pass starts from: the sizes scaled to the working image and the
// brightness, before depth of field.
struct Kept {
    double size_x;
    double size_y;
    double brightness;
};

// What one frame works with, for the length of one process call.
struct FrameContext {
    orrelux* inst;
    LWFilterAccess const* access;
    LWSceneInfo const* scene; // fetched for this frame
    LWCameraInfo* cameras;
    LWStarFile* reader;
    double fps;
    Exposure whole; // the frame's exposure
    // The camera found last; its mask decides what is written back.
    LWItemID last_camera;
    PixelWindow win;
    Kept kept;
    StarRendererData data;
};

// Whether the header is a star database's; sets the 3D flag from it, and
// leaves it alone when the file cannot be opened. Shows the user why not.
bool probe_starfile(orrelux* inst, char const* path) {
    if (!check_starfile(path, &inst->starfile_3d)) {
        orrelux_ini.message_funcs->error("Orrelux: Invalid star database file", path);
        return false;
    }
    return true;
}

// Keeps the cached reader while it reads `starfile`; otherwise checks and
// opens the database. False after a message to the user.
bool open_starfile(orrelux* inst) {
    if (inst->star_cache && inst->star_cache->filename != inst->starfile) {
        inst->star_cache = nullptr;
    }
    if (inst->star_cache) {
        return true;
    }
    char const* path = inst->starfile;
    if (!probe_starfile(inst, path)) {
        return false;
    }
    if (!inst->starfile_3d && inst->three_d) {
        orrelux_ini.message_funcs->error(
            "Orrelux: This star database file does not support 3D stars", path);
        return false;
    }
    inst->star_cache.reset(new LWStarFile(path));
    return true;
}

// How hosts from major version 9 on expose: from `offset` frames into the
// frame, for `share` of the camera's blur length.
Exposure exposure_from_frame(FrameContext const& f, double offset, double share) {
    Exposure e;
    e.start = (f.access->frame + offset) / f.fps;
    e.camera = get_camera_id(f.scene, e.start);
    e.end = e.start + f.cameras->blurLength(e.camera, e.start) * share / f.fps;
    return e;
}

// Older hosts give the interval; with motion blur the camera's blur length
// ends at its end.
Exposure frame_exposure(FrameContext const& f) {
    if (orrelux_ini.host_v9_or_later) {
        return exposure_from_frame(f, 0, 1);
    }
    Exposure e;
    e.start = f.access->start;
    e.end = f.access->end;
    e.camera = get_camera_id(f.scene, e.end);
    if (f.cameras->flags(e.camera) & LWCAMF_USECAMTYPE) {
        e.start = e.end - f.cameras->blurLength(e.camera, e.end) / f.fps;
    }
    return e;
}

// Field 1 or 2, in time order, each over half of the frame's exposure; with
// an older host the first ends half a frame before the frame does.
Exposure field_exposure(FrameContext const& f, int field) {
    if (orrelux_ini.host_v9_or_later) {
        return exposure_from_frame(f, field == 1 ? 0 : 0.5, 0.5);
    }
    Exposure e;
    e.end = field == 1 ? f.whole.end - 0.5 / f.fps : f.whole.end;
    e.camera = get_camera_id(f.scene, e.end);
    e.start = e.end + (f.whole.start - f.whole.end) * 0.5;
    return e;
}

// The frame's limited region, narrowed to the camera's mask when it has one;
// inclusive pixel bounds of the scene's frame.
void frame_limits(FrameContext const& f, int limits[4]) {
    for (int i = 0; i < 4; i++) {
        limits[i] = f.scene->limitedRegion[i];
    }
    if (!(f.cameras->flags(f.whole.camera) & LWCAMF_MASK)) {
        return;
    }
    int mask[4];
    f.cameras->maskLimits(f.whole.camera, &mask[0], &mask[1], &mask[2], &mask[3]);
    limits[0] = mask[0] > limits[0] ? mask[0] : limits[0];
    limits[1] = mask[1] > limits[1] ? mask[1] : limits[1];
    limits[2] = mask[2] < limits[2] ? mask[2] : limits[2];
    limits[3] = mask[3] < limits[3] ? mask[3] : limits[3];
}

// The camera's field-of-view ratio, tan(hfov/2) / tan(vfov/2).
double fov_ratio(FrameContext const& f) {
    double hfov;
    double vfov;
    f.cameras->fovAngles(f.whole.camera, f.whole.start, &hfov, &vfov);
    return tan(hfov * 0.5) / tan(vfov * 0.5);
}

// Whether the plane window's x is scaled by the field-of-view ratio; a
// portrait fisheye frame scales its y instead.
bool scales_x(FrameContext const& f) {
    return f.scene->frameWidth >= f.scene->frameHeight ||
           f.inst->projection == OP_STARS_PERSPECTIVE;
}

// The window on the projected plane, where the frame's height spans -1..1
// (its width for a portrait fisheye frame).
void plane_window(FrameContext& f, int const limits[4], double r) {
    double width = f.scene->frameWidth;
    double height = f.scene->frameHeight;
    double x0 = limits[0] * (2 / width) - 1;
    double x1 = (limits[2] + 1) * (2 / width) - 1;
    double y1 = 1 - limits[1] * (2 / height);
    double y0 = 1 - (limits[3] + 1) * (2 / height);
    if (scales_x(f)) {
        x0 *= r;
        x1 *= r;
    } else {
        y0 *= 1 / r;
        y1 *= 1 / r;
    }
    f.data.win_x0 = x0;
    f.data.win_x1 = x1;
    f.data.win_y0 = y0;
    f.data.win_y1 = y1;
}

// floor(v) as an inclusive pixel bound in 0..max; a value without meaning
// (not a number) gives 0.
int pixel_bound(double v, int max) {
    double floored = floor(v);
    if (!(floored >= 0)) {
        return 0;
    }
    if (floored > max) {
        return max;
    }
    return static_cast<int>(floored);
}

// The pixels of the host's buffers that the plane window covers: the plane
// window taken back to the frame's own -1..1 on both axes.
void pixel_window(FrameContext& f, double r) {
    StarRendererData const& data = f.data;
    double x_scale = scales_x(f) ? 1 / r : 1;
    double y_scale = scales_x(f) ? 1 : r;
    int wa = f.access->width;
    int ha = f.access->height;
    f.win.x0 = pixel_bound((data.win_x0 * 0.5 * x_scale + 0.5) * wa + 0.5, wa - 1);
    f.win.x1 = pixel_bound((data.win_x1 * 0.5 * x_scale + 0.5) * wa - 0.5, wa - 1);
    f.win.y0 = pixel_bound((0.5 - data.win_y1 * 0.5 * y_scale) * ha + 0.5, ha - 1);
    f.win.y1 = pixel_bound((0.5 - data.win_y0 * 0.5 * y_scale) * ha - 0.5, ha - 1);
}

// False when the window holds no pixel.
bool find_window(FrameContext& f) {
    int limits[4];
    frame_limits(f, limits);
    double r = fov_ratio(f);
    plane_window(f, limits, r);
    pixel_window(f, r);
    return f.win.x1 >= f.win.x0 && f.win.y1 >= f.win.y0;
}

// The renderer's parameters that hold for every pass. Spot sizes are in
// units of the width of the image drawn into.
void fill_render_data(FrameContext& f) {
    orrelux const* inst = f.inst;
    double s = static_cast<double>(f.access->width) / (f.win.x1 - f.win.x0 + 1);
    f.kept = {inst->star_size * inst->star_aspect * s, inst->star_size * s, inst->brightness};
    StarRendererData& data = f.data;
    data.lum_threshold = inst->lum_threshold;
    data.lum_max = inst->lum_max;
    data.saturation = inst->saturation;
    data.lum_exponent = 1.0 / inst->brightness_bias;
    data.tint_strength = inst->tint_strength;
    data.parallax = inst->parallax;
    for (int c = 0; c < 3; c++) {
        data.tint[c] = static_cast<float>(inst->tint[c]);
    }
    data.projection = static_cast<op_stars_projection>(inst->projection);
    data.three_d = inst->three_d != 0;
}

// Samples at ta and, for a moving exposure, blur_segs more up to tb. The
// loaders and the panel keep blur_segs within the panel's range; a record
// set any other way still cannot make a frame take unbounded memory.
void take_samples(Array<camera>& samples, LWItemID cam, LWItemID parent, LWTime ta, LWTime tb,
                  int blur_segs) {
    blur_segs = std::min(blur_segs, MAX_BLUR_SEGS);
    camera sample;
    sample_camera(sample, cam, parent, ta);
    samples.append(sample);
    if (tb == ta || blur_segs <= 0) {
        return;
    }
    double step = (tb - ta) * (1.0 / blur_segs);
    for (int k = 1; k <= blur_segs; k++) {
        sample_camera(sample, cam, parent, ta + k * step);
        samples.append(sample);
    }
}

// Grows the spot to the blur circle at the start of the exposure and dims it
// by the growth in area, so that a star keeps its total light. w and h are
// the working image's size.
void apply_depth_of_field(FrameContext& f, Exposure const& e, int w, int h) {
    StarRendererData& data = f.data;
    double fx = 1;
    double fy = 1;
    if (f.scene->renderOpts & LWROPT_DEPTHOFFIELD) {
        LWCameraInfo* c = f.cameras;
        double coc = circle_of_confusion_at_infinity(c->focalLength(e.camera, e.start) * 0.001,
                                                     c->fStop(e.camera, e.start),
                                                     c->focalDistance(e.camera, e.start));
        double d = coc * COC_TO_PIXELS * f.scene->frameHeight;
        double a = fabs(data.win_y0 - data.win_y1) * w / (h * fabs(data.win_x1 - data.win_x0));
        double sx = f.kept.size_x * 0.001 * w;
        double sy = f.kept.size_y * 0.001 * w;
        double ak = f.inst->anamorphic_dof ? a * a : a;
        if (a * sx < d * ak) {
            fx = d * ak / (a * sx);
        }
        if (sy < d) {
            fy = d / sy;
        }
    }
    data.size_x = f.kept.size_x * fx;
    data.size_y = f.kept.size_y * fy;
    data.brightness = f.kept.brightness * (1 / (fx * fy));
}

// A reader is rewound after every pass, however the pass ends, so that the
// next one starts on the header.
class RewindOnExit {
public:
    explicit RewindOnExit(StarInput& input) : input(input) {}
    RewindOnExit(RewindOnExit const&) = delete;
    RewindOnExit& operator=(RewindOnExit const&) = delete;
    ~RewindOnExit() { input.rewind(); }

private:
    StarInput& input;
};

// A step of nothing: the host's answer to whether the user aborted, asked
// while drawing large spots takes long between the monitor's steps.
bool user_aborted(void* monitor) {
    LWMonitor* m = static_cast<LWMonitor*>(monitor);
    return m->step(m->data, 0) != 0;
}

// Renders the stars of the cells of the sky that the samples can see;
// returns whether the user aborted. Progress runs over the whole database,
// the stars of the cells passed over included.
bool render_stars(StarRendererData data, StarFramebuffer const& fb, LWStarFile& reader,
                  Array<camera> const& samples, LWMonitor* monitor) {
    RewindOnExit rewind(reader);
    if (monitor) {
        data.should_stop = user_aborted;
        data.stop_context = monitor;
    }
    if (!reader.index) {
        // No star to draw; the renderer still checks the header.
        StarRenderer renderer(data, fb, reader, samples);
        return false;
    }
    SkyIndex const& index = *reader.index;
    bool const at_infinity =
        !(data.three_d && check_star_header(reader.records.data()) == STAR_HEADER_3D);
    SkyView const view(data, fb, samples, at_infinity, index.lum_low(), index.lum_high());
    SkyPass pass(reader.records.data(), index, view, data.lum_threshold);
    StarRenderer renderer(data, fb, pass, samples);

    u32 const stars = reader.count - 1;
    u32 step_at = STEP_MASK;
    // Steps for every 2048th star up to `passed`; true when the user aborted.
    auto aborted_by = [&](u32 passed) {
        for (; step_at <= passed && step_at < stars; step_at += STEP_MASK + 1) {
            if (monitor && monitor->step(monitor->data, 1) != 0) {
                return true;
            }
        }
        return false;
    };
    bool drew = false;
    while (renderer.render_star(drew)) {
        if (aborted_by(pass.passed())) {
            return true;
        }
    }
    return renderer.stopped() || aborted_by(stars);
}

// One pass over the exposure, drawing the rows `lines`; false when the user
// aborted.
bool render_pass(FrameContext& f, StarFramebuffer const& fb, Exposure const& e,
                 op_stars_lines lines) {
    f.last_camera = e.camera;
    Array<camera> samples;
    take_samples(samples, e.camera, f.inst->parent_id, e.start, e.end, f.inst->blur_segs);
    apply_depth_of_field(f, e, fb.width, fb.height);
    f.data.lines = lines;
    return !render_stars(f.data, fb, *f.reader, samples, f.access->monitor);
}

// The whole frame in one pass, or each field over its half of the exposure;
// false when the user aborted.
bool render_passes(FrameContext& f, StarFramebuffer const& fb) {
    LWMonitor* monitor = f.access->monitor;
    u32 stars = f.reader->count - 1u;
    if (!(f.scene->renderOpts & LWROPT_FIELDS)) {
        if (monitor) {
            monitor->init(monitor->data, stars >> STARS_PER_STEP_SHIFT);
        }
        if (!render_pass(f, fb, f.whole, OP_STARS_ALL_LINES)) {
            return false;
        }
    } else {
        if (monitor) {
            monitor->init(monitor->data, (stars >> (STARS_PER_STEP_SHIFT - 1)) & ~1u);
        }
        bool even_first = (f.scene->renderOpts & LWROPT_EVENFIELDS) != 0;
        op_stars_lines first = even_first ? OP_STARS_EVEN_LINES : OP_STARS_ODD_LINES;
        op_stars_lines second = even_first ? OP_STARS_ODD_LINES : OP_STARS_EVEN_LINES;
        if (!render_pass(f, fb, field_exposure(f, 1), first) ||
            !render_pass(f, fb, field_exposure(f, 2), second)) {
            return false;
        }
    }
    if (monitor) {
        monitor->done(monitor->data);
    }
    return true;
}

// The instance's working image, made anew only when the window's size
// changes.
WorkingImage& working_image(orrelux* inst, PixelWindow const& win) {
    int const width = win.x1 - win.x0 + 1;
    int const height = win.y1 - win.y0 + 1;
    std::unique_ptr<WorkingImage>& image = inst->working_image;
    if (!image || image->width() != width || image->height() != height) {
        image = nullptr;
        // A frame too large for memory fails here, before any pixel is touched.
        try {
            image.reset(new WorkingImage(width, height));
        } catch (std::bad_alloc const&) {
            throw StrXception(UNIT, PROCESS_SIGNATURE, __LINE__,
                              "cannot make the %d x %d pixel working image of the frame "
                              "(%llu bytes): out of memory",
                              width, height, 16ull * unsigned(width) * unsigned(height));
        }
    }
    return *image;
}

// Renders the passes and, unless the user aborted, writes the window back.
void render_window(FrameContext& f) {
    PixelWindow const& win = f.win;
    WorkingImage& image = working_image(f.inst, win);
    bool const srgb = f.inst->srgb_framebuffer != 0;
    if (srgb) {
        image.start_frame();
    } else {
        copy_in(image, f.access, win);
    }
    if (!render_passes(f, image.framebuffer())) {
        return;
    }
    if (f.cameras->flags(f.last_camera) & LWCAMF_MASK) {
        keep_outside(f.access, win);
    }
    if (srgb) {
        write_back(image, f.access, win);
    } else {
        hand_back(image, f.access, win);
    }
}

LWError render_frame(orrelux* inst, LWFilterAccess const* access) {
    FrameContext f{};
    f.inst = inst;
    f.access = access;
    // The scene record is a snapshot: every frame takes a fresh one.
    f.scene = static_cast<LWSceneInfo*>(orrelux_ini.global_func(LWSCENEINFO_GLOBAL, 0));
    if (!f.scene) {
        orrelux_ini.message_funcs->error("Orrelux: Error obtaining Scene Info global", nullptr);
        return nullptr;
    }
    if (!open_starfile(inst)) {
        return nullptr;
    }
    f.cameras = orrelux_ini.camera_info;
    f.reader = inst->star_cache.get();
    f.fps = f.scene->framesPerSecond;
    f.whole = frame_exposure(f);
    f.last_camera = f.whole.camera;
    if (!find_window(f)) {
        return nullptr;
    }
    fill_render_data(f);
    render_window(f);
    return nullptr;
}

} // namespace

LWError process(orrelux* inst, LWFilterAccess const* access) {
    try {
        return render_frame(inst, access);
    } catch (Xception const& e) {
        e.print();
        return "Process Failed";
    } catch (std::bad_alloc const&) {
        // The host calls in from C: nothing may unwind into it.
        Xception::display_error("Error", "out of memory in <const char *process(orrelux *, const "
                                         "LWFilterAccess *)>");
        return "Process Failed";
    }
}
