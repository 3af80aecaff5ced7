#include "config/TimeSchedule.h"

#include <array>
#include <climits>
#include <cstdio>

#include "config/ImageFields.h"
#include "text/Text.h"

namespace qzt {
namespace {

using namespace std::chrono;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "%d" of the rule pattern: blanks, an optional sign, at least one digit.
// A number that does not fit an int is no number.
bool ReadInteger(std::string_view text, std::size_t& position, int& value) {
    while (position < text.size() && IsBlank(text[position])) {
        ++position;
    }
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    const std::size_t firstDigit = position;
    long long magnitude = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
        magnitude = 10 * magnitude + (text[position] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) {
            return false;
        }
        ++position;
    }
    if (position == firstDigit) {
        return false;
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT_MAX) {
        return false;
    }
    value = static_cast<int>(signedValue);
    return true;
}

bool Within(int value, int low, int high) {
    return value >= low && value <= high;
}

// The numbers a date and a time can be computed from. The week allows 0,
// which the settings file uses for "the first" without a name.
bool ChangeIsValid(int week, int dayOfWeek, int month, int hour, int minute) {
    return Within(week, 0, 5) && Within(dayOfWeek, 1, 7) && Within(month, 1, 12) &&
           Within(hour, 0, 23) && Within(minute, 0, 59);
}

std::string TimeText(int hour, int minute, int second) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    return text;
}

// "Last Sunday of March at 02:00:00": the week's name, then the moment's full
// weekday and month names and its time.
std::string ChangeText(int year, int week, int dayOfWeek, int month, int hour, int minute,
                       const FormLocale& locale) {
    const int dayOfYear = RuleDayOfYear(year, week, dayOfWeek, month);
    const sys_days date = sys_days{std::chrono::year{year} / January / 1} + days{dayOfYear - 1};
    const year_month_day ymd{date};
    return TextF(txt::RuleMomentFormat, WeekName(week), locale.WeekdayName(weekday{date}),
                 locale.MonthName(ymd.month()), TimeText(hour, minute, 0));
}

std::uint8_t Low8(int value) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFF);
}

constexpr int kTableYears = kDstStartDays.count / 2;

}  // namespace

std::optional<DstRule> ReadDstRule(std::string_view text) {
    if (text.size() > kMaxDstRuleLength) {
        return std::nullopt;
    }
    std::array<int, 11> numbers{};
    std::size_t position = 0;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) {
            if (position >= text.size() || text[position] != ',') {
                return std::nullopt;
            }
            ++position;
        }
        if (!ReadInteger(text, position, numbers[i])) {
            return std::nullopt;
        }
    }
    const DstRule read{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5],
                       numbers[6], numbers[7], numbers[8], numbers[9], numbers[10]};
    if (!ChangeIsValid(read.StartWeek, read.StartDayOfWeek, read.StartMonth, read.StartHour,
                       read.StartMinute) ||
        !ChangeIsValid(read.StopWeek, read.StopDayOfWeek, read.StopMonth, read.StopHour,
                       read.StopMinute)) {
        return std::nullopt;
    }
    return read;
}

int RuleDayOfYear(int yearNumber, int week, int dayOfWeek, int monthNumber) {
    const std::chrono::year y{yearNumber};
    if (!y.ok() || !Within(monthNumber, 1, 12) || !Within(dayOfWeek, 1, 7)) {
        return 0;
    }
    const year_month ym{y, month{static_cast<unsigned>(monthNumber)}};
    const weekday wd{static_cast<unsigned>(dayOfWeek - 1)};  // 0 is Sunday
    sys_days date;
    if (week >= 2 && week <= 4) {
        date = sys_days{ym / wd[static_cast<unsigned>(week)]};
    } else if (week == 5) {
        // "Last": the fifth occurrence when the month has one, else the fourth.
        date = sys_days{ym / wd[last]};
    } else {
        date = sys_days{ym / wd[1]};
    }
    return static_cast<int>((date - sys_days{y / January / 1}).count()) + 1;
}

std::string WeekName(int week) {
    static constexpr int kNames[] = {txt::WeekFirst, txt::WeekSecond, txt::WeekThird,
                                     txt::WeekFourth, txt::WeekLast};
    if (week < 1 || week > 5) {
        return {};
    }
    return Text(kNames[week - 1]);
}

