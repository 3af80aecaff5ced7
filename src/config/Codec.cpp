#include "config/Codec.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "config/ImageFields.h"
#include "config/TimeSchedule.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The places in the field order where more than one field's work happens:
// after the peek function the window paints once, after the power switch the
// product information is shown, after the last schedule time come the
// schedule checks and the clock.
constexpr std::uint8_t kPeekFunctionByte = FieldOffset("cbEnablePeekFunction");
constexpr std::uint8_t kPowerSwitchByte = FieldOffset("cbIgnorePowerSwitch");
constexpr std::uint8_t kFirstScheduleByte = FieldOffset("edtActivationHour");
constexpr std::uint8_t kLastScheduleByte = FieldOffset("edtInactivationMinute");

// The control of each field, found once at compile time.
constexpr auto kFieldControls = [] {
    std::array<std::uint8_t, kImageFields.size()> indexes{};
    for (std::size_t i = 0; i < kImageFields.size(); ++i) {
        indexes[i] = static_cast<std::uint8_t>(FormControlIndex(kImageFields[i].control));
    }
    return indexes;
}();

// The value text of a refused field that has no text of its own (a radio
// code of the wrong length, a drop-down without a selection).
constexpr const char* kNoValueText = " ";

std::uint8_t Low8(long long value) {
    return static_cast<std::uint8_t>(static_cast<unsigned long long>(value) & 0xFF);
}

// An entered hour or minute within int: every number beyond the range of a
// time is refused alike, whatever its low 8 bits are.
int TimePart(long long value) {
    return static_cast<int>(std::clamp<long long>(value, -1, 9999));
}

std::string TwoDigits(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02u", value);
    return text;
}

std::string TimeOfDay(std::chrono::local_seconds moment) {
    const auto day = std::chrono::floor<std::chrono::days>(moment);
    const std::chrono::hh_mm_ss<std::chrono::seconds> time{moment - day};
    return TwoDigits(static_cast<unsigned>(time.hours().count())) + ":" +
           TwoDigits(static_cast<unsigned>(time.minutes().count()));
}

void ShowProductInformation(std::span<const std::uint8_t, kImageSize> image, FormModel& form,
                            const FormLocale& locale) {
    form.edtProgramVersion = ProgramVersionText(image);
    form.edtSerialNumber = SerialNumberText(image);
    const auto date = ProductionDate(image);
    form.edtProductionDate = date ? locale.ShortDate(*date) : Text(txt::NoValue);
    form.edtRadioCalibration = std::to_string(image[kRadioCalibration]);
}

// The unit's clock is only meaningful in an image just read from the unit
// whose schedule is on; files and the default image show no clock.
void ShowUnitClock(std::span<const std::uint8_t, kImageSize> image, ConfigMode mode,
                   FormModel& form, const FormLocale& locale) {
    if (mode == ConfigMode::Default || mode == ConfigMode::File) {
        form.edtDate = form.edtTime = Text(txt::NoValue);
        return;
    }
    if (mode != ConfigMode::Read) {
        return;
    }
    const auto clock = image[kScheduleEnable] == 1 ? UnitClock(image) : std::nullopt;
    if (!clock) {
        form.edtDate = form.edtTime = Text(txt::NoValue);
        return;
    }
    const std::chrono::year_month_day date{std::chrono::floor<std::chrono::days>(*clock)};
    form.edtDate = locale.ShortDate(date);
    form.edtTime = TimeOfDay(*clock);
}

// The list code of the selected entry, or nothing when no entry is
// selected. A code that does not fit the image's byte is refused too: it
// would store another entry's code.
std::optional<std::uint8_t> SelectedCode(const ValueList& list, int selection) {
    if (selection < 0 || selection >= list.Count()) {
        return std::nullopt;
    }
    const std::int32_t code = list.CodeAt(selection);
    if (code < 0 || code > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(code);
}

}  // namespace

std::optional<long long> ParseWholeNumber(std::string_view text) {
    constexpr long long kSaturation = 1'000'000'000'000LL;
    std::size_t position = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        position = 1;
    }
    if (position == text.size()) {
        return std::nullopt;
    }
    long long value = 0;
    for (; position < text.size(); ++position) {
        const char c = text[position];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value >= kSaturation ? kSaturation : 10 * value + (c - '0');
    }
    return negative ? -value : value;
}

std::optional<FieldFault> DecodeImage(std::span<std::uint8_t, kImageSize> image, ConfigMode mode,
                                      FormModel& form, const CodecContext& context) {
    std::optional<FieldFault> fault;
    auto fail = [&](const ImageField& field) {
        fault = FieldFault{field.offset, FieldName(field), std::to_string(image[field.offset])};
    };
    const FormLocale& locale = context.Locale();

    for (std::size_t i = 0; i < kImageFields.size(); ++i) {
        const ImageField& field = kImageFields[i];
        const FormControl& control = kFormControls[kFieldControls[i]];
        const std::uint8_t byte = image[field.offset];
        switch (field.encoding) {
            case FieldEncoding::Flag:
                form.*control.checked = byte == 1;
                break;
            case FieldEncoding::InvertedFlag:
                form.*control.checked = byte == 0;
                break;
            case FieldEncoding::RadioCode:
            case FieldEncoding::ShownRadioCode:
                form.*control.text = CodeToHexText(image, field.offset);
                break;
            case FieldEncoding::ListCode: {
                const int selection = context.List(control.list).IndexOfCode(byte);
                form.*control.selection = selection;
                if (selection < 0) {
                    fail(field);
                }
                break;
            }
            case FieldEncoding::Number: {
                const int value =
                    field.width == 2 ? static_cast<int>(Get16(image, field.offset)) : byte;
                form.*control.text = std::to_string(value);
                if (value < field.minimum || value > field.maximum) {
                    fail(field);
                }
                break;
            }
            case FieldEncoding::RadioTestPeriod:
                if (byte == 255) {
                    // An unset period: the unit treats it as off.
                    image[field.offset] = 0;
                } else if (byte > field.maximum) {
                    fail(field);
                }
                form.*control.text = std::to_string(image[field.offset]);
                break;
            case FieldEncoding::InactivityHours:
                form.*control.text = byte == 0 ? std::string("256") : std::to_string(byte);
                break;
            case FieldEncoding::ScheduleTime:
                form.*control.text = TwoDigits(byte);
                break;
        }

        if (field.offset == kPeekFunctionByte && context.processPendingMessages) {
            context.processPendingMessages();
        } else if (field.offset == kPowerSwitchByte) {
            ShowProductInformation(image, form, locale);
        } else if (field.offset == kLastScheduleByte) {
            ShowUnitClock(image, mode, form, locale);
        }
    }
    ApplyCouplings(form);
    return fault;
}

