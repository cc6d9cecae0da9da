#include "libvellimage/image.h"

#include "libvellimage/metadata.h"

#include <cstdio>
#include <cstring>

namespace Vell {

namespace {

char const* const UNIT = "libvellimage/image";
char const* const NATURAL_STRIDE_SIGNATURE =
    "static unsigned int Vell::ImageSpec::natural_stride(int, Vell::ImageSpec::PixelFormat)";
char const* const ALLOC_SIGNATURE = "void Vell::Image::alloc()";

s64 round_up(s64 value, s64 multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

ImageSpec::MetaData* copy_meta(ImageSpec::MetaData const* meta) {
    return meta ? new ImageSpec::MetaData(*meta) : nullptr;
}

} // namespace

ImageSpec::ImageSpec(int width, int height, PixelFormat format)
    : width(width), height(height), stride(natural_stride(width, format)), format(format),
      meta(nullptr) {}

ImageSpec::ImageSpec(ImageSpec const& other)
    : width(other.width), height(other.height), stride(other.stride), format(other.format),
      meta(copy_meta(other.meta)) {}

ImageSpec& ImageSpec::operator=(ImageSpec const& other) {
    MetaData* copy = copy_meta(other.meta);
    delete meta;
    meta = copy;
    width = other.width;
    height = other.height;
    stride = other.stride;
    format = other.format;
    return *this;
}

ImageSpec::~ImageSpec() {
    delete meta;
}

unsigned ImageSpec::natural_stride(int width, PixelFormat format) {
    // 64-bit arithmetic: a wide row must fail here, not wrap to a small stride.
    s64 w = width;
    s64 stride;
    switch (format) {
    case YCBCR_422_8:
        stride = round_up(3 * w, 12);
        break;
    case DV_NTSC:
        XASSERT(width == 720, UNIT, NATURAL_STRIDE_SIGNATURE, 118);
        return 250;
    case DV50_NTSC:
        XASSERT(width == 720, UNIT, NATURAL_STRIDE_SIGNATURE, 121);
        return 500;
    case DV100_1080i60:
        XASSERT(width == 1280, UNIT, NATURAL_STRIDE_SIGNATURE, 125);
        return 445;
    case DNXHD_1080i60_10BIT:
        XASSERT(width == 1920, UNIT, NATURAL_STRIDE_SIGNATURE, 129);
        return 850;
    case YCBCR_422_10:
        // Six pixels pack into 16 bytes; rows are padded to 128 bytes.
        stride = round_up((w + 5) / 6 * 16, 128);
        break;
    default:
        stride = bytes_per_pixel(format) * w;
        break;
    }
    if (width < 0 || stride > 0xFFFFFFFFll)
        throw StrXception(UNIT, NATURAL_STRIDE_SIGNATURE, 133,
                          "no 32-bit stride for a %s row of width %d", pixel_format_str(format),
                          width);
    return static_cast<unsigned>(stride);
}

unsigned ImageSpec::set_natural_stride() {
    stride = natural_stride(width, format);
    return stride;
}

unsigned ImageSpec::bytes_per_pixel(PixelFormat format) {
    switch (format) {
    case BGRA_U8:
    case CINEON:
    case G_FLOAT:
        return 4;
    case G_U8:
        return 1;
    case BGRA_FLOAT:
        return 16;
    case YCBCR_422_8:
        return 3;
    case YCBCR_444_FLOAT:
        return 12;
    case G_U16:
        return 2;
    case BGRA_U16:
        return 8;
    case DV_NTSC:
    case YCBCR_422_10:
    case DV100_1080i60:
    case DV50_NTSC:
    case DNXHD_1080i60_10BIT:
        return 0;
    default:
        pixel_format_str(format);
        return 0;
    }
}

char const* ImageSpec::pixel_format_str(PixelFormat format) {
    switch (format) {
    case BGRA_U8:
        return "BGRA_U8";
    case G_U8:
        return "G_U8";
    case BGRA_FLOAT:
        return "BGRA_FLOAT";
    case G_FLOAT:
        return "G_FLOAT";
    case YCBCR_422_8:
        return "YCBCR_422_8";
    case DV_NTSC:
        return "DV_NTSC";
    case YCBCR_422_10:
        return "YCBCR_422_10";
    case YCBCR_444_FLOAT:
        return "YCBCR_444_FLOAT";
    case CINEON:
        return "CINEON";
    case G_U16:
        return "G_U16";
    case DV100_1080i60:
        return "DV100_1080i60";
    case DV50_NTSC:
        return "DV50_NTSC";
    case BGRA_U16:
        return "BGRA_U16";
    case DNXHD_1080i60_10BIT:
        return "DNXHD_1080i60_10BIT";
    default:
        throw StrXception(
            UNIT,
            "static const char *Vell::ImageSpec::pixel_format_str(Vell::ImageSpec::PixelFormat)",
            194, "unknown format");
    }
}

bool operator==(ImageSpec const& a, ImageSpec const& b) {
    if (a.width != b.width || a.height != b.height || a.stride != b.stride || a.format != b.format)
        return false;
    if (!a.meta || !b.meta)
        return !a.meta && !b.meta;
    return *a.meta == *b.meta;
}

void ImageSpec::for_each_meta(MetaVisitor& visitor) const {
    if (meta)
        meta->for_each_meta(visitor);
}

void ImageSpec::print() const {
    class HeaderPrinter : public MetaVisitor {
    public:
        void visit_float(char const* type, char const* tag, float* value, s64*) override {
            printf(" \"%s %s\" [%f]", type, tag, *value);
        }
        void visit_string(char const* type, char const* tag, String* value, s64*) override {
            printf(" \"%s %s\" [\"%s\"]", type, tag, static_cast<char const*>(*value));
        }
        void visit_m44f(char const* type, char const* tag, Matrix4<float>* value, s64*) override {
            printf(" \"%s %s\" [", type, tag);
            for (int i = 0; i < 16; ++i)
                printf(i ? " %.9e" : "%.9e", (*value)[i]);
            printf("]");
        }
    } printer;
    printf("%-15s\t%d x %d", pixel_format_str(format), width, height);
    for_each_meta(printer);
}

Image::Image(ImageSpec const& spec) : ImageSpec(spec) {
    XASSERT(spec.format != ImageSpec::INVALID_FORMAT, UNIT,
            "Vell::Image::Image(const Vell::ImageSpec &)", 269);
    alloc();
}

Image::~Image() {
    free();
    width = height = -666;
    stride = 0;
    format = INVALID_FORMAT;
}

void Image::alloc() {
    // Sizes in 64 bits: a 32-bit product wraps and hands out too small a block.
    s64 row = static_cast<s64>(bytes_per_pixel(format)) * width;
    if (stride < row)
        throw StrXception(UNIT, ALLOC_SIGNATURE, 277,
                          "ImageSpec stride is too small for width - did you forget "
                          "set_natural_stride?");
    if (height < 0)
        throw StrXception(UNIT, ALLOC_SIGNATURE, 279, "image height %d is negative", height);
    uword size = static_cast<uword>(height) * stride;
    char* block = malloc_pixels(size);
    free();
    allocation = pixels = block;
    allocated_size = size;
}

void Image::free() {
    if (allocation)
        free_pixels(allocation, allocated_size);
    allocation = pixels = nullptr;
    allocated_size = 0;
}

void Image::make_blank() {
    if (allocated_size)
        memset(allocation, 0, allocated_size);
}

void Image::copy_from(Image const& other) {
    if (width != other.width || height != other.height || stride != other.stride ||
        format != other.format)
        throw StrXception(UNIT, "void Vell::Image::copy_from(const Vell::Image &)", 321,
                          "formats don't match\n");
    if (allocated_size)
        memcpy(allocation, other.allocation, allocated_size);
}

void Image::dump() const {
    printf("Image (allocated_size %llu at %p) ", static_cast<unsigned long long>(allocated_size),
           static_cast<void*>(pixels));
    print();
}

} // namespace Vell
