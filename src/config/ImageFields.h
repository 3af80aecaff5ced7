#pragma once
// Where each form field lives in the configuration image and how its bytes
// read: one table, in the order in which decoding and encoding visit the
// fields (that order decides which failure is reported last). Also the
// conversions between bytes and the texts the form shows.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "config/ConfigImage.h"
#include "config/FormModel.h"
#include "text/TextIds.h"

namespace qzt {

enum class FieldEncoding : std::uint8_t {
    Flag,             // exactly 1 ticks the check box; written as 1 or 0
    InvertedFlag,     // exactly 0 ticks the check box; written as 0 or 1
    RadioCode,        // two bytes, four hexadecimal digits; 0x0000 is empty
    ShownRadioCode,   // as RadioCode, written back without a length check
    ListCode,         // the code of a value-list entry
    Number,           // unsigned, one or two bytes big-endian, with limits
    RadioTestPeriod,  // a number whose 255 reads as 0 (and is cleared)
    InactivityHours,  // a number whose 0 means 256
    ScheduleTime,     // hour or minute, two digits; checked as a pair
};

struct ImageField {
    std::uint8_t offset;
    std::uint8_t width;
    FieldEncoding encoding;
    int minimum;  // limits of a number field
    int maximum;
    std::string_view control;
    // The field's name in messages: the text `name`, or for the alarm
    // inputs the row caption, " : " and the column caption `column`.
    int name;
    int column = 0;
};

namespace image_fields {
constexpr ImageField Flag(std::uint8_t offset, std::string_view control) {
    return {offset, 1, FieldEncoding::Flag, 0, 1, control, 0};
}
constexpr ImageField Code(std::uint8_t offset, std::string_view control, int row) {
    return {offset, 2, FieldEncoding::RadioCode, 0, 0xFFFF, control, row, txt::RadioCode};
}
constexpr ImageField AlarmType(std::uint8_t offset, std::string_view control, int row) {
    return {offset, 1, FieldEncoding::ListCode, 0, 255, control, row, txt::AlarmType};
}
constexpr ImageField Number(std::uint8_t offset, std::uint8_t width, int minimum, int maximum,
                            std::string_view control, int name) {
    return {offset, width, FieldEncoding::Number, minimum, maximum, control, name};
}
}  // namespace image_fields

// The form fields of the image in visiting order.
inline constexpr auto kImageFields = [] {
    using namespace image_fields;
    using E = FieldEncoding;
    return std::array{
        Flag(17, "cbAllowUserSendAlarm"),
        Flag(18, "cbDoorClosedSendAlarm"),
        Flag(19, "cbDoorOpenedSendAlarm"),
        Code(2, "edtAllowUserRadioCode", txt::RowAllowUser),
        Code(4, "edtDoorClosedRadioCode", txt::RowDoorClosed),
        Code(6, "edtDoorOpenedRadioCode", txt::RowDoorOpened),
        AlarmType(33, "cbbxAllowUserAlarmType", txt::RowAllowUser),
        AlarmType(34, "cbbxDoorClosedAlarmType", txt::RowDoorClosed),
        AlarmType(35, "cbbxDoorOpenedAlarmType", txt::RowDoorOpened),
        Flag(20, "cbInputClosedSendAlarm"),
        Flag(21, "cbInputOpenedSendAlarm"),
        Code(8, "edtInputClosedRadioCode", txt::RowInputClosed),
        Code(10, "edtInputOpenedRadioCode", txt::RowInputOpened),
        AlarmType(36, "cbbxInputClosedAlarmType", txt::RowInputClosed),
        AlarmType(37, "cbbxInputOpenedAlarmType", txt::RowInputOpened),
        Number(49, 1, 7, 240, "edtInPassageDelay", txt::InPassageDelay),
        Number(48, 1, 7, 240, "edtOutPassageDelay", txt::OutPassageDelay),
        Number(50, 2, 7, 3600, "edtAutoResetTime", txt::AutoResetTime),
        Flag(52, "cbEnablePeekFunction"),
        ImageField{53, 1, E::ListCode, 0, 255, "cbbxDoorMatSensorType", txt::DoorMatSensorType},
        Number(54, 2, 0, 3600, "edtMaxTimeOutsideDoor", txt::MaxTimeOutsideDoor),
        Number(80, 1, 0, 255, "edtNumberOfShortTransmissions", txt::NumberOfShortTransmissions),
        Number(81, 1, 0, 255, "edtNumberOfLongTransmissions", txt::NumberOfLongTransmissions),
        ImageField{82, 1, E::InvertedFlag, 0, 1, "cbIgnoreReceivedAcknowledge", 0},
        ImageField{12, 2, E::ShownRadioCode, 0, 0xFFFF, "edtTechnicalRadioCode", 0},
        ImageField{64, 1, E::RadioTestPeriod, 0, 240, "edtRadioTestAlarmPeriod",
                   txt::RadioTestAlarmPeriod},
        Number(65, 1, 0, 240, "edtBatteryAlarmPeriod", txt::BatteryAlarmPeriod),
        ImageField{38, 1, E::InactivityHours, 1, 256, "edtInactivityTimeLimit",
                   txt::InactivityTimeLimit},
        Flag(96, "cbIgnorePowerSwitch"),
        Flag(kScheduleEnable, "cbEnableTimeSchedule"),
        ImageField{92, 1, E::ScheduleTime, 0, 23, "edtActivationHour", txt::ActivationTime},
        ImageField{93, 1, E::ScheduleTime, 0, 59, "edtActivationMinute", txt::ActivationTime},
        ImageField{94, 1, E::ScheduleTime, 0, 23, "edtInactivationHour", txt::InactivationTime},
        ImageField{95, 1, E::ScheduleTime, 0, 59, "edtInactivationMinute", txt::InactivationTime},
        ImageField{105, 1, E::ListCode, 0, 255, "cbbxDaylightSavingTimeRegion",
                   txt::DaylightSavingTimeRegion},
    };
}();

// The offset of the field of `control`; a control without a field does not
// compile where a constant is needed.
constexpr std::uint8_t FieldOffset(std::string_view control) {
    for (const ImageField& field : kImageFields) {
        if (field.control == control) {
            return field.offset;
        }
    }
    throw std::invalid_argument("no image field for this control");
}

// True for the bytes that encoding writes in every mode.
bool IsFormFieldByte(std::size_t offset);

// The field at this offset, or null.
const ImageField* FindImageField(std::size_t offset);

// The name of the field in messages, from the string table.
std::string FieldName(const ImageField& field);

// Two bytes, most significant first.
inline unsigned Get16(std::span<const std::uint8_t, kImageSize> image, std::size_t offset) {
    return (unsigned{image[offset]} << 8) | image[offset + 1];
}
inline void Put16(std::span<std::uint8_t, kImageSize> image, std::size_t offset, unsigned value) {
    image[offset] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    image[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

// The radio code of bytes offset and offset+1 as four upper-case hexadecimal
// digits, first byte first; empty for 0x0000.
std::string CodeToHexText(std::span<const std::uint8_t, kImageSize> image, std::size_t offset);
// Stores a radio code text: empty gives 0x0000; otherwise the first four
// characters in two pairs, each character 0-15 for a hexadecimal digit of
// either case and 0 for anything else or a missing character.
void HexTextToCode(std::string_view text, std::span<std::uint8_t, kImageSize> image,
                   std::size_t offset);
// Packed BCD: 10 x high nibble + low nibble, 0 when a nibble is above 9.
int BcdToNumber(std::uint8_t value);

// "02.1A-05" from the program version bytes.
std::string ProgramVersionText(std::span<const std::uint8_t, kImageSize> image);
// The serial number bytes as a 24-bit number in decimal.
std::string SerialNumberText(std::span<const std::uint8_t, kImageSize> image);
// The production date bytes when they form a real date from the year 2000 on.
std::optional<std::chrono::year_month_day> ProductionDate(
    std::span<const std::uint8_t, kImageSize> image);
// The unit's most recent date/time of the clock block when it is a real moment.
std::optional<std::chrono::local_seconds> UnitClock(
    std::span<const std::uint8_t, kImageSize> image);

// The number of characters of a UTF-8 text.
std::size_t CharacterCount(std::string_view text);

}  // namespace qzt
