#include "config/CodecContext.h"

#include <cstdio>

namespace qzt {

std::string PlainLocale::ShortDate(std::chrono::year_month_day date) const {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

std::string PlainLocale::WeekdayName(std::chrono::weekday weekday) const {
    static constexpr const char* kNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
    return weekday.ok() ? kNames[weekday.c_encoding()] : "";
}

std::string PlainLocale::MonthName(std::chrono::month month) const {
    static constexpr const char* kNames[] = {"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
    return month.ok() ? kNames[static_cast<unsigned>(month) - 1] : "";
}

const ValueList& CodecContext::List(DropDown dropDown) const {
    static const ValueList kEmpty;
    const ValueList* list = lists[static_cast<std::size_t>(dropDown)];
    return list != nullptr ? *list : kEmpty;
}

const FormLocale& CodecContext::Locale() const {
    static const PlainLocale kPlain;
    return locale != nullptr ? *locale : kPlain;
}

std::chrono::local_seconds CodecContext::Now() const {
    return now ? now() : std::chrono::local_seconds{};
}

std::string CodecContext::DstRuleText(int regionCode) const {
    return dstRuleText ? dstRuleText(regionCode) : std::string();
}

}  // namespace qzt
