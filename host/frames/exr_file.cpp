#include "host/frames/exr_file.h"

#include "host/frames/frame_error.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#include <ImfRgbaFile.h>
#include <Iex.h>
#include <half.h>

#include <algorithm>
#include <cstddef>
#include <vector>
#include <cstring>
#include <exception>

namespace {

char const* const UNIT = "host/frames/exr_file";

std::size_t const PIXEL_BYTES = 4 * sizeof(float);

class MemoryInput : public Imf::IStream {
public:
    MemoryInput(Bytes const& bytes, char const* path) : Imf::IStream(path), bytes_(bytes) {}

    bool read(char c[], int n) override {
        if (n < 0 || std::size_t(n) > bytes_.size() - position_) {
            throw Iex::InputExc("the file ends early");
        }
        std::memcpy(c, bytes_.data() + position_, std::size_t(n));
        position_ += std::size_t(n);
        return position_ < bytes_.size();
    }
    uint64_t tellg() override { return position_; }
    void seekg(uint64_t position) override {
        if (position > bytes_.size()) {
            throw Iex::InputExc("the file ends early");
        }
        position_ = std::size_t(position);
    }

private:
    Bytes const& bytes_;
    std::size_t position_ = 0;
};

class MemoryOutput : public Imf::OStream {
public:
    MemoryOutput(Bytes& bytes, char const* path) : Imf::OStream(path), bytes_(bytes) {}

    void write(char const c[], int n) override {
        std::size_t end = position_ + std::size_t(n);
        if (end > bytes_.size()) {
            bytes_.resize(end);
        }
        std::memcpy(bytes_.data() + position_, c, std::size_t(n));
        position_ = end;
    }
    uint64_t tellp() override { return position_; }
    void seekp(uint64_t position) override { position_ = std::size_t(position); }

private:
    Bytes& bytes_;
    std::size_t position_ = 0;
};

long long box_width(Imath::Box2i const& box) {
    return (long long)box.max.x - box.min.x + 1;
}
long long box_height(Imath::Box2i const& box) {
    return (long long)box.max.y - box.min.y + 1;
}

// The file channels that feed red, green, blue and alpha: R, G, B and A, or
// Y into red alone when the file is grey. Null feeds nothing.
struct ChannelSources {
    char const* names[4];
    bool grey;
};

ChannelSources channel_sources(Imf::ChannelList const& channels) {
    bool grey = !channels.findChannel("R") && !channels.findChannel("G") &&
                !channels.findChannel("B") && channels.findChannel("Y");
    if (grey) {
        return {{"Y", nullptr, nullptr, "A"}, true};
    }
    return {{"R", "G", "B", "A"}, false};
}

// Reads the data window into a frame of its size; channels missing from the
// file take their fill, 1 for alpha and 0 otherwise.
FrameImage read_data_window(Imf::InputFile& file, Imath::Box2i const& window) {
    static double const FILL[4] = {0.0, 0.0, 0.0, 1.0};
    FrameImage data(int(box_width(window)), int(box_height(window)));
    ChannelSources sources = channel_sources(file.header().channels());
    Imf::FrameBuffer slices;
    for (int c = 0; c < 4; ++c) {
        if (sources.names[c]) {
            slices.insert(sources.names[c],
                          Imf::Slice::Make(Imf::FLOAT, data.pixels.data() + c, window, PIXEL_BYTES,
                                           PIXEL_BYTES * std::size_t(data.width), 1, 1, FILL[c]));
        }
    }
    file.setFrameBuffer(slices);
    file.readPixels(window.min.y, window.max.y);
    if (sources.grey) {
        for (std::size_t i = 0; i < data.pixels.size(); i += 4) {
            data.pixels[i + 1] = data.pixels[i + 2] = data.pixels[i];
        }
    }
    return data;
}

bool luminance_chroma(Imf::ChannelList const& channels) {
    return !channels.findChannel("R") && (channels.findChannel("RY") || channels.findChannel("BY"));
}

// Luminance with subsampled chroma, which only OpenEXR's RGBA interface turns
// back into colour, at half precision as it is stored.
FrameImage read_luminance_chroma(Bytes const& bytes, char const* path, Imath::Box2i const& window) {
    MemoryInput stream(bytes, path);
    Imf::RgbaInputFile file(stream);
    FrameImage data(int(box_width(window)), int(box_height(window)));
    std::vector<Imf::Rgba> pixels(data.pixels.size() / 4);
    // The interface addresses pixels from (0, 0), window.min before the first.
    std::ptrdiff_t first = window.min.x + std::ptrdiff_t(window.min.y) * data.width;
    file.setFrameBuffer(pixels.data() - first, 1, std::size_t(data.width));
    file.readPixels(window.min.y, window.max.y);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        data.pixels[4 * i] = pixels[i].r;
        data.pixels[4 * i + 1] = pixels[i].g;
        data.pixels[4 * i + 2] = pixels[i].b;
        data.pixels[4 * i + 3] = pixels[i].a;
    }
    return data;
}

