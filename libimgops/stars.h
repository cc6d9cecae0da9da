#pragma once

#include "base/array.h"
#include "base/newmatrix.h"
#include "base/types.h"
#include "libimgops/star_header.h"

#include <cstdint>
#include <memory>

namespace OSAPI {
class FileMapping;
}
class DrawnSpans;

// One 32-byte database record, laid out exactly as in the file (little-endian),
// so that a pointer into a loaded or mapped database is used directly.
struct star {
    double ra;  // right ascension, degrees
    double dec; // declination, degrees
    float lum;  // linear luminance
    uint8_t r;  // sRGB-encoded colour
    uint8_t g;
    uint8_t b;
    uint8_t pad;
    double dist; // distance in world units; only in "ORRELUX2" databases
};
static_assert(sizeof(star) == STAR_RECORD_SIZE, "a star record is as long as the header");

// A source of database records: the header first, then the stars in order.
class StarInput {
public:
    virtual ~StarInput();
    // The record at the cursor; advances it. No bounds check.
    virtual star const* next() = 0;
    virtual void rewind() = 0;

    // Consumes the header and reports whether its magic is a star database.
    bool is_valid();

    u32 count = 0; // records available, header included
    bool is_3d = false;
};

// One camera sample: world-to-camera transform (row vectors) and the
// arguments of its perspective matrix.
struct camera {
    DblMatrix4 xform;
    double zoom;
    double near;
    double far;
};

enum op_stars_projection : int32_t {
    OP_STARS_PERSPECTIVE = 0,
    OP_STARS_HEMISPHERICAL = 1,
    OP_STARS_AZIMUTHAL_EQUIDISTANT = 2,
};

// Framebuffer positions (pixels) must lie strictly within this distance of
// the origin along each axis; beyond it single precision has no useful value
// and integer conversion would overflow. A streak end outside draws nothing.
float const POSITION_LIMIT = 1e9f;

// Projects a star (degrees; dist <= 0 for a star at infinity) through a
// per-camera matrix to framebuffer pixels; returns whether it is in view. A
// position without a finite value within POSITION_LIMIT pixels is never in
// view, and out then holds a clamped stand-in.
bool world_to_screen(double ra, double dec, double dist, double parallax, DblMatrix4 m,
                     op_stars_projection projection, int width, int height, double win_x0,
                     double win_x1, double win_y0, double win_y1, Vector2& out);

// Four float planes; red, green and blue are written, alpha only read.
// Without an alpha plane (null) nothing hides the light. Strides are in
// floats.
struct StarFramebuffer {
    float* r;
    float* g;
    float* b;
    float* a;
    int32_t width;
    int32_t height;
    int32_t row_stride;
    int32_t pixel_stride;
    // When set, of the framebuffer's size: every spot and streak drawn
    // widens the spans of the rows where it may add light.
    DrawnSpans* drawn = nullptr;
};

enum op_stars_lines : int32_t {
    OP_STARS_ALL_LINES = 0,
    OP_STARS_EVEN_LINES = 1,
    OP_STARS_ODD_LINES = 2,
};

// Adds a Gaussian spot of 1/e radii radius_x, radius_y (pixels) averaged along
// p0..p1, dimmed by alpha; returns whether any pixel received light. Radii
// are pulled into [1/1024, 2^20]; a NaN radius or a non-finite intensity
// draws nothing.
bool op_star_streak(const StarFramebuffer& dst, const Vector2& p0, const Vector2& p1,
                    float intensity, const Color3& colour, float radius_x, float radius_y,
                    op_stars_lines lines);

struct StarRendererData {
    double win_x0;
    double win_x1;
    double win_y0;
    double win_y1;
    double size_x;
    double size_y;
    double lum_threshold;
    double lum_max;
    double brightness;
    double saturation;
    double lum_exponent;
    double tint_strength;
    double parallax;
    float tint[3];
    op_stars_projection projection;
    op_stars_lines lines;
    bool three_d;
    // Asked after about every STOP_CHECK_PIXELS pixels drawn, between rows,
    // so that a pass of huge spots can be stopped at once; true stops it,
    // the frame then unfinished. Null: never asked.
    bool (*should_stop)(void* context) = nullptr;
    void* stop_context = nullptr;
};

// What every star of a pass shares: the intensity of a star of shaped
// luminance 1, and the spot radii in pixels handed to op_star_streak.
struct SpotShape {
    float gain;
    float radius_x;
    float radius_y;
};
SpotShape spot_shape(const StarRendererData& data, int width, int height, unsigned samples);

// The per-camera matrix of a sample: for the perspective projection its
// transform times its perspective matrix, for the fisheye ones the
// transform alone.
DblMatrix4 sample_matrix(const camera& cam, op_stars_projection projection);

// How far (pixels) a footprint of peak `intensity` reaches beyond the ends
// of its spot or streak along an axis of the given radius; 0 when such a
// footprint draws nothing, and not finite when nothing bounds it.
float footprint_reach(float intensity, float radius);

// Some hundredths of a second of drawing; a full-frame spot at 8K is 33
// million pixels, some tenths of a second.
long const STOP_CHECK_PIXELS = 1L << 20;

class StarRenderer {
public:
    StarRenderer(const StarRendererData& data, const StarFramebuffer& fb, StarInput& input,
                 const Array<camera>& cams);
    StarRenderer(StarRenderer const&) = delete;
    StarRenderer& operator=(StarRenderer const&) = delete;
    ~StarRenderer();

    // Renders the next star; false once nothing is left to render. Stars
    // are drawn in batches, grouped by where they land, so overlapping
    // stars may add in another order than read; the call that returns false
    // draws the rest. `drew` is set when a call adds light. Also false once
    // `should_stop` said true.
    bool render_star(bool& drew);
    // Whether `should_stop` stopped the pass.
    bool stopped() const;

private:
    struct Private;
    bool do_render_star(const star* s);

    const StarRendererData& data;
    Private* priv;
};

// A database read in place through a read-only mapping of the whole file. A
// trailing partial record is not counted.
class MMAPStarFile : public StarInput {
public:
    explicit MMAPStarFile(const char* path);
    // Unmapping failures are reported, not thrown.
    ~MMAPStarFile() noexcept override;

    star const* next() override;
    void rewind() override;

private:
    star const* cursor;
    // Behind a pointer so that users of the engine need not see the OS layer.
    std::unique_ptr<OSAPI::FileMapping> mapping;
};

// Opens a database through a read-only memory mapping; the caller owns the
// result. The header is not examined.
StarInput* op_stars_file_input(const char* path);
