#include <gtest/gtest.h>

#include "core/AboutInfo.h"
#include "core/FileSystem.h"
#include "core/JpegImage.h"

namespace qzt {
namespace {

using Lines = std::vector<std::string>;

const VersionInfo kFull{"QZT Programmer", "1.2.3.4", "For QZT units"};

TEST(AboutInfo, MemoLinesFromAboutIni) {
    struct Case {
        const char* name;
        const char* ini;
        Lines expected;
    };
    const Case cases[] = {
        {"no About.ini",
         "",
         {"QZT Programmer", "Version: 1.2.3.4 For QZT units", "ORVI Electronics", "", ""}},
        {"two lines, only the first present",
         "[AboutInfo]\nLines=2\nLine1=one\nWWW=w\nMAIL=m\n",
         {"QZT Programmer", "Version: 1.2.3.4 For QZT units", "", "one", "", "w", "m"}},
        {"hexadecimal count, section name in another case",
         "[Aboutinfo]\nLines=0x2\nLine1=a\nLine2=b\n",
         {"QZT Programmer", "Version: 1.2.3.4 For QZT units", "", "a", "b", "", ""}},
        {"negative count adds only the empty line",
         "[AboutInfo]\nLines=-3\nLine1=a\n",
         {"QZT Programmer", "Version: 1.2.3.4 For QZT units", "", "", ""}},
        {"not a number counts as 0",
         "[AboutInfo]\nLines=many\nLine1=a\n",
         {"QZT Programmer", "Version: 1.2.3.4 For QZT units", "ORVI Electronics", "", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AboutLines(kFull, IniSnapshot::Parse(c.ini)), c.expected) << c.name;
    }
}

TEST(AboutInfo, VersionLineWithoutEntries) {
    const IniSnapshot none = IniSnapshot::Parse("");
    EXPECT_EQ(AboutLines({std::nullopt, "1.0.0.0", std::nullopt}, none)[0], "Version: 1.0.0.0");
    EXPECT_EQ(AboutLines({"D", std::nullopt, std::nullopt}, none)[1], "Version: unknown");
}

// The lines shown are capped, so the loop over them is too: a count that is
// not capped would show here as a billion lines, not as a slow test.
TEST(AboutInfo, HugeCountIsCapped) {
    const Lines lines = AboutLines(kFull, IniSnapshot::Parse("[AboutInfo]\nLines=999999999\n"));
    EXPECT_EQ(lines.size(), 2u + 1u + static_cast<std::size_t>(kMaxAboutLines) + 2u);
}

TEST(AboutInfo, LineCountForms) {
    const struct {
        const char* value;
        long long count;
    } cases[] = {{"3", 3},     {" 12", 12},
                 {"0x1F", 31}, {"0X10", 16},
                 {"-3", -3},   {"", 0},
                 {"abc", 0},   {"7 lines", 7},
                 {"0", 0},     {"99999999999999999999999", 9223372036854775807LL}};
    for (const auto& c : cases) {
        EXPECT_EQ(AboutLineCount(c.value), c.count) << c.value;
    }
    EXPECT_EQ(KvdInfoLine(true, "KVD-USB 1.4"), "KVD info: KVD-USB 1.4");
    EXPECT_EQ(KvdInfoLine(false, "ignored"), "");
}

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
