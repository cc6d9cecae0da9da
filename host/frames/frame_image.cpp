#include "host/frames/frame_image.h"

FrameImage::FrameImage(int width, int height)
    : width(width), height(height), pixels(std::size_t(width) * std::size_t(height) * 4, 0.0f) {}
