#pragma once

#include "base/types.h"
#include "base/xception.h"

template <class real> struct Matrix4;

namespace Vell {

// Non-zero makes the pixel allocator trace every block to standard error.
extern int TRACE_ALLOCATIONS;

// Raises StrXception "out of memory" rather than returning null.
char* malloc_pixels(uword size);
void free_pixels(char* p, uword size);

// The image library's coded failure; strerror() gives the code's text.
class Error : public Xception {
public:
    explicit Error(int code) : code(code) {}
    ~Error() override;
    char const* what() const noexcept override { return strerror(); }
    void print() const override;
    char const* strerror() const noexcept;

    int code;
};

// What an image is: its geometry, pixel format and optional metadata.
class ImageSpec {
public:
    enum PixelFormat {
        BGRA_U8 = 1,
        G_U8 = 3,
        BGRA_FLOAT = 4,
        G_FLOAT = 6,
        YCBCR_422_8 = 7,
        DV_NTSC = 10,
        YCBCR_422_10 = 11,
        YCBCR_444_FLOAT = 12,
        CINEON = 13,
        G_U16 = 14,
        DV100_1080i60 = 15,
        DV50_NTSC = 16,
        BGRA_U16 = 17,
        DNXHD_1080i60_10BIT = 18,
        INVALID_FORMAT = 9999
    };

    class MetaData;
    class MetaVisitor;

    ImageSpec() : meta(nullptr) {}
    ImageSpec(int width, int height, unsigned stride, PixelFormat format)
        : width(width), height(height), stride(stride), format(format), meta(nullptr) {}
    ImageSpec(int width, int height, PixelFormat format);
    ImageSpec(ImageSpec const& other);
    ImageSpec& operator=(ImageSpec const& other);
    ~ImageSpec();

    // Bytes per row for a packed row of width pixels. Raises StrXception
    // when that does not fit in 32 bits.
    static unsigned natural_stride(int width, PixelFormat format);
    unsigned set_natural_stride();
    // 0 for the compressed video formats, whose rows have a fixed size.
    static unsigned bytes_per_pixel(PixelFormat format);
    static char const* pixel_format_str(PixelFormat format);

    void for_each_meta(MetaVisitor& visitor) const;
    // 1 when the tag is absent, 2 when it has another type, 0 after filling out.
    template <class T> int get_meta(char const* type, char const* tag, T& out) const;
    template <class T> void set_meta(char const* type, char const* tag, T const& value);

    // Format, size and metadata on standard output, without a line feed.
    void print() const;

    int width;
    int height;
    unsigned stride; // bytes from one row to the next
    PixelFormat format;
    MetaData* meta; // owned; null when the image has no metadata
};

bool operator==(ImageSpec const& a, ImageSpec const& b);

// An ImageSpec plus one owned block of pixels; row y starts at pixels + y * stride.
class Image : public ImageSpec {
public:
    explicit Image(ImageSpec const& spec);
    Image(Image const&) = delete;
    Image& operator=(Image const&) = delete;
    ~Image();

    void alloc();
    void free();
    void make_blank();
    // Raises StrXception unless both images have the same geometry and format.
    void copy_from(Image const& other);
    void dump() const;

    char* pixels = nullptr;
    char* allocation = nullptr;
    uword allocated_size = 0;
};

} // namespace Vell
