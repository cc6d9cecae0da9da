#include "LW/logo.h"

#include "LW/module_state.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

int const WIDTH = orrelux_wingui_logo_width;
int const HEIGHT = orrelux_wingui_logo_height;

// Letters of 5 × 7 cells, one byte per row from the top, bit 4 the left.
struct Glyph {
    char letter;
    std::uint8_t rows[7];
};

Glyph const GLYPHS[] = {
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
};

char const* const NAME = "ORRELUX";
int const NAME_LETTERS = 7;
int const CELL = 6; // pixels per glyph cell
int const LETTER_GAP = 6;
int const NAME_WIDTH = NAME_LETTERS * 5 * CELL + (NAME_LETTERS - 1) * LETTER_GAP;
int const NAME_LEFT = (WIDTH - NAME_WIDTH) / 2;
int const NAME_TOP = (HEIGHT - 7 * CELL) / 2;

struct Rgb {
    int r, g, b;
};

Rgb const LETTER_COLOUR = {242, 232, 204};

// The picture as drawn: rows from the top.
class Canvas {
public:
    Canvas() : bytes_(WIDTH * HEIGHT * 3) {}
    void set(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= WIDTH || y >= HEIGHT) {
            return;
        }
        std::uint8_t* p = &bytes_[((HEIGHT - 1 - y) * WIDTH + x) * 3];
        p[0] = static_cast<std::uint8_t>(c.b);
        p[1] = static_cast<std::uint8_t>(c.g);
        p[2] = static_cast<std::uint8_t>(c.r);
    }
    std::vector<std::uint8_t> const& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Night blue, lighter towards the bottom.
void paint_sky(Canvas& canvas) {
    for (int y = 0; y < HEIGHT; y++) {
        for (int x = 0; x < WIDTH; x++) {
            canvas.set(x, y, {6 + y / 4, 10 + y / 3, 32 + y * 2 / 3});
        }
    }
}

// A fixed scatter of stars of a few brightnesses, from a small linear
// congruential sequence.
void paint_stars(Canvas& canvas) {
    std::uint32_t state = 20240611u;
    auto next = [&state](int range) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(range));
    };
    for (int i = 0; i < 90; i++) {
        int x = next(WIDTH);
        int y = next(HEIGHT);
        int level = 110 + next(146);
        canvas.set(x, y, {level, level, std::min(255, level + 30)});
    }
}

Glyph const& glyph(char letter) {
    for (Glyph const& g : GLYPHS) {
        if (g.letter == letter) {
            return g;
        }
    }
    return GLYPHS[0];
}

void paint_letter(Canvas& canvas, Glyph const& g, int left) {
    for (int row = 0; row < 7; row++) {
        for (int column = 0; column < 5; column++) {
            if (!(g.rows[row] >> (4 - column) & 1)) {
                continue;
            }
            for (int dy = 0; dy < CELL; dy++) {
                for (int dx = 0; dx < CELL; dx++) {
                    canvas.set(left + column * CELL + dx, NAME_TOP + row * CELL + dy,
                               LETTER_COLOUR);
                }
            }
        }
    }
}

std::vector<std::uint8_t> paint_logo() {
    Canvas canvas;
    paint_sky(canvas);
    paint_stars(canvas);
    for (int i = 0; i < NAME_LETTERS; i++) {
        paint_letter(canvas, glyph(NAME[i]), NAME_LEFT + i * (5 * CELL + LETTER_GAP));
    }
    return canvas.bytes();
}

} // namespace

unsigned char const* orrelux_wingui_logo() {
    static std::vector<std::uint8_t> const logo = paint_logo();
    return logo.data();
}

void draw_logo(LWXPanelID, unsigned int, LWXPDrAreaID area, int w, int h) {
    LWXPDrawFuncs* draw = orrelux_ini.xpanel_funcs->drawf;
    unsigned char const* logo = orrelux_wingui_logo();
    for (int y = 0; y < h && y < HEIGHT; y++) {
        for (int x = 0; x < w && x < WIDTH; x++) {
            unsigned char const* p = logo + ((HEIGHT - 1 - y) * WIDTH + x) * 3;
            draw->drawRGBPixel(area, p[2], p[1], p[0], x, y);
        }
    }
}
