#include <gtest/gtest.h>

#include "CodecFixture.h"
#include "config/TimeSchedule.h"

namespace qzt {
namespace {

using test::CodecFixture;
using test::kNoFailure;
using test::UnitImage;

TEST(TimeSchedule, ActivationAndInactivationMustBeAnHourApart) {
    const struct {
        bool enabled;
        const char* times[4];  // activation hh, mm, inactivation hh, mm
        int result;
        const char* fieldName;
        const char* valueText;
    } cases[] = {
        {true,
         {"22", "30", "23", "29"},
         92,
         "Time Schedule",
         "The time between activation and inactivation must be at least 1 hour"},
        {true, {"22", "30", "23", "30"}, kNoFailure, "", ""},
        {true,
         {"23", "30", "00", "29"},
         92,
         "Time Schedule",
         "The time between activation and inactivation must be at least 1 hour"},
        {true, {"23", "30", "00", "30"}, kNoFailure, "", ""},
        {true,
         {"00", "00", "23", "01"},
         92,
         "Time Schedule",
         "The time between activation and inactivation must be at least 1 hour"},
        {true, {"00", "00", "23", "00"}, kNoFailure, "", ""},
        {true,
         {"08", "15", "08", "15"},
         92,
         "Time Schedule",
         "The time between activation and inactivation must be at least 1 hour"},
        {false, {"08", "15", "08", "15"}, kNoFailure, "", ""},
        {false, {"24", "00", "07", "00"}, 92, "Activation time", "Time must be 00:00 to 23:59"},
        {false, {"22", "60", "07", "00"}, 92, "Activation time", "Time must be 00:00 to 23:59"},
        {false, {"22", "00", "07", "60"}, 94, "Inactinavtion time", "Time must be 00:00 to 23:59"},
        {true, {"24", "00", "24", "00"}, 92, "Activation time", "Time must be 00:00 to 23:59"},
        {true,
         {"", "", "", "x"},
         92,
         "Time Schedule",  // no numbers count as 00:00
         "The time between activation and inactivation must be at least 1 hour"},
        {false, {"256", "00", "07", "00"}, 92, "Activation time", "Time must be 00:00 to 23:59"},
        {false, {"-1", "00", "07", "00"}, 92, "Activation time", "Time must be 00:00 to 23:59"},
    };
    for (const auto& c : cases) {
        CodecFixture f;
        ConfigImage image = UnitImage();
        ASSERT_EQ(f.Decode(image), kNoFailure);
        f.form.cbEnableTimeSchedule = c.enabled;
        f.form.edtActivationHour = c.times[0];
        f.form.edtActivationMinute = c.times[1];
        f.form.edtInactivationHour = c.times[2];
        f.form.edtInactivationMinute = c.times[3];
        const std::string trace =
            std::string(c.times[0]) + ":" + c.times[1] + "-" + c.times[2] + ":" + c.times[3];
        EXPECT_EQ(f.Encode(image), c.result) << trace;
        EXPECT_EQ(f.fieldName, c.fieldName) << trace;
        EXPECT_EQ(f.valueText, c.valueText) << trace;
        EXPECT_EQ(image[91], c.enabled ? 1 : 0);
    }
}

// The one-hour rule only speaks when nothing was refused before it; the range
// checks and the region always do.
TEST(TimeSchedule, OneHourRuleYieldsToEarlierFailures) {
    CodecFixture f;
    ConfigImage image = UnitImage();
    ASSERT_EQ(f.Decode(image), kNoFailure);
    f.form.cbEnableTimeSchedule = true;
    f.form.edtActivationHour = f.form.edtInactivationHour = "08";
    f.form.edtInPassageDelay = "3";
    EXPECT_EQ(f.Encode(image), 49);
    f.form.edtInactivationMinute = "99";
    EXPECT_EQ(f.Encode(image), 94);
    EXPECT_EQ(image[95], 99);  // stored as entered, refused all the same
}

TEST(TimeSchedule, RuleDayOfYear) {
    const struct {
        int year, week, dayOfWeek, month, expected;
    } cases[] = {
        {2026, 5, 1, 3, 88},    // last Sunday of March: 29 March
        {2026, 5, 1, 10, 298},  // last Sunday of October: 25 October
        {2026, 2, 1, 3, 67},    // second Sunday of March: 8 March
        {2027, 5, 1, 3, 87},    // 28 March
        {2026, 1, 1, 11, 305},  // first Sunday of November: 1 November
        {2024, 5, 5, 2, 60},    // last Thursday of February 2024: 29 February
        {2024, 5, 6, 2, 54},    // Friday occurs four times: the 4th, 23 February
        {2026, 4, 7, 1, 24},    // fourth Saturday of January: 24 January
        {2026, 0, 1, 3, 60},    // week 0 is the first: 1 March
        {2026, 9, 1, 3, 60},    // so is any other week
        {2024, 5, 3, 12, 366},  // last Tuesday of 2024: 31 December
        {2026, 5, 1, 13, 0},    // no such month
        {2026, 5, 0, 3, 0},     // no such weekday
        {2026, 5, 8, 3, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RuleDayOfYear(c.year, c.week, c.dayOfWeek, c.month), c.expected)
            << c.year << " " << c.week << " " << c.dayOfWeek << " " << c.month;
    }
}

TEST(TimeSchedule, ReadDstRule) {
    const DstRule centralEurope{5, 1, 3, 2, 0, 5, 1, 10, 3, 0, 60};
    const struct {
        const char* text;
        bool ok;
    } cases[] = {
        {"5,1,3,2,0,5,1,10,3,0,60", true},
        {" 5, 1,\t3, 2, 0, 5, 1, 10, 3, 0, 60", true},  // blanks before numbers
        {"5,1,3,2,0,5,1,10,3,0,60 and more", true},     // trailing text ignored
        {"5,1,3,2,0,5,1,10,3,0,60,7", true},
        {"5 ,1,3,2,0,5,1,10,3,0,60", false},  // a blank before a comma
        {"5,1,3,2,0,5,1,10,3,0", false},      // ten numbers
        {"5,1,3,2,0,5,1,10,3,0,", false},
        {"", false},
        {"5;1;3;2;0;5;1;10;3;0;60", false},
        {"5,1,3,2,0,5,1,10,3,0,99999999999", false},  // not an int
        {"6,1,3,2,0,5,1,10,3,0,60", false},           // week 6
        {"-1,1,3,2,0,5,1,10,3,0,60", false},
        {"5,0,3,2,0,5,1,10,3,0,60", false},                                // weekday 0
        {"5,1,3,2,0,5,8,10,3,0,60", false},                                // weekday 8
        {"5,1,13,2,0,5,1,10,3,0,60", false},                               // month 13
        {"5,1,3,24,0,5,1,10,3,0,60", false},                               // hour 24
        {"5,1,3,2,0,5,1,10,3,60,60", false},                               // minute 60
        {"5,1,3,2,0,5,1,10,3,0,00000000000000000000000000000060", false},  // 52 characters
    };
    for (const auto& c : cases) {
        const std::optional<DstRule> rule = ReadDstRule(c.text);
        EXPECT_EQ(rule.has_value(), c.ok) << c.text;
        EXPECT_EQ(rule.value_or(DstRule{}), c.ok ? centralEurope : DstRule{}) << c.text;
    }
    const std::optional<DstRule> rule = ReadDstRule("0,1,10,2,0,1,1,4,3,0,-30");
    ASSERT_TRUE(rule);
    EXPECT_EQ(rule->StartWeek, 0);
    EXPECT_EQ(rule->Bias, -30);
}

TEST(TimeSchedule, WeekNames) {
    const char* expected[] = {"", "First", "Second", "Third", "Fourth", "Last", ""};
    for (int week = 0; week <= 6; ++week) {
        EXPECT_EQ(WeekName(week), expected[week]);
    }
    EXPECT_EQ(WeekName(-1), "");
}

// Written at 23:59:58 on 31 December 2025 the unit gets 00:00:01 on
// 1 January 2026 and tables that begin with 2026.
TEST(TimeSchedule, WriteToTheUnitAtTheTurnOfTheYear) {
    CodecFixture f;
    ConfigImage image = UnitImage();
    ASSERT_EQ(f.Decode(image), kNoFailure);
    ASSERT_EQ(f.Encode(image, ConfigMode::Written), kNoFailure);
    const std::uint8_t clock[] = {26, 0, 0, 0, 0, 1, 1};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(image[231 + i], clock[i]) << "byte " << 231 + i;
    }
    const std::uint8_t rule[] = {60, 2, 0, 3, 0, 26};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(image[106 + i], rule[i]) << "byte " << 106 + i;
    }
    EXPECT_EQ(image[112], 0x00);  // 2026: day 88, stored as 87
    EXPECT_EQ(image[113], 0x57);
    EXPECT_EQ(Get16(image, 114), 86u);   // 2027: 28 March
    EXPECT_EQ(Get16(image, 144), 297u);  // 2026: 25 October
    for (int i = 0; i < 16; ++i) {
        const int year = 2026 + i;
        EXPECT_EQ(Get16(image, 112 + 2 * i), unsigned(RuleDayOfYear(year, 5, 1, 3) - 1));
        EXPECT_EQ(Get16(image, 144 + 2 * i), unsigned(RuleDayOfYear(year, 5, 1, 10) - 1));
    }
}

