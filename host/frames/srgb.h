#pragma once

#include <vector>

// The exact sRGB transfer curve (IEC 61966-2-1), hence the names: the
// module's frame buffer curves break at older points. A linear segment near
// black joined to a 2.4 power. Both take and give values on the 0 to 1 scale;
// the linear segment also serves values below 0.
float iec_srgb_to_linear(float encoded);
float iec_linear_to_srgb(float linear);

// An integer sample from 0 to `max` (255 or 65535), rounded to nearest.
// Values below 0 and NaN give 0, values above 1 give `max`.
unsigned srgb_sample(float linear, unsigned max);
unsigned linear_sample(float value, unsigned max);

// The linear value of every sRGB-encoded sample from 0 to `max`.
std::vector<float> srgb_decode_table(unsigned max);