// The data window's pixels placed in a frame the size of the display window.
FrameImage place_in_display(FrameImage const& data, Imath::Box2i const& data_window,
                            Imath::Box2i const& display) {
    FrameImage frame(int(box_width(display)), int(box_height(display)));
    int x0 = std::max(data_window.min.x, display.min.x);
    int x1 = std::min(data_window.max.x, display.max.x);
    int y0 = std::max(data_window.min.y, display.min.y);
    int y1 = std::min(data_window.max.y, display.max.y);
    for (int y = y0; y <= y1 && x0 <= x1; ++y) {
        float const* from = data.pixel(x0 - data_window.min.x, y - data_window.min.y);
        std::copy(from, from + 4 * (x1 - x0 + 1),
                  frame.pixel(x0 - display.min.x, y - display.min.y));
    }
    return frame;
}

} // namespace

FrameImage read_exr(Bytes const& bytes, char const* path) {
    try {
        MemoryInput stream(bytes, path);
        Imf::InputFile file(stream);
        Imath::Box2i const& display = file.header().displayWindow();
        Imath::Box2i const& data_window = file.header().dataWindow();
        check_frame_size(box_width(display), box_height(display), path);
        check_frame_size(box_width(data_window), box_height(data_window), path);
        FrameImage data = luminance_chroma(file.header().channels())
                              ? read_luminance_chroma(bytes, path, data_window)
                              : read_data_window(file, data_window);
        if (data_window == display) {
            return data;
        }
        return place_in_display(data, data_window, display);
    } catch (std::exception const& e) {
        throw FRAME_ERROR("cannot read frame \"%s\": %s", path, e.what());
    }
}

Bytes write_exr(FrameImage const& frame, bool half, char const* path) {
    try {
        Imf::Header header(frame.width, frame.height);
        header.compression() = Imf::ZIP_COMPRESSION;
        // OpenEXR writes a channel only from slices of its own type.
        std::vector<Imath::half> halves;
        if (half) {
            halves.assign(frame.pixels.begin(), frame.pixels.end());
        }
        char* base = half ? reinterpret_cast<char*>(halves.data())
                          : const_cast<char*>(reinterpret_cast<char const*>(frame.pixels.data()));
        std::size_t sample_bytes = half ? sizeof(Imath::half) : sizeof(float);
        Imf::PixelType stored = half ? Imf::HALF : Imf::FLOAT;
        Imf::FrameBuffer slices;
        static char const* const NAMES[4] = {"R", "G", "B", "A"};
        for (int c = 0; c < 4; ++c) {
            header.channels().insert(NAMES[c], Imf::Channel(stored));
            slices.insert(NAMES[c], Imf::Slice(stored, base + c * sample_bytes, 4 * sample_bytes,
                                               4 * sample_bytes * std::size_t(frame.width)));
        }
        Bytes bytes;
        MemoryOutput stream(bytes, path);
        {
            Imf::OutputFile file(stream, header);
            file.setFrameBuffer(slices);
            file.writePixels(frame.height);
        }
        return bytes;
    } catch (std::exception const& e) {
        throw FRAME_ERROR("cannot write frame \"%s\": %s", path, e.what());
    }
}