TEST(TimeSchedule, RegionWithoutRuleAndRegionZero) {
    const struct {
        int region;  // list position = code
        bool tablesCleared;
    } cases[] = {
        {0, true},   // no daylight saving
        {6, false},  // a rule of ten numbers: old tables stay
        {2, false},  // no rule key at all
    };
    for (const auto& c : cases) {
        CodecFixture f;
        ConfigImage image = UnitImage();
        ASSERT_EQ(f.Decode(image), kNoFailure);
        for (std::size_t i = 106; i < 176; ++i) {
            image[i] = 0xA5;
        }
        f.form.cbbxDaylightSavingTimeRegion = c.region;
        ASSERT_EQ(f.Encode(image, ConfigMode::Written), kNoFailure);
        for (std::size_t i = 106; i <= 110; ++i) {
            EXPECT_EQ(image[i], 0) << c.region << " byte " << i;
        }
        EXPECT_EQ(image[111], 26);
        for (std::size_t i = 112; i < 176; ++i) {
            EXPECT_EQ(image[i], c.tablesCleared ? 0 : 0xA5) << c.region << " byte " << i;
        }
        EXPECT_EQ(image[105], c.region);
    }
}

TEST(TimeSchedule, ViewSettingsText) {
    CodecFixture f;
    const CodecContext context = f.Context();
    EXPECT_EQ(DaylightSavingSettingsText(1, context),
              "Daylight Saving time:\nStart Date/Time: Last Sunday of March at 02:00:00\n"
              "Stop Date/Time: Last Sunday of October at 03:00:00\nDaylight Bias: 60 minutes.");
    EXPECT_EQ(DaylightSavingSettingsText(4, context),
              "Daylight Saving time:\nStart Date/Time: Second Sunday of March at 02:00:00\n"
              "Stop Date/Time: First Sunday of November at 02:00:00\nDaylight Bias: 60 minutes.");
    for (int region : {0, 2, 6}) {
        EXPECT_EQ(DaylightSavingSettingsText(region, context),
                  "No daylight saving time in selected region");
    }
    EXPECT_EQ(DaylightSavingSettingsText(-1, context), std::nullopt);
    EXPECT_EQ(DaylightSavingSettingsText(7, context), std::nullopt);
}

}  // namespace
}  // namespace qzt
