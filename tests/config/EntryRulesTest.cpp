#include <gtest/gtest.h>

#include <string>

#include "config/EntryRules.h"
#include "text/Text.h"

namespace qzt {
namespace {

TEST(EntryRules, KeyFilters) {
    const struct {
        char32_t key;
        bool numeric, decimal, hex;
    } cases[] = {
        {U'0', true, true, true},    {U'9', true, true, true},         {U'a', false, false, true},
        {U'F', false, false, true},  {U'g', false, false, false},      {U'G', false, false, false},
        {U'-', false, false, false}, {U'+', false, false, false},      {U',', false, true, false},
        {U'.', false, false, false}, {U' ', false, false, false},      {8, true, true, true},
        {3, true, true, true},       {22, true, true, true},           {24, true, true, true},
        {1, false, false, false},                                       // Ctrl+A
        {26, false, false, false},                                      // Ctrl+Z
        {13, false, false, false},   {U'\u0663', false, false, false},  // an Arabic-Indic 3
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsNumericKey(c.key), c.numeric) << int(c.key);
        EXPECT_EQ(IsFloatNumericKey(c.key, U','), c.decimal) << int(c.key);
        EXPECT_EQ(IsHexKey(c.key), c.hex) << int(c.key);
    }
    EXPECT_TRUE(IsFloatNumericKey(U'.', U'.'));
}

TEST(EntryRules, WarningsWhileTyping) {
    const struct {
        const char* control;
        const char* text;
        const char* warning;  // null: none
    } cases[] = {
        {"edtInPassageDelay", "2", nullptr},
        {"edtInPassageDelay", "24", nullptr},
        {"edtInPassageDelay", "241", "On pad delay must be 7 to 240."},
        {"edtInPassageDelay", "", nullptr},
        {"edtInPassageDelay", "3", nullptr},  // the lower limit waits for encoding
        {"edtOutPassageDelay", "250", "Out of pad delay must be 7 to 240."},
        {"edtAutoResetTime", "3600", nullptr},
        {"edtAutoResetTime", "3601", "Time allowed out of pad must be 7 to 3600."},
        {"edtMaxTimeOutsideDoor", "3601", "Max time outside door must be 0 to 3600."},
        {"edtRadioTestAlarmPeriod", "241", "Radio test alarm period must be 0 to 240."},
        {"edtBatteryAlarmPeriod", "241", "Battery alarm period must be 0 to 240."},
        {"edtNumberOfShortTransmissions", "256", "Number of short transmissions must be 0 to 255."},
        {"edtNumberOfShortTransmissions", "abc", nullptr},  // counts as 0
        {"edtNumberOfLongTransmissions", "999", "Number of long transmissions must be 0 to 255."},
        {"edtInactivityTimeLimit", "0", "Entered value must be 1...256"},
        {"edtInactivityTimeLimit", "256", nullptr},
        {"edtInactivityTimeLimit", "257", "Entered value must be 1...256"},
        {"edtInactivityTimeLimit", "1,5", "Entered value must be 1...256"},  // not a whole number
        {"edtInactivityTimeLimit", "", nullptr},
        {"edtActivationHour", "24", "Entered value must be 0...23"},
        {"edtInactivationHour", "23", nullptr},
        {"edtActivationHour", "", nullptr},
        {"edtActivationMinute", "60", "Entered value must be 0...59"},
        {"edtInactivationMinute", "59", nullptr},
    };
    for (const auto& c : cases) {
        const EntryRule* rule = FindEntryRule(c.control);
        ASSERT_NE(rule, nullptr) << c.control;
        const Result<void> checked = CheckChange(*rule, c.text);
        EXPECT_EQ(checked ? std::string("(none)") : checked.error().message,
                  c.warning ? c.warning : "(none)")
            << c.control << " " << c.text;
    }
    EXPECT_EQ(FindEntryRule("edtAllowUserRadioCode"), nullptr);
}

TEST(EntryRules, ReservedRadioCodes) {
    const struct {
        const char* text;
        bool reserved;
    } cases[] = {
        {"0000", true},  {"FFFF", true}, {"ffff", true}, {"fFfF", true},   {"FFF", false},
        {"0001", false}, {"000", false}, {"", false},    {"FFFFF", false}, {"00000", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsReservedRadioCode(c.text), c.reserved) << c.text;
    }
}

}  // namespace
}  // namespace qzt
