#pragma once
// Decoding of the about box's product picture, a JPEG file, with libjpeg.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qzt {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3 bytes, rows top to bottom
};

// Largest picture accepted, in pixels per side: far above the picture we ship,
// and small enough that a hostile header cannot claim gigabytes.
inline constexpr int kMaxJpegSide = 4096;

// The decoded picture, or nothing for data that is not a complete JPEG image
// (corrupt, truncated, too large). Never ends the program.
std::optional<RgbImage> DecodeJpeg(std::span<const std::uint8_t> data);

}  // namespace qzt
