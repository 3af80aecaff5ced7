#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "CodecFixture.h"

namespace qzt {
namespace {

using test::CodecFixture;
using test::kNoFailure;
using test::UnitImage;

struct EncodeCase {
    const char* what;
    std::function<void(FormModel&)> change;
    int result;
    const char* fieldName;
    const char* valueText;
    std::map<std::size_t, std::uint8_t> bytes;  // expected bytes afterwards
};

// Each case starts from the decoded factory image and changes the form.
void RunEncodeCases(const std::vector<EncodeCase>& cases) {
    for (const EncodeCase& c : cases) {
        SCOPED_TRACE(c.what);
        CodecFixture f;
        ConfigImage image = UnitImage();
        ASSERT_EQ(f.Decode(image), kNoFailure);
        c.change(f.form);
        EXPECT_EQ(f.Encode(image), c.result);
        EXPECT_EQ(f.fieldName, c.fieldName);
        EXPECT_EQ(f.valueText, c.valueText);
        for (const auto& [offset, value] : c.bytes) {
            EXPECT_EQ(image[offset], value) << "byte " << offset;
        }
    }
}

TEST(EncodeImage, NumbersAreCheckedAgainstTheirLimits) {
    RunEncodeCases({
        {"on pad delay empty",
         [](FormModel& f) { f.edtInPassageDelay = ""; },
         49,
         "On pad delay (s)",
         "",
         {{49, 10}}},
        {"on pad delay 6",
         [](FormModel& f) { f.edtInPassageDelay = "6"; },
         49,
         "On pad delay (s)",
         "6",
         {{49, 10}}},
        {"on pad delay 7",
         [](FormModel& f) { f.edtInPassageDelay = "7"; },
         kNoFailure,
         "",
         "",
         {{49, 7}}},
        {"on pad delay 240",
         [](FormModel& f) { f.edtInPassageDelay = "240"; },
         kNoFailure,
         "",
         "",
         {{49, 240}}},
        {"on pad delay 241",
         [](FormModel& f) { f.edtInPassageDelay = "241"; },
         49,
         "On pad delay (s)",
         "241",
         {{49, 10}}},
        {"out of pad delay letters",
         [](FormModel& f) { f.edtOutPassageDelay = "1x"; },
         48,
         "Out of pad delay (s)",
         "1x",
         {}},
        {"time allowed out 3600",
         [](FormModel& f) { f.edtAutoResetTime = "3600"; },
         kNoFailure,
         "",
         "",
         {{50, 0x0E}, {51, 0x10}}},
        {"time allowed out 3601",
         [](FormModel& f) { f.edtAutoResetTime = "3601"; },
         50,
         "Time allowed out of pad (s)",
         "3601",
         {{50, 0x01}, {51, 0x2C}}},
        {"time allowed out 65535 shown whole",
         [](FormModel& f) { f.edtAutoResetTime = "65535"; },
         50,
         "Time allowed out of pad (s)",
         "65535",
         {}},
        {"max time outside 0",
         [](FormModel& f) { f.edtMaxTimeOutsideDoor = "0"; },
         kNoFailure,
         "",
         "",
         {{54, 0}, {55, 0}}},
        {"max time outside 3600",
         [](FormModel& f) { f.edtMaxTimeOutsideDoor = "3600"; },
         kNoFailure,
         "",
         "",
         {{54, 0x0E}, {55, 0x10}}},
        {"max time outside 3601",
         [](FormModel& f) { f.edtMaxTimeOutsideDoor = "3601"; },
         54,
         "Max time outside door (s)",
         "3601",
         {}},
        {"short transmissions 255",
         [](FormModel& f) { f.edtNumberOfShortTransmissions = "255"; },
         kNoFailure,
         "",
         "",
         {{80, 255}}},
        {"short transmissions 256",
         [](FormModel& f) { f.edtNumberOfShortTransmissions = "256"; },
         80,
         "Number of short transmissions",
         "256",
         {{80, 3}}},
        {"short transmissions -5",
         [](FormModel& f) { f.edtNumberOfShortTransmissions = "-5"; },
         80,
         "Number of short transmissions",
         "-5",
         {}},
        {"long transmissions abc",
         [](FormModel& f) { f.edtNumberOfLongTransmissions = "abc"; },
         81,
         "Number of long transmissions",
         "abc",
         {}},
        {"radio test period 240 and 0",
         [](FormModel& f) {
             f.edtRadioTestAlarmPeriod = "240";
             f.edtBatteryAlarmPeriod = "0";
         },
         kNoFailure,
         "",
         "",
         {{64, 240}, {65, 0}}},
        {"radio test period 241",
         [](FormModel& f) { f.edtRadioTestAlarmPeriod = "241"; },
         64,
         "Radio test alarm period (h, 0=OFF)",
         "241",
         {}},
        {"battery period 241",
         [](FormModel& f) { f.edtBatteryAlarmPeriod = "241"; },
         65,
         "Battery alarm period (h, 0=OFF)",
         "241",
         {}},
        {"a huge number does not wrap into range",
         [](FormModel& f) { f.edtInPassageDelay = "4294967306"; },
         49,
         "On pad delay (s)",
         "4294967306",
         {{49, 10}}},
        {"blanks are no number",
         [](FormModel& f) { f.edtInPassageDelay = " 10"; },
         49,
         "On pad delay (s)",
         " 10",
         {}},
    });
}

TEST(EncodeImage, InactivityLimitStoresHoursAndRefusesWhatWouldReadBackWrong) {
    RunEncodeCases({
        {"256 stores 0",
         [](FormModel& f) { f.edtInactivityTimeLimit = "256"; },
         kNoFailure,
         "",
         "",
         {{38, 0}}},
        {"1 stores 1",
         [](FormModel& f) { f.edtInactivityTimeLimit = "1"; },
         kNoFailure,
         "",
         "",
         {{38, 1}}},
        {"empty stores 20",
         [](FormModel& f) { f.edtInactivityTimeLimit = ""; },
         kNoFailure,
         "",
         "",
         {{38, 20}}},
        {"a decimal stores 20",
         [](FormModel& f) { f.edtInactivityTimeLimit = "1,5"; },
         kNoFailure,
         "",
         "",
         {{38, 20}}},
        {"0 would read back as 256",
         [](FormModel& f) { f.edtInactivityTimeLimit = "0"; },
         38,
         "Inactivity time limit (1-256h)",
         "0",
         {{38, 24}}},
        {"257 would read back as 1",
         [](FormModel& f) { f.edtInactivityTimeLimit = "257"; },
         38,
         "Inactivity time limit (1-256h)",
         "257",
         {{38, 24}}},
    });
}

TEST(EncodeImage, CodesAndSelections) {
    RunEncodeCases({
        {"three-character radio code",
         [](FormModel& f) { f.edtDoorClosedRadioCode = "ABC"; },
         4,
         "Pad connection (on) : Radio Code",
         " ",
         {{4, 0}, {5, 0}}},
        {"empty radio code",
         [](FormModel& f) { f.edtInputOpenedRadioCode = ""; },
         kNoFailure,
         "",
         "",
         {{10, 0}, {11, 0}}},
        {"four-character radio code",
         [](FormModel& f) { f.edtInputClosedRadioCode = "12ab"; },
         kNoFailure,
         "",
         "",
         {{8, 0x12}, {9, 0xAB}}},
        {"technical code is written as shown",
         [](FormModel& f) { f.edtTechnicalRadioCode = "12"; },
         kNoFailure,
         "",
         "",
         {{12, 0x12}, {13, 0x00}}},
        {"alarm type without selection",
         [](FormModel& f) { f.cbbxDoorOpenedAlarmType = -1; },
         35,
         "Pad connection (off) : Alarm Type",
         " ",
         {{35, 5}}},
        {"alarm type picked",
         [](FormModel& f) { f.cbbxInputClosedAlarmType = 3; },
         kNoFailure,
         "",
         "",
         {{36, 3}}},
        {"door mat sensor without selection",
         [](FormModel& f) { f.cbbxDoorMatSensorType = -1; },
         53,
         "Door mat sensor type",
         " ",
         {}},
        {"region without selection",
         [](FormModel& f) { f.cbbxDaylightSavingTimeRegion = -1; },
         105,
         "Daylight saving time region",
         " ",
         {{105, 1}}},
        {"the last failure wins",
         [](FormModel& f) {
             f.edtInPassageDelay = "";
             f.cbbxDaylightSavingTimeRegion = -1;
         },
         105,
         "Daylight saving time region",
         " ",
         {}},
        {"flags and the inverted acknowledge",
         [](FormModel& f) {
             f.cbAllowUserSendAlarm = true;
             f.cbDoorOpenedSendAlarm = false;
             f.cbIgnoreReceivedAcknowledge = true;
             f.cbIgnorePowerSwitch = true;
         },
         kNoFailure,
         "",
         "",
         {{17, 1}, {19, 0}, {82, 0}, {96, 1}}},
    });
}

TEST(EncodeImage, AListCodeThatDoesNotFitAByteIsRefused) {
    CodecFixture f;
    f.allowUser.Append(300, "Code of another product");
    ConfigImage image = UnitImage();
    ASSERT_EQ(f.Decode(image), kNoFailure);
    f.form.cbbxAllowUserAlarmType = f.allowUser.Count() - 1;
    EXPECT_EQ(f.Encode(image), 33);
    EXPECT_EQ(image[33], 6);
}

// Saving writes only the form's bytes; writing to the unit also stamps the
// clock block and the daylight-saving tables, even when a field is refused.
TEST(EncodeImage, OnlyWritingToTheUnitTouchesClockAndTables) {
    for (const ConfigMode mode : {ConfigMode::Saved, ConfigMode::Written}) {
        for (const bool refused : {false, true}) {
            CodecFixture f;
            ConfigImage image = UnitImage();
            ASSERT_EQ(f.Decode(image), kNoFailure);
            for (std::size_t i = 106; i < 176; ++i) {
                image[i] = 0xA5;
            }
            for (std::size_t i = 225; i < 240; ++i) {
                image[i] = 0xA5;
            }
            if (refused) {
                f.form.edtInPassageDelay = "";
            }
            const ConfigImage before = image;
            EXPECT_EQ(f.Encode(image, mode), refused ? 49 : kNoFailure);
            for (std::size_t i = 0; i < kImageSize; ++i) {
                const bool unitBlock = (i >= 106 && i < 176) || (i >= 231 && i < 238);
                if (!(mode == ConfigMode::Written && unitBlock)) {
                    EXPECT_EQ(image[i], before[i]) << "mode " << int(mode) << " byte " << i;
                }
            }
            if (mode == ConfigMode::Written) {
                EXPECT_EQ(image[237], 1);
                EXPECT_EQ(image[106], 60);
            }
        }
    }
}

}  // namespace
}  // namespace qzt
