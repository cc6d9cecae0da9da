#include "LW/process.h"

#include "LW/camera_sample.h"
#include "LW/host_globals.h"
#include "LW/orrelux_ini.h"
#include "LW/srgb.h"
#include "libvellimage/image.h"
#include "libimgops/stars.h"
#include "base/newmatrix.h"
#include "base/xception.h"

#include <cmath>

namespace {

char const* const UNIT = "LW/orrelux";
char const* const PROCESS_SIGNATURE = "const char *process(orrelux *, const LWFilterAccess *)";

// Blur diameter in pixels per metre of circle of confusion and pixel of frame
// height: the host's 15 mm film back.
double const COC_TO_PIXELS = 66.66666666666667;

// The monitor advances once per this many stars.
unsigned const STARS_PER_STEP_SHIFT = 11;
u32 const STEP_MASK = 0x7FF;

// Inclusive pixel bounds.
struct PixelWindow {
    int x0;
    int y0;
    int x1;
    int y1;
};

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
        delete inst->star_cache;
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
    inst->star_cache = new LWStarFile(path);
    return true;
}

// Samples at ta and, for a moving exposure, blur_segs more up to tb.
void take_samples(Array<camera>& samples, LWItemID cam, LWItemID parent, LWTime ta, LWTime tb,
                  int blur_segs) {
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

// What a pass starts from: the sizes scaled to the working image and the
// brightness, before depth of field.
struct Kept {
    double size_x;
    double size_y;
    double brightness;
};

// Grows the spot to the blur circle at t and dims it by the growth in area,
// so that a star keeps its total light.
void apply_depth_of_field(StarRendererData& data, Kept const& kept, orrelux const* inst,
                          LWItemID cam, LWTime t, int w, int h) {
    double fx = 1;
    double fy = 1;
    if (scene_info->renderOpts & LWROPT_DEPTHOFFIELD) {
        double coc = circle_of_confusion_at_infinity(camera_info->focalLength(cam, t) * 0.001,
                                                     camera_info->fStop(cam, t),
                                                     camera_info->focalDistance(cam, t));
        double d = coc * COC_TO_PIXELS * scene_info->frameHeight;
        double a = fabs(data.win_y0 - data.win_y1) * w / (h * fabs(data.win_x1 - data.win_x0));
        double sx = kept.size_x * 0.001 * w;
        double sy = kept.size_y * 0.001 * w;
        double ak = inst->anamorphic_dof ? a * a : a;
        if (a * sx < d * ak) {
            fx = d * ak / (a * sx);
        }
        if (sy < d) {
            fy = d / sy;
        }
    }
    data.size_x = kept.size_x * fx;
    data.size_y = kept.size_y * fy;
    data.brightness = kept.brightness * (1 / (fx * fy));
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

// Renders every star; returns whether the user aborted.
bool render_stars(StarRendererData const& data, StarFramebuffer const& fb, LWStarFile& reader,
                  Array<camera> const& samples, LWMonitor* monitor) {
    RewindOnExit rewind(reader);
    StarRenderer renderer(data, fb, reader, samples);
    bool drew = false;
    for (u32 i = 1; i < reader.count; i++) {
        if (!renderer.render_star(drew)) {
            break;
        }
        if ((i & STEP_MASK) == STEP_MASK && monitor && monitor->step(monitor->data, 1) != 0) {
            return true;
        }
    }
    return false;
}

void copy_in(Vell::Image& image, LWFilterAccess const* access, PixelWindow const& win, bool srgb) {
    for (int y = win.y0; y <= win.y1; y++) {
        float const* alpha = access->bufferLine("Alpha", 0, y);
        float const* red = access->bufferLine("Final_Render", 0, y);
        float const* green = access->bufferLine("Final_Render", 1, y);
        float const* blue = access->bufferLine("Final_Render", 2, y);
        XASSERT(alpha && red && green && blue, UNIT, PROCESS_SIGNATURE, 560);
        float* out = reinterpret_cast<float*>(image.pixels + (y - win.y0) * image.stride);
        for (int x = win.x0; x <= win.x1; x++, out += 4) {
            out[0] = alpha[x];
            out[1] = red[x];
            out[2] = green[x];
            out[3] = blue[x];
            if (srgb) {
                for (int c = 0; c < 4; c++) {
                    out[c] = srgb_to_linear(out[c]);
                }
            }
        }
    }
}

// Hands the host's own pixels outside the window back unchanged.
void keep_outside(LWFilterAccess const* access, PixelWindow const& win) {
    for (int y = 0; y < access->height; y++) {
        float const* alpha = access->bufferLine("Alpha", 0, y);
        float const* red = access->bufferLine("Final_Render", 0, y);
        float const* green = access->bufferLine("Final_Render", 1, y);
        float const* blue = access->bufferLine("Final_Render", 2, y);
        XASSERT(alpha && red && green && blue, UNIT, PROCESS_SIGNATURE, 583);
        for (int x = 0; x < access->width; x++) {
            if (x >= win.x0 && x <= win.x1 && y >= win.y0 && y <= win.y1) {
                continue;
            }
            float const rgb[3] = {red[x], green[x], blue[x]};
            access->setRGB(x, y, rgb);
            access->setAlpha(x, y, alpha[x]);
        }
    }
}

void write_back(Vell::Image const& image, LWFilterAccess const* access, PixelWindow const& win,
                bool srgb) {
    for (int y = win.y0; y <= win.y1; y++) {
        float const* in =
            reinterpret_cast<float const*>(image.pixels + (y - win.y0) * image.stride);
        for (int x = win.x0; x <= win.x1; x++, in += 4) {
            float pixel[4] = {in[0], in[1], in[2], in[3]};
            if (srgb) {
                for (float& v : pixel) {
                    v = linear_to_srgb(v);
                }
            }
            float const rgb[3] = {pixel[1], pixel[2], pixel[3]};
            access->setRGB(x, y, rgb);
            access->setAlpha(x, y, pixel[0]);
        }
    }
}

LWError render_frame(orrelux* inst, LWFilterAccess const* access) {
    scene_info = static_cast<LWSceneInfo*>(orrelux_ini.global_func(LWSCENEINFO_GLOBAL, 0));
    if (!scene_info) {
        orrelux_ini.message_funcs->error("Orrelux: Error obtaining Scene Info global", nullptr);
        return nullptr;
    }
    if (!open_starfile(inst)) {
        return nullptr;
    }
    LWStarFile& reader = *inst->star_cache;

    double fps = scene_info->framesPerSecond;
    LWTime t0;
    LWTime t1;
    LWItemID cam;
    if (host_v9_or_later) {
        t0 = access->frame / fps;
        cam = get_camera_id(t0);
        t1 = t0 + camera_info->blurLength(cam, t0) / fps;
    } else {
        t0 = access->start;
        t1 = access->end;
        cam = get_camera_id(t1);
        if (camera_info->flags(cam) & LWCAMF_MOTION_BLUR) {
            t0 = t1 - camera_info->blurLength(cam, t1) / fps;
        }
    }

    double hfov;
    double vfov;
    camera_info->fovAngles(cam, t0, &hfov, &vfov);
    double r = tan(hfov * 0.5) / tan(vfov * 0.5);
    int limits[4] = {scene_info->limitedRegion[0], scene_info->limitedRegion[1],
                     scene_info->limitedRegion[2], scene_info->limitedRegion[3]};
    if (camera_info->flags(cam) & LWCAMF_MASK) {
        int mask[4];
        camera_info->mask(cam, &mask[0], &mask[1], &mask[2], &mask[3]);
        limits[0] = mask[0] > limits[0] ? mask[0] : limits[0];
        limits[1] = mask[1] > limits[1] ? mask[1] : limits[1];
        limits[2] = mask[2] < limits[2] ? mask[2] : limits[2];
        limits[3] = mask[3] < limits[3] ? mask[3] : limits[3];
    }

    // The window on the projected plane, where the frame's height spans -1..1
    // (its width for a portrait fisheye frame).
    double width = scene_info->frameWidth;
    double height = scene_info->frameHeight;
    double x0 = limits[0] * (2 / width) - 1;
    double x1 = (limits[2] + 1) * (2 / width) - 1;
    double y1 = 1 - limits[1] * (2 / height);
    double y0 = 1 - (limits[3] + 1) * (2 / height);
    if (width >= height || inst->projection == OP_STARS_PERSPECTIVE) {
        x0 *= r;
        x1 *= r;
    } else {
        y0 *= 1 / r;
        y1 *= 1 / r;
    }
    StarRendererData data;
    data.win_x0 = x0;
    data.win_x1 = x1;
    data.win_y0 = y0;
    data.win_y1 = y1;

    int wa = access->width;
    int ha = access->height;
    PixelWindow win;
    win.x0 = pixel_bound((data.win_x0 * 0.5 * (1 / r) + 0.5) * wa + 0.5, wa - 1);
    win.x1 = pixel_bound((data.win_x1 * 0.5 * (1 / r) + 0.5) * wa - 0.5, wa - 1);
    win.y0 = pixel_bound((0.5 - data.win_y1 * 0.5) * ha + 0.5, ha - 1);
    win.y1 = pixel_bound((0.5 - data.win_y0 * 0.5) * ha - 0.5, ha - 1);
    if (win.x1 < win.x0 || win.y1 < win.y0) {
        return nullptr;
    }

    // Spot sizes are in units of the width of the image drawn into.
    double s = static_cast<double>(wa) / (win.x1 - win.x0 + 1);
    Kept kept = {inst->star_size * inst->star_aspect * s, inst->star_size * s, inst->brightness};
    data.size_x = kept.size_x;
    data.size_y = kept.size_y;
    data.lum_threshold = inst->lum_threshold;
    data.lum_max = inst->lum_max;
    data.brightness = kept.brightness;
    data.saturation = inst->saturation;
    data.lum_exponent = 1.0 / inst->brightness_bias;
    data.tint_strength = inst->tint_strength;
    data.parallax = inst->parallax;
    for (int c = 0; c < 3; c++) {
        data.tint[c] = static_cast<float>(inst->tint[c]);
    }
    data.projection = static_cast<op_stars_projection>(inst->projection);
    data.lines = OP_STARS_ALL_LINES;
    data.three_d = inst->three_d != 0;

    Vell::Image image(
        Vell::ImageSpec(win.x1 - win.x0 + 1, win.y1 - win.y0 + 1, Vell::ImageSpec::BGRA_FLOAT));
    // Four floats a pixel: alpha, red, green, blue.
    StarFramebuffer fb;
    float* pixels = reinterpret_cast<float*>(image.pixels);
    fb.a = pixels;
    fb.r = pixels + 1;
    fb.g = pixels + 2;
    fb.b = pixels + 3;
    fb.width = image.width;
    fb.height = image.height;
    fb.row_stride = static_cast<int32_t>(image.stride / sizeof(float));
    fb.pixel_stride = 4;
    bool srgb = inst->srgb_framebuffer != 0;
    copy_in(image, access, win, srgb);

    LWMonitor* monitor = access->monitor;
    Array<camera> samples;
    if (!(scene_info->renderOpts & LWROPT_FIELDS)) {
        if (monitor) {
            monitor->init(monitor->data, (reader.count - 1u) >> STARS_PER_STEP_SHIFT);
        }
        take_samples(samples, cam, inst->parent_id, t0, t1, inst->blur_segs);
        apply_depth_of_field(data, kept, inst, cam, t0, image.width, image.height);
        data.lines = OP_STARS_ALL_LINES;
        if (render_stars(data, fb, reader, samples, monitor)) {
            return nullptr;
        }
        if (monitor) {
            monitor->done(monitor->data);
        }
    } else {
        if (monitor) {
            monitor->init(monitor->data, ((reader.count - 1u) >> (STARS_PER_STEP_SHIFT - 1)) & ~1u);
        }
        bool even_first = (scene_info->renderOpts & LWROPT_EVENFIELDS) != 0;
        LWTime ta;
        LWTime tb;
        if (host_v9_or_later) {
            ta = access->frame / fps;
            cam = get_camera_id(ta);
            tb = ta + camera_info->blurLength(cam, ta) * 0.5 / fps;
        } else {
            tb = t1 - 0.5 / fps;
            cam = get_camera_id(tb);
            ta = tb + (t0 - t1) * 0.5;
        }
        take_samples(samples, cam, inst->parent_id, ta, tb, inst->blur_segs);
        apply_depth_of_field(data, kept, inst, cam, ta, image.width, image.height);
        data.lines = even_first ? OP_STARS_EVEN_LINES : OP_STARS_ODD_LINES;
        if (render_stars(data, fb, reader, samples, monitor)) {
            return nullptr;
        }

        samples.clear();
        if (host_v9_or_later) {
            ta = (access->frame + 0.5) / fps;
            cam = get_camera_id(ta);
            tb = ta + camera_info->blurLength(cam, ta) * 0.5 / fps;
        } else {
            cam = get_camera_id(t1);
            ta = t1 + (t0 - t1) * 0.5;
            tb = t1;
        }
        take_samples(samples, cam, inst->parent_id, ta, tb, inst->blur_segs);
        apply_depth_of_field(data, kept, inst, cam, ta, image.width, image.height);
        data.lines = even_first ? OP_STARS_ODD_LINES : OP_STARS_EVEN_LINES;
        if (render_stars(data, fb, reader, samples, monitor)) {
            return nullptr;
        }
        if (monitor) {
            monitor->done(monitor->data);
        }
    }

    if (camera_info->flags(cam) & LWCAMF_MASK) {
        keep_outside(access, win);
    }
    write_back(image, access, win, srgb);
    return nullptr;
}

} // namespace

LWError process(orrelux* inst, LWFilterAccess const* access) {
    try {
        return render_frame(inst, access);
    } catch (Xception const& e) {
        e.print();
        return "Process Failed";
    }
}
