#pragma once

#include <cstdint>

// An sRGB-encoded colour, one byte a channel.
struct StarColour {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

// Visual magnitudes that a catalogue star can have: the Sun is -26.7, the
// faintest catalogued stars about 21. Outside, a value is a damaged entry.
double const MIN_MAGNITUDE = -30.0;
double const MAX_MAGNITUDE = 30.0;

// Linear luminance of a star of visual magnitude v: a V = 0 star has 1. A
// magnitude beyond the range above counts as the range's end, so the result
// always fits a float (10^12 at the brightest).
double luminance_from_magnitude(double v);

// The inverse of luminance_from_magnitude.
double magnitude_from_luminance(double lum);

// Black-body temperature in kelvin of a star of colour index B-V, clamped to
// [-0.4, 2.0] first (Ballesteros 2012).
double temperature_from_bv(double bv);

// The colour of a black body at the star's temperature, normalised to its
// largest channel (the brightness is carried by the luminance).
StarColour colour_from_bv(double bv);

struct JohnsonMagnitudes {
    double v;
    double bv;
};

// Johnson V and B-V from the Tycho magnitude VT and colour BT-VT, by the usual
// linear approximations (V = VT - 0.090 (BT-VT), B-V = 0.850 (BT-VT)).
JohnsonMagnitudes tycho_to_johnson(double vt, double bt_vt);

// Distance in parsecs from a parallax in milliarcseconds; 0 (at infinity)
// for a parallax that is not positive.
double distance_from_parallax(double parallax_mas);

// A position on the sky in degrees, moved along its proper motion (in
// mas/yr, the RA component already multiplied by cos(dec)) for the given
// number of years. The motion follows the great circle, so stars near the
// poles stay on the sphere; the result has ra in [0, 360).
void propagate_position(double& ra, double& dec, double pm_ra_cosdec, double pm_dec, double years);
