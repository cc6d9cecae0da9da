#pragma once

#include "libimgops/sky_cells.h"
#include "libimgops/stars.h"

#include <vector>

enum SkyCoverage {
    SKY_NONE, // no star inside can be drawn
    SKY_PART, // some may be
    SKY_ALL,  // every one may be: its parts need no closer look
};

// What one pass of the renderer can see: which caps of the sky hold stars
// that may light a pixel of the framebuffer through the pass's camera
// samples, spots, streaks and footprints. Never says SKY_NONE of a cap
// holding a star that the renderer would draw; where it cannot tell (stars
// at distances, a camera that distorts directions, settings that bound no
// footprint), it says SKY_ALL of every cap.
class SkyView {
public:
    // `at_infinity`: the pass places every star by its direction alone.
    // `lum_low` and `lum_high` bound the `lum` of every star drawn.
    SkyView(const StarRendererData& data, const StarFramebuffer& fb, const Array<camera>& cams,
            bool at_infinity, float lum_low, float lum_high);

    SkyCoverage coverage(SkyCap const& cap) const;

    // False when every cap is SKY_ALL.
    bool culls() const { return culling; }

private:
    // An affine function of a direction, n . d + offset.
    struct Linear {
        double n[3];
        double offset;
    };
    // What one camera sample makes of a cap. The window terms are the
    // distances inside each edge of the window widened by the footprints'
    // reach (left, right, bottom, top), in the projected plane or, for the
    // perspective projection, times the homogeneous w; their bounds over
    // the cap, widened by rounding.
    struct Seen {
        bool may_be_in_view;
        bool all_in_view;
        double high[4];
        double low[4];
    };

    bool set_up(const StarRendererData& data, const StarFramebuffer& fb, const Array<camera>& cams,
                float lum_low, float lum_high, double w);
    bool add_fisheye_terms(DblMatrix4 const& m);
    void add_perspective_terms(DblMatrix4 const& m, double w);
    Seen seen(SkyCap const& cap, unsigned k) const;
    bool segment_may_draw(Seen const& a, Seen const& b) const;

    bool culling = false;
    bool fisheye = false;
    bool equidistant = false;
    // The plane window with the footprints' reach.
    double x_low = 0, x_high = 0, y_low = 0, y_high = 0;
    // Per sample, TERMS of them: perspective window terms, then in front
    // and beyond the near plane; fisheye x, y and z, then in front.
    static unsigned const TERMS = 6;
    std::vector<Linear> terms;
    unsigned samples = 0;
};
