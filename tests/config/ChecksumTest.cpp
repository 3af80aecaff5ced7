#include <gtest/gtest.h>

#include <string_view>

#include "config/ConfigImage.h"

namespace qzt {
namespace {

ConfigImage Filled(std::uint8_t value) {
    ConfigImage image;
    image.fill(value);
    return image;
}

TEST(ImageChecksum, CheckValues) {
    constexpr std::string_view abc = "abc";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(abc.data());
    EXPECT_EQ(Crc8Update(0xFF, {bytes, abc.size()}) ^ 0xFF, 0xA9);
    EXPECT_EQ(ImageChecksum(Filled(0x00)), 0xF7);
    EXPECT_EQ(ImageChecksum(Filled(0xFF)), 0x89);
}

// Bytes 224-239 (the checksum itself, the unit's clock block and its
// neighbours) lie outside the sum; every other byte is inside it.
TEST(ImageChecksum, CoversEveryByteButTheClockArea) {
    const ConfigImage base = Filled(0x5A);
    const std::uint8_t reference = ImageChecksum(base);
    for (std::size_t i = 0; i < kImageSize; ++i) {
        ConfigImage changed = base;
        changed[i] ^= 0x01;
        const bool outside = i >= 224 && i <= 239;
        EXPECT_EQ(ImageChecksum(changed) == reference, outside) << "byte " << i;
    }
}

TEST(ImageChecksum, StoreMakesTheTestPassAndProductTypeIsByte248) {
    ConfigImage image = Filled(0x11);
    EXPECT_FALSE(ChecksumMatches(image));
    StoreChecksum(image);
    EXPECT_TRUE(ChecksumMatches(image));
    EXPECT_FALSE(IsQztProduct(image));
    image[248] = 0x48;
    EXPECT_TRUE(IsQztProduct(image));
    image[248] = 0x47;
    EXPECT_FALSE(IsQztProduct(image));
}

}  // namespace
}  // namespace qzt
