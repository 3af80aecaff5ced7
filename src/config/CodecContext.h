#pragma once
// What decoding and encoding need from outside the image and the form: the
// drop-downs' value lists, the user's locale, the computer's clock, the
// daylight-saving rules of the settings file and the window's message loop.
// The codec itself does no I/O; its callers fill this in (tests pin it).

#include <array>
#include <chrono>
#include <functional>
#include <string>

#include "config/FormModel.h"
#include "config/ValueList.h"

namespace qzt {

// Date texts and names as the user's system shows them.
class FormLocale {
  public:
    virtual ~FormLocale() = default;
    // The system's short date format.
    virtual std::string ShortDate(std::chrono::year_month_day date) const = 0;
    // Full names: "Sunday", "March" in an English locale.
    virtual std::string WeekdayName(std::chrono::weekday weekday) const = 0;
    virtual std::string MonthName(std::chrono::month month) const = 0;
    // The character that separates the decimals of a number.
    virtual char32_t DecimalSeparator() const = 0;
};

// The names and formats of the C locale: ISO dates, English names, a point.
// For callers without a locale of their own.
class PlainLocale : public FormLocale {
  public:
    std::string ShortDate(std::chrono::year_month_day date) const override;
    std::string WeekdayName(std::chrono::weekday weekday) const override;
    std::string MonthName(std::chrono::month month) const override;
    char32_t DecimalSeparator() const override { return U'.'; }
};

struct CodecContext {
    // The list behind each drop-down; null counts as an empty list.
    std::array<const ValueList*, kDropDownCount> lists{};
    // Null means PlainLocale.
    const FormLocale* locale = nullptr;
    // The computer's local date and time now.
    std::function<std::chrono::local_seconds()> now;
    // The daylight-saving rule text of a region code (the settings file's
    // key <code>TZ); empty when there is none.
    std::function<std::string(int regionCode)> dstRuleText;
    // Lets the window run its pending messages once.
    std::function<void()> processPendingMessages;

    const ValueList& List(DropDown dropDown) const;
    const FormLocale& Locale() const;
    std::chrono::local_seconds Now() const;
    std::string DstRuleText(int regionCode) const;
};

}  // namespace qzt
