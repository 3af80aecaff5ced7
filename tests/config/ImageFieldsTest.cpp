#include <gtest/gtest.h>

#include "CodecFixture.h"
#include "config/ImageFields.h"
#include "text/HexText.h"

namespace qzt {
namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::year;
using std::chrono::year_month_day;

TEST(ImageText, RadioCodesRoundTripAsFourHexDigits) {
    const struct {
        std::uint8_t first, second;
        const char* text;
    } shown[] = {
        {0x00, 0x00, ""},
        {0x1A, 0x2B, "1A2B"},
        {0x00, 0x01, "0001"},
        {0xFF, 0xFF, "FFFF"},
    };
    for (const auto& c : shown) {
        ConfigImage image{};
        image[4] = c.first;
        image[5] = c.second;
        EXPECT_EQ(CodeToHexText(image, 4), c.text);
        ConfigImage stored{};
        stored.fill(0x77);
        HexTextToCode(c.text, stored, 4);
        EXPECT_EQ(stored[4], c.first) << c.text;
        EXPECT_EQ(stored[5], c.second) << c.text;
        EXPECT_EQ(stored[3], 0x77);
        EXPECT_EQ(stored[6], 0x77);
    }
}

TEST(ImageText, HexTextToCodeCountsOddCharactersAsZero) {
    const struct {
        const char* text;
        std::uint8_t first, second;
    } cases[] = {
        {"1a2b", 0x1A, 0x2B},   // lower case
        {"12", 0x12, 0x00},     // missing characters
        {"ABC", 0xAB, 0xC0},    //
        {"G1Z2", 0x01, 0x02},   // not hexadecimal
        {"12345", 0x12, 0x34},  // only the first four count
        {"\xC3\xA9"
         "12",
         0x01, 0x20},  // a two-byte character is one character
    };
    for (const auto& c : cases) {
        ConfigImage image{};
        HexTextToCode(c.text, image, 10);
        EXPECT_EQ(image[10], c.first) << c.text;
        EXPECT_EQ(image[11], c.second) << c.text;
    }
}

TEST(ImageText, BcdAndHexBytes) {
    const struct {
        std::uint8_t byte;
        int bcd;
        const char* hex;
    } cases[] = {
        {0x00, 0, "00"}, {0x29, 29, "29"}, {0x99, 99, "99"}, {0x9A, 0, "9A"},
        {0xA0, 0, "A0"}, {0x1A, 0, "1A"},  {0x05, 5, "05"},  {0xFF, 0, "FF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BcdToNumber(c.byte), c.bcd) << int(c.byte);
        EXPECT_EQ(ByteToHex(c.byte), c.hex);
    }
}

TEST(ImageText, ProductInformation) {
    ConfigImage image = test::UnitImage();
    EXPECT_EQ(ProgramVersionText(image), "02.1A-05");
    EXPECT_EQ(SerialNumberText(image), "66051");
    image[253] = image[254] = image[255] = 0xFF;
    EXPECT_EQ(SerialNumberText(image), "16777215");
    ConfigImage zero{};
    EXPECT_EQ(ProgramVersionText(zero), "00.00-00");
    EXPECT_EQ(SerialNumberText(zero), "0");
}

TEST(ImageText, ProductionDateOnlyForRealDates) {
    const struct {
        std::uint8_t bytes[4];
        std::optional<year_month_day> date;
    } cases[] = {
        {{0x20, 0x24, 0x02, 0x29}, year{2024} / 2 / 29},
        {{0x20, 0x24, 0x02, 0x30}, std::nullopt},  // 30 February
        {{0x20, 0x23, 0x02, 0x29}, std::nullopt},  // not a leap year
        {{0x20, 0x00, 0x01, 0x01}, year{2000} / 1 / 1},
        {{0x19, 0x99, 0x12, 0x31}, std::nullopt},  // before 2000
        {{0x20, 0x24, 0x13, 0x01}, std::nullopt},  // month 13
        {{0x20, 0x24, 0x00, 0x01}, std::nullopt},  // month 0
        {{0x20, 0x24, 0x1A, 0x01}, std::nullopt},  // a nibble above 9 counts as 0
        {{0x20, 0x24, 0x12, 0x00}, std::nullopt},
        {{0x00, 0x00, 0x00, 0x00}, std::nullopt},
    };
    for (const auto& c : cases) {
        ConfigImage image{};
        std::copy(std::begin(c.bytes), std::end(c.bytes), image.begin() + 240);
        EXPECT_EQ(ProductionDate(image), c.date) << int(c.bytes[1]) << "-" << int(c.bytes[2]);
    }
}

TEST(ImageText, UnitClockOnlyForRealMoments) {
    using namespace std::chrono;
    const struct {
        std::uint8_t bytes[6];  // 231-236
        std::optional<local_seconds> moment;
    } cases[] = {
        {{26, 0, 0, 0, 0, 1}, local_days{year{2026} / 1 / 1} + seconds{1}},
        {{24, 1, 109, 23, 59, 59},  // day index 365 of a leap year: 31 December
         local_days{year{2024} / 12 / 31} + hours{23} + minutes{59} + seconds{59}},
        {{25, 1, 109, 0, 0, 0}, std::nullopt},  // 2025 has no day index 365
        {{25, 0, 10, 24, 0, 0}, std::nullopt},  // hour 24
        {{25, 0, 10, 0, 60, 0}, std::nullopt},
        {{25, 0, 10, 0, 0, 60}, std::nullopt},
        {{25, 0xFF, 0xFF, 0, 0, 0}, std::nullopt},
    };
    for (const auto& c : cases) {
        ConfigImage image{};
        std::copy(std::begin(c.bytes), std::end(c.bytes), image.begin() + 231);
        EXPECT_EQ(UnitClock(image), c.moment) << int(c.bytes[0]);
    }
}

// The form owns exactly the bytes of its fields; everything else belongs to
// the unit or to no one and must be carried unchanged.
TEST(ImageFields, FormOwnsItsBytesAndNoOthers) {
    int owned = 0;
    for (std::size_t i = 0; i < kImageSize; ++i) {
        owned += IsFormFieldByte(i) ? 1 : 0;
    }
    EXPECT_EQ(owned, 43);
    for (std::size_t i : {0,  1,  14, 16,  22,  32,  39,  47,  56,  63,  66,  79,
                          83, 90, 97, 104, 106, 175, 176, 223, 224, 231, 237, 248}) {
        EXPECT_FALSE(IsFormFieldByte(i)) << i;
    }
    ASSERT_NE(FindImageField(2), nullptr);
    EXPECT_EQ(FieldName(*FindImageField(2)), "Allow user out of pad (bed/chair) : Radio Code");
    EXPECT_EQ(FieldName(*FindImageField(37)), "Out of pad (bed/chair) : Alarm Type");
    EXPECT_EQ(FieldName(*FindImageField(64)), "Radio test alarm period (h, 0=OFF)");
    EXPECT_EQ(FindImageField(3), nullptr);
}

}  // namespace
}  // namespace qzt
