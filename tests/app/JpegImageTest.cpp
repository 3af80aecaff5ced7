// The about box's product picture: the compiled-in JPEG decodes, and
// damaged data gives no picture rather than a crash or a huge allocation.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/JpegImage.h"
#include "core/FileSystem.h"

namespace qzt {
namespace {

std::vector<std::uint8_t> Picture() {
    const auto file =
        ReadWholeFile(std::string(QZT_SOURCE_DIR) + "/resources/picture/qzt-unit.jpg");
    EXPECT_TRUE(file.has_value());
    return file ? std::vector<std::uint8_t>(file->begin(), file->end())
                : std::vector<std::uint8_t>();
}

TEST(JpegImage, DecodesTheProductPicture) {
    const auto image = DecodeJpeg(Picture());
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 194);
    EXPECT_EQ(image->height, 306);
    EXPECT_EQ(image->pixels.size(), 194u * 306u * 3u);
}

TEST(JpegImage, DamagedDataGivesNoPicture) {
    const std::vector<std::uint8_t> good = Picture();
    ASSERT_GT(good.size(), 100u);
    std::vector<std::uint8_t> huge = good;
    // The frame header (FF C0) carries height and width: claim 60000 x 60000.
    for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = huge[i + 7] = 0xEA;
            huge[i + 6] = huge[i + 8] = 0x60;
            break;
        }
    }
    std::vector<std::uint8_t> junk(5000);
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<std::uint8_t>(i * 131 + 7);
    }
    const struct {
        const char* name;
        std::vector<std::uint8_t> data;
    } cases[] = {
        {"empty", {}},
        {"truncated", std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2)},
        {"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 20)},
        {"junk", junk},
        {"claims a huge size", huge},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(DecodeJpeg(c.data).has_value()) << c.name;
    }
}

}  // namespace
}  // namespace qzt
