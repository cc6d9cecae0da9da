#pragma once

#include <cstddef>
#include <vector>

// Where a framebuffer has been drawn into: for each row, the columns from
// the first to the last that any spot or streak reached, so that whoever
// takes the light back out need look only there. Noted from each
// footprint's box, not pixel by pixel: a pixel that took light always lies
// in its row's span, one in the span may have taken none. Every pass and
// renderer that draws into the framebuffer widens the same spans until they
// are forgotten.
class DrawnSpans {
public:
    // Nothing noted. Throws std::bad_alloc when memory is short.
    DrawnSpans(int width, int height);

    // Widens row y's span to hold columns first to last (inclusive), which
    // lie within the framebuffer.
    void note(int y, int first, int last);
    // Row y's span; false when nothing was noted in it.
    bool span(int y, int& first, int& last) const {
        Span const& s = spans_[std::size_t(y)];
        first = s.first;
        last = s.last;
        return first <= last;
    }
    void forget();

private:
    struct Span {
        int first;
        int last;
    };

    int width_;
    int height_;
    std::vector<Span> spans_;
};
