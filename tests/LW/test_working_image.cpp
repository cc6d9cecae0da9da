#include "plugin_harness.h"

#include "host/services/monitor.h"
#include "LW/srgb.h"
#include "LW/window_pixels.h"
#include "LW/working_image.h"

#include <limits>

namespace {

class KeptWorkingImage : public PluginHarness {
protected:
    KeptWorkingImage() {
        write_database(database, {star_towards(0, 0, 1), star_towards(0.1, 0.05, 1)});
    }

    orrelux* srgb_instance(int srgb = 1) {
        orrelux* inst = linear_instance(database);
        inst->srgb_framebuffer = srgb;
        return inst;
    }

    std::string database = folder.file("two.stars");
};

struct Frame {
    int width, height;
    float level; // of the input, so that no frame looks like the one before
    int srgb;    // an sRGB frame keeps only light in the image, a linear one pixels
};

// An instance keeps its working image from frame to frame; whatever the
// previous frame left in it, and whatever its size, each frame comes out as
// a fresh instance renders it.
TEST_F(KeptWorkingImage, EachFrameComesOutAsFromAFreshInstanceWhateverCameBefore) {
    Frame const frames[] = {{640, 480, 0.5f, 1}, {640, 480, 0.1f, 1}, {640, 480, 0.3f, 0},
                            {640, 480, 0.6f, 1}, {320, 200, 0.7f, 1}, {640, 480, 0, 0}};
    orrelux* kept = srgb_instance();
    WorkingImage const* previous = nullptr;
    for (Frame const& f : frames) {
        SCOPED_TRACE(&f - frames);
        host.scene.frame_width = f.width;
        host.scene.frame_height = f.height;
        auto input = [&](int x, int y) {
            return std::array<float, 4>{f.level, f.level * (x % 7) / 7, 0.2f, y % 3 * 0.25f};
        };
        // One host frame exists at a time.
        std::vector<float> out;
        kept->srgb_framebuffer = f.srgb;
        {
            HostFrame reused(f.width, f.height);
            fill(reused, input);
            ASSERT_EQ(process(kept, reused), nullptr);
            for (int i = 0; i < f.width * f.height * 4; i++) {
                out.push_back(reused.output(i / 4 % f.width, i / 4 / f.width, i % 4));
            }
        }
        WorkingImage const* image = kept->working_image.get();
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width(), f.width);
        EXPECT_EQ(image->height(), f.height);
        if (previous && (&f)[-1].width == f.width && (&f)[-1].height == f.height) {
            EXPECT_EQ(image, previous);
        }
        previous = image;

        HostFrame fresh(f.width, f.height);
        fill(fresh, input);
        ASSERT_EQ(process(srgb_instance(f.srgb), fresh), nullptr);

        EXPECT_EQ(written(fresh), f.width * f.height);
        for (int i = 0; i < f.width * f.height * 4; i++) {
            ASSERT_EQ(out[i], fresh.output(i / 4 % f.width, i / 4 / f.width, i % 4)) << i;
        }
    }
}

// Stars are drawn in batches; an abort after the first batch leaves its
// light in the kept image, and the next frame must not show it.
TEST_F(KeptWorkingImage, AFrameAfterAnAbortedOneHoldsOnlyItsOwnLight) {
    write_database(database, std::vector<star>(20000, star_towards(0.01, 0, 1)));
    orrelux* kept = srgb_instance();
    HostMonitor monitor;
    // The ninth step comes after 18432 stars, beyond the first batch.
    monitor.on_step = [&](unsigned done, unsigned) {
        if (done == 9) {
            monitor.request_abort();
        }
    };
    {
        HostFrame aborted(640, 480);
        aborted.monitor = monitor.monitor();
        ASSERT_EQ(process(kept, aborted), nullptr);
        ASSERT_EQ(written(aborted), 0);
    }
    double const next = light(*render(kept)).sum;
    EXPECT_GT(next, 0);
    EXPECT_EQ(next, light(*render(srgb_instance())).sum);
}

// What a frame left behind, when no write-back took it, is gone when the
// next frame starts: light drawn up to the last column and row of the
// image, and pixels a linear frame filled.
TEST(WorkingImageStart, ANewFrameFindsNoLightAndNothingNotedWhateverTheLastOneLeft) {
    int const width = 37, height = 21;
    for (bool filled : {false, true}) {
        SCOPED_TRACE(filled);
        WorkingImage image(width, height);
        if (filled) {
            std::fill(image.fill_row(0), image.fill_row(0) + 4 * width, 0.5f);
        }
        StarFramebuffer const fb = image.framebuffer();
        for (Vector2 const p :
             {Vector2{width - 0.5f, height - 0.5f}, Vector2{0, 0}, Vector2{17, 9}}) {
            op_star_streak(fb, p, p, 1, Color3{1, 1, 1}, 2.5f, 2.5f, OP_STARS_ALL_LINES);
        }
        ASSERT_GT(fb.r[(height - 1) * fb.row_stride + (width - 1) * fb.pixel_stride], 0);

        image.start_frame();

        int left = 0;
        for (int y = 0; y < height; y++) {
            int first, last;
            left += image.drawn().span(y, first, last);
            float const* pixels = image.row(y);
            left += std::count_if(pixels, pixels + image.pixel_floats() * width,
                                  [](float v) { return v != 0; });
        }
        EXPECT_EQ(left, 0);
    }
}

// The write-back of a frame of light only finds the least light there is,
// alone in its group of pixels, and light that is no number; a negative
// zero is no light. Whatever it finds it takes, leaving no light behind.
TEST(WorkingImageWriteBack, EveryBitOfLightIsFoundAndTakenAndANegativeZeroIsNone) {
    int const width = 40;
    // A colour whose trip through the curves and back changes it, so that
    // a lit pixel shows that it went through them.
    float colour = 0.5f;
    while (linear_to_srgb(srgb_to_linear(colour)) == colour && colour < 0.6f) {
        colour = std::nextafter(colour, 1.0f);
    }
    ASSERT_NE(linear_to_srgb(srgb_to_linear(colour)), colour);
    WorkingImage image(width, 1);
    image.start_frame();
    StarFramebuffer const fb = image.framebuffer();
    float const least = std::numeric_limits<float>::denorm_min();
    int const faint = 5, not_a_number = 20, negative_zero = 37;
    fb.r[faint * fb.pixel_stride] = least;
    fb.g[not_a_number * fb.pixel_stride] = NAN;
    fb.b[negative_zero * fb.pixel_stride] = -0.0f;
    fb.drawn->note(0, 0, width - 1);
    HostFrame frame(width, 1);
    for (int x = 0; x < width; x++) {
        frame.set_input(x, 0, colour, colour, colour, 0);
    }

    write_back(image, frame.access(), PixelWindow{0, 0, width - 1, 0});

    for (int x = 0; x < width; x++) {
        bool const lit = x == faint || x == not_a_number;
        for (int c = 0; c < 3; c++) {
            float const light = x == faint && c == 0 ? least : 0;
            float const expected = lit ? linear_to_srgb(srgb_to_linear(colour) + light) : colour;
            if (x == not_a_number && c == 1) {
                EXPECT_TRUE(std::isnan(frame.output(x, 0, c)));
            } else {
                EXPECT_EQ(frame.output(x, 0, c), expected) << x << " " << c;
            }
        }
    }
    float const* light = image.row(0);
    EXPECT_EQ(std::count(light, light + image.pixel_floats() * width, 0.0f),
              image.pixel_floats() * width);
}

} // namespace
