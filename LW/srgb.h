#pragma once

#include <cstddef>

// The frame buffer's sRGB curves in single precision. The breakpoints
// (0.03928 and 0.00304) are the older ones, not 0.04045 and 0.0031308.
float srgb_to_linear(float v);
float linear_to_srgb(float v);

// The same curves over `count` values in place, several at a time; every
// value comes out exactly as the single-value functions give it.
void srgb_to_linear(float* values, std::size_t count);
void linear_to_srgb(float* values, std::size_t count);
