#include "config/ConfigImage.h"

namespace qzt {

std::uint8_t Crc8Update(std::uint8_t crc, std::span<const std::uint8_t> bytes) {
    std::uint8_t c = crc;
    for (std::uint8_t b : bytes) {
        c ^= b;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 0x80) ? static_cast<std::uint8_t>((c << 1) ^ 0xA6)
                           : static_cast<std::uint8_t>(c << 1);
        }
    }
    return c;
}

std::uint8_t ImageChecksum(std::span<const std::uint8_t, kImageSize> image) {
    // The running value is carried from the first range into the second
    // before the final XOR, so this is one CRC over 240 bytes.
    std::uint8_t c = Crc8Update(0xFF, image.subspan(0, kChecksumOffset));
    c = Crc8Update(c, image.subspan(kProductInformation.first, kProductInformation.count));
    return static_cast<std::uint8_t>(c ^ 0xFF);
}

bool ChecksumMatches(std::span<const std::uint8_t, kImageSize> image) {
    return ImageChecksum(image) == image[kChecksumOffset];
}

void StoreChecksum(std::span<std::uint8_t, kImageSize> image) {
    image[kChecksumOffset] = ImageChecksum(image);
}

bool IsQztProduct(std::span<const std::uint8_t, kImageSize> image) {
    return image[kProductTypeOffset] == kQztProductType;
}

}  // namespace qzt
