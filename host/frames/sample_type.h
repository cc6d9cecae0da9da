#pragma once

#include <string>

// How a written frame file stores its samples. Integer samples hold
// sRGB-encoded colour and linear alpha; half and float samples hold linear
// values as they are.
enum class SampleType {
    DEFAULT, // the format's own: float for OpenEXR and TIFF, 8-bit for PNG
    UINT8,
    UINT16,
    HALF,
    FLOAT,
};

// "8", "16", "half" and "float"; "default" for DEFAULT.
char const* sample_type_name(SampleType samples);
// The type of one of those names; raises for any other text, listing them.
SampleType sample_type_named(std::string const& name);
