#pragma once
// The QZT unit keeps its whole configuration in a 256-byte memory: the
// configuration image. Files hold this image (optionally padded to 2048 bytes)
// and the unit is read and written in ranges of it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "config/MemoryMap.h"

namespace qzt {

// The main window's image holders are 2048 bytes: the image is the first 256,
// the rest only matters as the 0xFF tail of a 2048-byte configuration file.
inline constexpr std::size_t kImageBufferSize = 2048;

using ConfigImage = std::array<std::uint8_t, kImageSize>;
using ImageBuffer = std::array<std::uint8_t, kImageBufferSize>;

// Byte 248 of every QZT image; anything else is another product's memory.
inline constexpr std::uint8_t kQztProductType = 0x48;

// One step of the unit's CRC-8 (polynomial 0xA6, most significant bit first):
// feeds `bytes` into the running value `crc` and returns the new running value.
// The checksum proper starts at 0xFF and ends with an XOR of 0xFF.
std::uint8_t Crc8Update(std::uint8_t crc, std::span<const std::uint8_t> bytes);

// The unit's checksum: the CRC over bytes 0-223 and then 240-255. Byte 224
// itself and bytes 225-239 (among them the clock block the unit rewrites on
// its own) lie outside it.
std::uint8_t ImageChecksum(std::span<const std::uint8_t, kImageSize> image);
bool ChecksumMatches(std::span<const std::uint8_t, kImageSize> image);
void StoreChecksum(std::span<std::uint8_t, kImageSize> image);

bool IsQztProduct(std::span<const std::uint8_t, kImageSize> image);

// The first 256 bytes of a 2048-byte holder as an image.
inline std::span<std::uint8_t, kImageSize> ImageOf(ImageBuffer& buffer) {
    return std::span<std::uint8_t, kImageSize>(buffer.data(), kImageSize);
}
inline std::span<const std::uint8_t, kImageSize> ImageOf(const ImageBuffer& buffer) {
    return std::span<const std::uint8_t, kImageSize>(buffer.data(), kImageSize);
}

}  // namespace qzt
