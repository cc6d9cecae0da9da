#include "LW/srgb.h"

#include <cmath>

float srgb_to_linear(float v) {
    if (v <= 0.03928f) {
        return v * 0.07739938f; // 1 / 12.92
    }
    // 1 / 1.055 and 0.055 / 1.055
    return powf(v * 0.94786733f + 0.052132703f, 2.4f);
}

float linear_to_srgb(float v) {
    if (v <= 0.00304f) {
        return v * 12.92f;
    }
    return powf(v, 0.41666666f) * 1.055f - 0.055f; // exponent 1 / 2.4
}
