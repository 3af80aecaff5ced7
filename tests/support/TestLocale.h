#pragma once
// A locale and a clock for tests: English names, a long short-date format
// ("29 Feb 2024", eleven characters) and a comma as decimal separator, and
// the moment just before a new year.

#include <chrono>
#include <string>

#include "config/CodecContext.h"

namespace qzt::test {

class TestLocale : public FormLocale {
  public:
    std::string ShortDate(std::chrono::year_month_day date) const override {
        const std::string month = MonthName(date.month()).substr(0, 3);
        return std::to_string(static_cast<unsigned>(date.day())) + " " + month + " " +
               std::to_string(static_cast<int>(date.year()));
    }
    std::string WeekdayName(std::chrono::weekday weekday) const override {
        return plain_.WeekdayName(weekday);
    }
    std::string MonthName(std::chrono::month month) const override {
        return plain_.MonthName(month);
    }
    char32_t DecimalSeparator() const override { return U','; }

  private:
    PlainLocale plain_;
};

// 31 December 2025, 23:59:58: the clock block's 3 seconds cross into 2026.
inline std::chrono::local_seconds NewYearsEveLateNight() {
    using namespace std::chrono;
    return local_days{year{2025} / December / 31} + hours{23} + minutes{59} + seconds{58};
}

}  // namespace qzt::test
