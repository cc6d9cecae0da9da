#pragma once

// A sample star of the panel's preview. Positions are fractions of the
// thumbnail's width and height, y = 0 at the top; `c` goes from a yellow
// star at 0 to a blue one at 1.
struct PreviewStar {
    float x;
    float y;
    float lum; // linear luminance
    float c;
};

int const PREVIEW_STAR_COUNT = 200;

extern PreviewStar const preview_stars[PREVIEW_STAR_COUNT];
