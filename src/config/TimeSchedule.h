#pragma once
// The unit's daily time schedule, its clock and its daylight-saving tables.
// The unit knows no calendar rules: it gets the day of the year of every
// change for 16 years, computed here from the rule of the selected region.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "config/CodecContext.h"
#include "config/ConfigImage.h"
#include "config/FieldFault.h"

namespace qzt {

// A region's daylight-saving rule: eleven integers in the settings file.
struct DstRule {
    int StartWeek = 0;       // 1 First ... 4 Fourth, 5 Last (0: first, unnamed)
    int StartDayOfWeek = 0;  // 1 Sunday ... 7 Saturday
    int StartMonth = 0;
    int StartHour = 0;
    int StartMinute = 0;
    int StopWeek = 0;
    int StopDayOfWeek = 0;
    int StopMonth = 0;
    int StopHour = 0;
    int StopMinute = 0;
    int Bias = 0;  // minutes

    bool operator==(const DstRule&) const = default;
};

// The longest rule text the settings file may hold.
inline constexpr std::size_t kMaxDstRuleLength = 51;

// Reads "w,d,m,h,n,w,d,m,h,n,bias": eleven decimal integers separated by
// commas, blanks allowed before each number, text after the eleventh ignored.
// A text longer than 51 characters, with fewer numbers, or with a number
// outside its range (week 0-5, weekday 1-7, month 1-12, hour 0-23, minute
// 0-59) is no rule.
std::optional<DstRule> ReadDstRule(std::string_view text);

// Day of the year (1 = 1 January) of the `week`th `dayOfWeek` (1 Sunday ...
// 7 Saturday) of `month`; week 5 is the last such day of the month, any
// week other than 2-5 the first. 0 when the weekday or month is invalid.
int RuleDayOfYear(int year, int week, int dayOfWeek, int month);

// "First" ... "Last" for weeks 1-5; empty for any other week.
std::string WeekName(int week);

// The activation and inactivation times as entered. Each hour must be 0-23
// and each minute 0-59; with the schedule enabled (and nothing refused
// earlier) the two times must be at least an hour apart on the 24-hour dial.
// A refusal names the activation or inactivation hour's byte.
std::optional<FieldFault> CheckTimeRange(int activationHour, int activationMinute,
                                         int inactivationHour, int inactivationMinute);
std::optional<FieldFault> CheckScheduleLength(int activationHour, int activationMinute,
                                              int inactivationHour, int inactivationMinute);

// Stamps the clock block with `now` plus 3 seconds (the time the write takes
// to reach the unit) and returns that moment's year.
int WriteClockBlock(std::span<std::uint8_t, kImageSize> image, std::chrono::local_seconds now);

// Writes the daylight-saving block for a region code from the year `year` on: the rule's
// bias and change times, the first year, and 16 start and stop days. Region
// code 0 clears them; a region without a readable rule clears the rule bytes
// and keeps the old day tables.
void WriteDstTables(std::span<std::uint8_t, kImageSize> image, int year, int regionCode,
                    const CodecContext& context);

// What "View settings..." shows for the region at list position `selection`
// in the current year: the rule's start, stop and bias, or that the region
// has no daylight saving. Nothing when no region is selected.
std::optional<std::string> DaylightSavingSettingsText(int selection, const CodecContext& context);

}  // namespace qzt