std::optional<FieldFault> CheckTimeRange(int activationHour, int activationMinute,
                                         int inactivationHour, int inactivationMinute) {
    if (!Within(activationHour, 0, 23) || !Within(activationMinute, 0, 59)) {
        return FieldFault{FieldOffset("edtActivationHour"), Text(txt::ActivationTime),
                          Text(txt::TimeOutOfRange)};
    }
    if (!Within(inactivationHour, 0, 23) || !Within(inactivationMinute, 0, 59)) {
        return FieldFault{FieldOffset("edtInactivationHour"), Text(txt::InactivationTime),
                          Text(txt::TimeOutOfRange)};
    }
    return std::nullopt;
}

std::optional<FieldFault> CheckScheduleLength(int activationHour, int activationMinute,
                                              int inactivationHour, int inactivationMinute) {
    constexpr int kDay = 24 * 60;
    const int activation = activationHour * 60 + activationMinute;
    const int inactivation = inactivationHour * 60 + inactivationMinute;
    const int gap = ((inactivation - activation) % kDay + kDay) % kDay;
    // Less than an hour apart either way round the dial, equal times too.
    if (gap < 60 || gap > kDay - 60) {
        return FieldFault{FieldOffset("edtActivationHour"), Text(txt::GroupTimeSchedule),
                          Text(txt::ScheduleTooShort)};
    }
    return std::nullopt;
}

int WriteClockBlock(std::span<std::uint8_t, kImageSize> image, local_seconds now) {
    const local_seconds moment = now + seconds{3};
    const local_days day = floor<days>(moment);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> time{moment - day};
    const int yearNumber = static_cast<int>(ymd.year());
    image[kClockYear] = Low8(yearNumber - 2000);
    Put16(image, kClockDayOfYear,
          static_cast<unsigned>((day - local_days{ymd.year() / January / 1}).count()));
    image[kClockHour] = static_cast<std::uint8_t>(time.hours().count());
    image[kClockMinute] = static_cast<std::uint8_t>(time.minutes().count());
    image[kClockSecond] = static_cast<std::uint8_t>(time.seconds().count());
    image[kClockValid] = 1;
    return yearNumber;
}

void WriteDstTables(std::span<std::uint8_t, kImageSize> image, int year, int regionCode,
                    const CodecContext& context) {
    DstRule rule;
    if (regionCode == 0) {
        for (std::size_t i = kDstStartDays.first; i < kDstStopDays.End(); ++i) {
            image[i] = 0;
        }
    } else if (auto read = ReadDstRule(context.DstRuleText(regionCode))) {
        rule = *read;
        for (int i = 0; i < kTableYears; ++i) {
            const auto entry = static_cast<std::size_t>(2 * i);
            Put16(image, kDstStartDays.first + entry,
                  static_cast<unsigned>(RuleDayOfYear(year + i, rule.StartWeek, rule.StartDayOfWeek,
                                                      rule.StartMonth) -
                                        1));
            Put16(image, kDstStopDays.first + entry,
                  static_cast<unsigned>(
                      RuleDayOfYear(year + i, rule.StopWeek, rule.StopDayOfWeek, rule.StopMonth) -
                      1));
        }
    }
    // Without a rule these are all zero; the day tables then keep what the
    // image held, and the unit sees a bias of 0.
    image[kDstBias] = Low8(rule.Bias);
    image[kDstStartHour] = Low8(rule.StartHour);
    image[kDstStartMinute] = Low8(rule.StartMinute);
    image[kDstStopHour] = Low8(rule.StopHour);
    image[kDstStopMinute] = Low8(rule.StopMinute);
    image[kDstFirstYear] = Low8(year - 2000);
}

std::optional<std::string> DaylightSavingSettingsText(int selection, const CodecContext& context) {
    const ValueList& regions = context.List(DropDown::DaylightSavingTimeRegion);
    if (selection < 0 || selection >= regions.Count()) {
        return std::nullopt;
    }
    const int code = regions.CodeAt(selection);
    const auto read = code == 0 ? std::nullopt : ReadDstRule(context.DstRuleText(code));
    if (!read) {
        return Text(txt::NoDaylightSaving);
    }
    const DstRule& rule = *read;
    const int yearNow = static_cast<int>(year_month_day{floor<days>(context.Now())}.year());
    const FormLocale& locale = context.Locale();
    return TextF(txt::DaylightSavingSettings,
                 ChangeText(yearNow, rule.StartWeek, rule.StartDayOfWeek, rule.StartMonth,
                            rule.StartHour, rule.StartMinute, locale),
                 ChangeText(yearNow, rule.StopWeek, rule.StopDayOfWeek, rule.StopMonth,
                            rule.StopHour, rule.StopMinute, locale),
                 rule.Bias);
}

}  // namespace qzt