namespace {

// Encodes one field of the form into the image: the text of a value that is
// refused, or nothing. The schedule's hours and minutes go into `times` as
// entered, for the checks after them.
std::optional<std::string> EncodeField(std::span<std::uint8_t, kImageSize> image,
                                       const ImageField& field, const FormControl& control,
                                       const FormModel& form, const CodecContext& context,
                                       std::array<int, 4>& times) {
    switch (field.encoding) {
        case FieldEncoding::Flag:
            image[field.offset] = form.*control.checked ? 1 : 0;
            break;
        case FieldEncoding::InvertedFlag:
            image[field.offset] = form.*control.checked ? 0 : 1;
            break;
        case FieldEncoding::RadioCode: {
            const std::string& text = form.*control.text;
            const std::size_t length = CharacterCount(text);
            if (length == 0 || length == 4) {
                HexTextToCode(text, image, field.offset);
            } else {
                return kNoValueText;
            }
            break;
        }
        case FieldEncoding::ShownRadioCode:
            HexTextToCode(form.*control.text, image, field.offset);
            break;
        case FieldEncoding::ListCode:
            if (const auto code =
                    SelectedCode(context.List(control.list), form.*control.selection)) {
                image[field.offset] = *code;
            } else {
                return kNoValueText;
            }
            break;
        case FieldEncoding::Number:
        case FieldEncoding::RadioTestPeriod: {
            const std::string& text = form.*control.text;
            const auto number = ParseWholeNumber(text);
            if (!number || *number < field.minimum || *number > field.maximum) {
                return text;
            } else if (field.width == 2) {
                Put16(image, field.offset, static_cast<unsigned>(*number));
            } else {
                image[field.offset] = static_cast<std::uint8_t>(*number);
            }
            break;
        }
        case FieldEncoding::InactivityHours: {
            const std::string& text = form.*control.text;
            const auto hours = ParseWholeNumber(text);
            if (!hours) {
                // No number at all: the unit's factory limit of 20 hours.
                image[field.offset] = 20;
            } else if (*hours < field.minimum || *hours > field.maximum) {
                // 0 or 257 and up would be stored as another limit.
                return text;
            } else {
                image[field.offset] = *hours == 256 ? 0 : static_cast<std::uint8_t>(*hours);
            }
            break;
        }
        case FieldEncoding::ScheduleTime: {
            const long long value = ParseWholeNumber(form.*control.text).value_or(0);
            times[field.offset - kFirstScheduleByte] = TimePart(value);
            image[field.offset] = Low8(value);
            break;
        }
    }
    return std::nullopt;
}

// Once the schedule's last byte is in: its times are checked as a pair, and
// for a write to the unit the clock block and the daylight-saving tables
// follow them.
void FinishSchedule(std::span<std::uint8_t, kImageSize> image, ConfigMode mode,
                    const FormModel& form, const CodecContext& context,
                    const std::array<int, 4>& times, std::optional<FieldFault>& fault) {
    if (auto error = CheckTimeRange(times[0], times[1], times[2], times[3])) {
        fault = std::move(error);
    } else if (form.cbEnableTimeSchedule && !fault) {
        if (auto tooShort = CheckScheduleLength(times[0], times[1], times[2], times[3])) {
            fault = std::move(tooShort);
        }
    }
    if (mode == ConfigMode::Written) {
        const int year = WriteClockBlock(image, context.Now());
        const ValueList& regions = context.List(DropDown::DaylightSavingTimeRegion);
        const int selection = form.cbbxDaylightSavingTimeRegion;
        const int regionCode =
            selection >= 0 && selection < regions.Count() ? regions.CodeAt(selection) : 0;
        WriteDstTables(image, year, regionCode, context);
    }
}

}  // namespace

std::optional<FieldFault> EncodeImage(std::span<std::uint8_t, kImageSize> image, ConfigMode mode,
                                      const FormModel& form, const CodecContext& context) {
    // The last refusal wins.
    std::optional<FieldFault> fault;
    std::array<int, 4> times{};
    for (std::size_t i = 0; i < kImageFields.size(); ++i) {
        const ImageField& field = kImageFields[i];
        const FormControl& control = kFormControls[kFieldControls[i]];
        if (auto refused = EncodeField(image, field, control, form, context, times)) {
            fault = FieldFault{field.offset, FieldName(field), std::move(*refused)};
        }
        if (field.offset == kLastScheduleByte) {
            FinishSchedule(image, mode, form, context, times, fault);
        }
    }
    return fault;
}

}  // namespace qzt
