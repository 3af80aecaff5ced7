#pragma once
// The QZT unit's 256-byte memory: which bytes hold what. Every place that
// means one of these blocks or bytes uses its name; where each form field
// lives is the field table's business (config/ImageFields.h).
//
//   0-13     bytes 0-1 and the six radio codes (2-13), changed only through
//            Change Radio Codes
//   14-224   the settings the form edits, the daylight-saving block, and the
//            checksum in 224
//   231-237  the clock block: the unit's most recent date and time
//   240-255  product information, written at the factory
// Bytes 225-230 and 238-239 are unused: never written, never compared.

#include <cstddef>
#include <cstdint>

namespace qzt {

inline constexpr std::size_t kImageSize = 256;

// `count` bytes from `first` on.
struct ByteRange {
    std::uint8_t first;
    std::uint8_t count;
    constexpr std::size_t Last() const { return std::size_t{first} + count - 1; }
    constexpr std::size_t End() const { return std::size_t{first} + count; }
    constexpr bool Contains(std::size_t offset) const { return offset >= first && offset < End(); }
};

inline constexpr ByteRange kRadioCodeBlock{0, 14};
inline constexpr ByteRange kRadioCodes{2, 12};  // six codes of two bytes each
inline constexpr ByteRange kSettings{14, 211};
inline constexpr std::size_t kChecksumOffset = 224;

// Schedule on/off: the unit's clock means something only while it is 1.
inline constexpr std::uint8_t kScheduleEnable = 91;

// The daylight-saving block, computed on every write to the unit: the rule's
// bias and change times, the first year of the tables, then the day of the
// year (0 = 1 January, two bytes each) of every start and every stop for 16
// years.
inline constexpr ByteRange kDstBlock{106, 70};
inline constexpr std::size_t kDstBias = kDstBlock.first;
inline constexpr std::size_t kDstStartHour = kDstBlock.first + 1;
inline constexpr std::size_t kDstStartMinute = kDstBlock.first + 2;
inline constexpr std::size_t kDstStopHour = kDstBlock.first + 3;
inline constexpr std::size_t kDstStopMinute = kDstBlock.first + 4;
inline constexpr std::size_t kDstFirstYear = kDstBlock.first + 5;  // year - 2000
inline constexpr ByteRange kDstStartDays{112, 32};
inline constexpr ByteRange kDstStopDays{144, 32};

// The clock block: year - 2000, day of the year (0 = 1 January, two bytes),
// hour, minute, second, and 1 when the bytes before it are valid.
inline constexpr ByteRange kClockBlock{231, 7};
inline constexpr std::size_t kClockYear = kClockBlock.first;
inline constexpr std::size_t kClockDayOfYear = kClockBlock.first + 1;
inline constexpr std::size_t kClockHour = kClockBlock.first + 3;
inline constexpr std::size_t kClockMinute = kClockBlock.first + 4;
inline constexpr std::size_t kClockSecond = kClockBlock.first + 5;
inline constexpr std::size_t kClockValid = kClockBlock.first + 6;

// Product information: production date (century, year, month, day in packed
// BCD), radio calibration, product type, program version (three bytes shown
// in hexadecimal) and the serial number (24 bits, most significant first).
inline constexpr ByteRange kProductInformation{240, 16};
inline constexpr ByteRange kProductionDateBytes{240, 4};
inline constexpr std::size_t kRadioCalibration = 247;
inline constexpr std::size_t kProductTypeOffset = 248;
inline constexpr ByteRange kProgramVersionBytes{249, 3};
inline constexpr ByteRange kSerialNumberBytes{253, 3};

// The blocks follow each other in this order without overlapping.
static_assert(kRadioCodes.End() == kRadioCodeBlock.End() &&
              kRadioCodeBlock.End() == kSettings.first);
static_assert(kSettings.Last() == kChecksumOffset && kScheduleEnable < kDstBlock.first &&
              kDstBlock.End() <= kChecksumOffset);
static_assert(kDstFirstYear + 1 == kDstStartDays.first &&
              kDstStartDays.End() == kDstStopDays.first && kDstStopDays.End() == kDstBlock.End());
static_assert(kChecksumOffset < kClockBlock.first &&
              kClockBlock.End() <= kProductInformation.first);
static_assert(kProductionDateBytes.first == kProductInformation.first &&
              kProductionDateBytes.End() <= kRadioCalibration &&
              kProductTypeOffset == kRadioCalibration + 1 &&
              kProgramVersionBytes.first == kProductTypeOffset + 1 &&
              kSerialNumberBytes.End() == kProductInformation.End() &&
              kProductInformation.End() == kImageSize);

}  // namespace qzt
