#pragma once
// What the main window does while the user types: a key filter drops keys
// that cannot belong to a field, a maximum length limits typing and pasting,
// and a check warns as soon as a field's number is beyond its limit. These
// rules only warn; encoding refuses what is still wrong before anything is
// saved or sent.

#include <array>
#include <cstdint>
#include <string_view>

#include "config/FormModel.h"
#include "text/Result.h"
#include "text/TextIds.h"

namespace qzt {

// The characters the key filters see: typed characters, and the control
// characters of the editing keys (Backspace, Ctrl+C, Ctrl+V, Ctrl+X).
inline constexpr char32_t kBackspaceKey = 8;
inline constexpr char32_t kCopyKey = 3;    // Ctrl+C
inline constexpr char32_t kPasteKey = 22;  // Ctrl+V
inline constexpr char32_t kCutKey = 24;    // Ctrl+X

// Digits and the editing keys.
bool IsNumericKey(char32_t key);
// Digits, the locale's decimal separator and the editing keys.
bool IsFloatNumericKey(char32_t key, char32_t decimalSeparator);
// Hexadecimal digits of either case and the editing keys (radio codes).
bool IsHexKey(char32_t key);

enum class KeyFilter : std::uint8_t { Numeric, Decimal };

enum class ChangeCheck : std::uint8_t {
    // Warns above the limit; an empty text is left alone.
    Maximum,
    // Warns at 0 or less and above the limit; an empty text is left alone.
    PositiveMaximum,
    // Warns above the limit; an empty text counts as 0.
    TimePart,
};

struct EntryRule {
    std::string_view control;
    int maxLength;
    KeyFilter filter;
    ChangeCheck check;
    int limit;
    int message;
};

// The editable fields of the main window.
inline constexpr std::array<EntryRule, 13> kEntryRules = {{
    {"edtInPassageDelay", 3, KeyFilter::Numeric, ChangeCheck::Maximum, 240,
     txt::WarnInPassageDelay},
    {"edtOutPassageDelay", 3, KeyFilter::Numeric, ChangeCheck::Maximum, 240,
     txt::WarnOutPassageDelay},
    {"edtAutoResetTime", 4, KeyFilter::Numeric, ChangeCheck::Maximum, 3600, txt::WarnAutoResetTime},
    {"edtMaxTimeOutsideDoor", 4, KeyFilter::Numeric, ChangeCheck::Maximum, 3600,
     txt::WarnMaxTimeOutsideDoor},
    {"edtRadioTestAlarmPeriod", 3, KeyFilter::Numeric, ChangeCheck::Maximum, 240,
     txt::WarnRadioTestAlarmPeriod},
    {"edtBatteryAlarmPeriod", 3, KeyFilter::Numeric, ChangeCheck::Maximum, 240,
     txt::WarnBatteryAlarmPeriod},
    {"edtNumberOfShortTransmissions", 3, KeyFilter::Numeric, ChangeCheck::Maximum, 255,
     txt::WarnShortTransmissions},
    {"edtNumberOfLongTransmissions", 3, KeyFilter::Numeric, ChangeCheck::Maximum, 255,
     txt::WarnLongTransmissions},
    {"edtInactivityTimeLimit", 3, KeyFilter::Decimal, ChangeCheck::PositiveMaximum, 256,
     txt::WarnInactivityTimeLimit},
    {"edtActivationHour", 2, KeyFilter::Numeric, ChangeCheck::TimePart, 23, txt::WarnHour},
    {"edtInactivationHour", 2, KeyFilter::Numeric, ChangeCheck::TimePart, 23, txt::WarnHour},
    {"edtActivationMinute", 2, KeyFilter::Numeric, ChangeCheck::TimePart, 59, txt::WarnMinute},
    {"edtInactivationMinute", 2, KeyFilter::Numeric, ChangeCheck::TimePart, 59, txt::WarnMinute},
}};

// The edit of each rule, found at compile time.
inline constexpr auto kEntryRuleControls =
    ControlIndexes(kEntryRules, &EntryRule::control, ControlKind::Edit);

// The rule of a control, or null for a control without one.
const EntryRule* FindEntryRule(std::string_view control);

// Whether the control's new text is within its rule: refused with the
// warning the window shows. A text that is no whole number counts as 0.
Result<void> CheckChange(const EntryRule& rule, std::string_view text);

// The two radio codes a unit cannot use: "0000" and "FFFF" (either case).
bool IsReservedRadioCode(std::string_view text);

}  // namespace qzt
