#pragma once

#include "base/xception.h"

// A StrXception located where it is raised. Each source file defines UNIT,
// its source-unit name.
#define FRAME_ERROR(...) StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, __VA_ARGS__)

// The most pixels a frame file may hold: 2^27, 2 GiB of float RGBA, well
// above an 8K frame. A header that claims more, or no pixels at all, is
// refused before anything is allocated.
constexpr long long MAX_FRAME_PIXELS = 1LL << 27;

// Raises "cannot read frame "<path>": ..." unless a width by height frame is
// allowed.
void check_frame_size(long long width, long long height, char const* path);
