#include "config/ImageFields.h"

#include <algorithm>
#include <cstdio>

#include "text/HexText.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The bytes the form owns, as the unit's memory map gives them: radio codes
// 2-13, send-alarm flags 17-21, alarm types and inactivity limit 33-38, delays
// and peek function 48-55, alarm periods 64-65, radio parameters 80-82, time
// schedule and power switch 91-96, region 105.
constexpr std::array<std::uint8_t, 43> kExpectedFormBytes = {
    2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 17, 18, 19, 20, 21, 33, 34, 35, 36, 37,
    38, 48, 49, 50, 51, 52, 53, 54, 55, 64, 65, 80, 81, 82, 91, 92, 93, 94, 95, 96, 105};

constexpr std::array<bool, kImageSize> FormByteMap() {
    std::array<bool, kImageSize> map{};
    for (const ImageField& field : kImageFields) {
        for (std::size_t i = 0; i < field.width; ++i) {
            map[field.offset + i] = true;
        }
    }
    return map;
}
constexpr std::array<bool, kImageSize> kFormByteMap = FormByteMap();

constexpr bool FieldsFitAndDoNotOverlap() {
    std::array<int, kImageSize> owners{};
    for (const ImageField& field : kImageFields) {
        if (field.width < 1 || field.width > 2 || field.offset + field.width > kImageSize) {
            return false;
        }
        for (std::size_t i = 0; i < field.width; ++i) {
            if (++owners[field.offset + i] > 1) {
                return false;
            }
        }
    }
    return true;
}

constexpr bool OwnsExactlyTheFormBytes() {
    std::array<bool, kImageSize> expected{};
    for (std::uint8_t b : kExpectedFormBytes) {
        expected[b] = true;
    }
    return expected == kFormByteMap;
}

constexpr bool StaysOutOfTheFixedBlocks() {
    for (std::size_t i = 0; i < kImageSize; ++i) {
        if (kFormByteMap[i] && (kDstBlock.Contains(i) || kClockBlock.Contains(i) ||
                                kProductInformation.Contains(i) || i == kChecksumOffset)) {
            return false;
        }
    }
    return true;
}

constexpr ControlKind KindFor(FieldEncoding encoding) {
    switch (encoding) {
        case FieldEncoding::Flag:
        case FieldEncoding::InvertedFlag:
            return ControlKind::CheckBox;
        case FieldEncoding::ListCode:
            return ControlKind::DropDown;
        default:
            return ControlKind::Edit;
    }
}

constexpr bool ControlsExistWithTheirKind() {
    for (const ImageField& field : kImageFields) {
        const int index = FormControlIndex(field.control);
        if (index < 0 ||
            kFormControls[static_cast<std::size_t>(index)].kind != KindFor(field.encoding)) {
            return false;
        }
    }
    return true;
}

constexpr bool LimitsFitTheBytes() {
    for (const ImageField& field : kImageFields) {
        if (field.encoding == FieldEncoding::Number &&
            (field.minimum < 0 || field.maximum >= (1 << (8 * field.width)))) {
            return false;
        }
    }
    return true;
}

static_assert(FieldsFitAndDoNotOverlap());
static_assert(OwnsExactlyTheFormBytes());
static_assert(StaysOutOfTheFixedBlocks());
static_assert(ControlsExistWithTheirKind());
static_assert(LimitsFitTheBytes());

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return 0;
}

// The first code point of `text` when it is a single byte, else a value that
// no digit matches (a multi-byte character counts as a non-digit).
char CharacterAt(std::string_view text, std::size_t& position) {
    if (position >= text.size()) {
        return '\0';
    }
    const auto lead = static_cast<unsigned char>(text[position]);
    std::size_t length = 1;
    if (lead >= 0xF0) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    position = std::min(text.size(), position + length);
    return length == 1 ? static_cast<char>(lead) : '\x7F';
}

}  // namespace

bool IsFormFieldByte(std::size_t offset) {
    return offset < kImageSize && kFormByteMap[offset];
}

const ImageField* FindImageField(std::size_t offset) {
    for (const ImageField& field : kImageFields) {
        if (field.offset == offset) {
            return &field;
        }
    }
    return nullptr;
}

std::string FieldName(const ImageField& field) {
    if (field.column == 0) {
        return Text(field.name);
    }
    return Text(field.name) + Text(txt::FieldNameSeparator) + Text(field.column);
}

std::string CodeToHexText(std::span<const std::uint8_t, kImageSize> image, std::size_t offset) {
    if (image[offset] == 0 && image[offset + 1] == 0) {
        return {};
    }
    return ByteToHex(image[offset]) + ByteToHex(image[offset + 1]);
}

void HexTextToCode(std::string_view text, std::span<std::uint8_t, kImageSize> image,
                   std::size_t offset) {
    std::size_t position = 0;
    int digits[4] = {};
    for (int& digit : digits) {
        digit = HexDigit(CharacterAt(text, position));
    }
    image[offset] = static_cast<std::uint8_t>(16 * digits[0] + digits[1]);
    image[offset + 1] = static_cast<std::uint8_t>(16 * digits[2] + digits[3]);
}

int BcdToNumber(std::uint8_t value) {
    const int high = value >> 4;
    const int low = value & 0x0F;
    return (high > 9 || low > 9) ? 0 : 10 * high + low;
}

std::string ProgramVersionText(std::span<const std::uint8_t, kImageSize> image) {
    const std::size_t v = kProgramVersionBytes.first;
    return ByteToHex(image[v]) + "." + ByteToHex(image[v + 1]) + "-" + ByteToHex(image[v + 2]);
}

std::string SerialNumberText(std::span<const std::uint8_t, kImageSize> image) {
    const std::size_t s = kSerialNumberBytes.first;
    const unsigned long serial =
        (static_cast<unsigned long>(image[s]) << 16) | (unsigned{image[s + 1]} << 8) | image[s + 2];
    return std::to_string(serial);
}

std::optional<std::chrono::year_month_day> ProductionDate(
    std::span<const std::uint8_t, kImageSize> image) {
    const std::size_t d = kProductionDateBytes.first;
    const int year = 100 * BcdToNumber(image[d]) + BcdToNumber(image[d + 1]);
    const int month = BcdToNumber(image[d + 2]);
    const int day = BcdToNumber(image[d + 3]);
    const std::chrono::year_month_day date{std::chrono::year{year},
                                           std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (year < 2000 || !date.ok()) {
        return std::nullopt;
    }
    return date;
}

std::optional<std::chrono::local_seconds> UnitClock(
    std::span<const std::uint8_t, kImageSize> image) {
    using namespace std::chrono;
    const year y{2000 + image[kClockYear]};
    const unsigned dayIndex = Get16(image, kClockDayOfYear);
    const unsigned daysInYear = y.is_leap() ? 366 : 365;
    if (dayIndex >= daysInYear || image[kClockHour] > 23 || image[kClockMinute] > 59 ||
        image[kClockSecond] > 59) {
        return std::nullopt;
    }
    return local_days{y / January / 1} + days{dayIndex} + hours{image[kClockHour]} +
           minutes{image[kClockMinute]} + seconds{image[kClockSecond]};
}

std::size_t CharacterCount(std::string_view text) {
    // Continuation bytes of UTF-8 (10xxxxxx) start no character.
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace qzt
