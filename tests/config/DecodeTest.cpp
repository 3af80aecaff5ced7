#include <gtest/gtest.h>

#include <functional>

#include "CodecFixture.h"

namespace qzt {
namespace {

using test::CodecFixture;
using test::kNoFailure;
using test::UnitImage;

TEST(DecodeImage, ShowsEveryFieldOfAValidImage) {
    CodecFixture f;
    ConfigImage image = UnitImage();
    image[2] = 0x1A;
    image[3] = 0x2B;
    image[82] = 0;
    image[91] = 1;
    image[92] = 7;
    image[93] = 5;
    image[94] = 23;
    image[95] = 0;
    image[52] = 1;
    const ConfigImage before = image;
    EXPECT_EQ(f.Decode(image), kNoFailure);
    EXPECT_EQ(image, before);
    EXPECT_TRUE(f.fieldName.empty());

    const FormModel& form = f.form;
    EXPECT_EQ(form.edtAllowUserRadioCode, "1A2B");
    EXPECT_EQ(form.edtDoorClosedRadioCode, "");
    EXPECT_FALSE(form.cbDoorClosedSendAlarm);
    EXPECT_TRUE(form.cbDoorOpenedSendAlarm);
    EXPECT_EQ(form.cbbxAllowUserAlarmType, 6);
    EXPECT_EQ(form.cbbxInputOpenedAlarmType, 1);
    EXPECT_EQ(form.edtInPassageDelay, "10");
    EXPECT_EQ(form.edtAutoResetTime, "300");
    EXPECT_EQ(form.edtMaxTimeOutsideDoor, "60");
    EXPECT_EQ(form.edtInactivityTimeLimit, "24");
    EXPECT_TRUE(form.cbIgnoreReceivedAcknowledge);
    EXPECT_EQ(form.edtActivationHour, "07");
    EXPECT_EQ(form.edtActivationMinute, "05");
    EXPECT_EQ(form.edtInactivationHour, "23");
    EXPECT_EQ(form.edtInactivationMinute, "00");
    EXPECT_EQ(form.cbbxDaylightSavingTimeRegion, 1);
    EXPECT_EQ(form.edtProgramVersion, "02.1A-05");
    EXPECT_EQ(form.edtSerialNumber, "66051");
    EXPECT_EQ(form.edtProductionDate, "29 Feb 2024");
    EXPECT_EQ(form.edtRadioCalibration, "131");
    EXPECT_EQ(form.edtDate, "---");  // a file shows no clock
    EXPECT_TRUE(form.PeekFunctionControlsEnabled);
    EXPECT_TRUE(form.TimeScheduleControlsEnabled);
    EXPECT_EQ(f.pendingMessageRuns, 1);
}

TEST(DecodeImage, ReportsTheLastFieldOutsideItsLimits) {
    const struct {
        const char* what;
        std::function<void(ConfigImage&)> change;
        int result;
        const char* fieldName;
        std::function<void(const FormModel&, const ConfigImage&)> check;
    } cases[] = {
        {"on pad delay 6 and battery period 241",
         [](ConfigImage& i) {
             i[49] = 6;
             i[65] = 241;
         },
         65, "Battery alarm period (h, 0=OFF)",
         [](const FormModel& f, const ConfigImage&) {
             EXPECT_EQ(f.edtInPassageDelay, "6");
             EXPECT_EQ(f.edtBatteryAlarmPeriod, "241");
         }},
        {"delays at their limits", [](ConfigImage& i) { i[48] = 7, i[49] = 240, i[65] = 240; },
         kNoFailure, "", nullptr},
        {"out of pad delay 241", [](ConfigImage& i) { i[48] = 241; }, 48, "Out of pad delay (s)",
         nullptr},
        {"unset radio test period", [](ConfigImage& i) { i[64] = 255; }, kNoFailure, "",
         [](const FormModel& f, const ConfigImage& i) {
             EXPECT_EQ(f.edtRadioTestAlarmPeriod, "0");
             EXPECT_EQ(i[64], 0);
         }},
        {"radio test period 250", [](ConfigImage& i) { i[64] = 250; }, 64,
         "Radio test alarm period (h, 0=OFF)",
         [](const FormModel& f, const ConfigImage& i) {
             EXPECT_EQ(f.edtRadioTestAlarmPeriod, "250");
             EXPECT_EQ(i[64], 250);
         }},
        {"time allowed out 3601", [](ConfigImage& i) { i[50] = 0x0E, i[51] = 0x11; }, 50,
         "Time allowed out of pad (s)",
         [](const FormModel& f, const ConfigImage&) { EXPECT_EQ(f.edtAutoResetTime, "3601"); }},
        {"max time outside 0 and 3600",
         [](ConfigImage& i) { i[54] = 0, i[55] = 0, i[50] = 0x0E, i[51] = 0x10; }, kNoFailure, "",
         nullptr},
        {"max time outside 3601", [](ConfigImage& i) { i[54] = 0x0E, i[55] = 0x11; }, 54,
         "Max time outside door (s)", nullptr},
        {"inactivity 0 means 256", [](ConfigImage& i) { i[38] = 0; }, kNoFailure, "",
         [](const FormModel& f, const ConfigImage&) {
             EXPECT_EQ(f.edtInactivityTimeLimit, "256");
         }},
        {"inactivity 255", [](ConfigImage& i) { i[38] = 255; }, kNoFailure, "",
         [](const FormModel& f, const ConfigImage&) {
             EXPECT_EQ(f.edtInactivityTimeLimit, "255");
         }},
        {"flags other than 1 read as off",
         [](ConfigImage& i) { i[17] = 2, i[52] = 2, i[91] = 0xFF; }, kNoFailure, "",
         [](const FormModel& f, const ConfigImage&) {
             EXPECT_FALSE(f.cbAllowUserSendAlarm);
             EXPECT_FALSE(f.cbEnablePeekFunction);
             EXPECT_FALSE(f.PeekFunctionControlsEnabled);
             EXPECT_FALSE(f.TimeScheduleControlsEnabled);
         }},
        {"acknowledge byte 2 leaves the box unticked", [](ConfigImage& i) { i[82] = 2; },
         kNoFailure, "",
         [](const FormModel& f, const ConfigImage&) {
             EXPECT_FALSE(f.cbIgnoreReceivedAcknowledge);
         }},
        {"alarm type not in the list", [](ConfigImage& i) { i[33] = 200; }, 33,
         "Allow user out of pad (bed/chair) : Alarm Type",
         [](const FormModel& f, const ConfigImage&) { EXPECT_EQ(f.cbbxAllowUserAlarmType, -1); }},
        {"two alarm types not in the list", [](ConfigImage& i) { i[33] = 200, i[37] = 8; }, 37,
         "Out of pad (bed/chair) : Alarm Type", nullptr},
        {"door mat sensor not in the list", [](ConfigImage& i) { i[53] = 3; }, 53,
         "Door mat sensor type", nullptr},
        {"region not in the list, after a bad delay", [](ConfigImage& i) { i[105] = 7, i[49] = 0; },
         105, "Daylight saving time region", nullptr},
        {"schedule times are shown, not checked", [](ConfigImage& i) { i[92] = 24, i[95] = 255; },
         kNoFailure, "",
         [](const FormModel& f, const ConfigImage&) {
             EXPECT_EQ(f.edtActivationHour, "24");
             EXPECT_EQ(f.edtInactivationMinute, "255");
         }},
        {"30 February", [](ConfigImage& i) { i[243] = 0x30; }, kNoFailure, "",
         [](const FormModel& f, const ConfigImage&) { EXPECT_EQ(f.edtProductionDate, "---"); }},
        {"short and long transmissions have no limits",
         [](ConfigImage& i) { i[80] = 255, i[81] = 0; }, kNoFailure, "",
         [](const FormModel& f, const ConfigImage&) {
             EXPECT_EQ(f.edtNumberOfShortTransmissions, "255");
             EXPECT_EQ(f.edtNumberOfLongTransmissions, "0");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CodecFixture f;
        ConfigImage image = UnitImage();
        c.change(image);
        EXPECT_EQ(f.Decode(image), c.result);
        EXPECT_EQ(f.fieldName, c.fieldName);
        if (c.check) {
            c.check(f.form, image);
        }
    }
}

TEST(DecodeImage, AnAllZeroImage) {
    CodecFixture f;
    ConfigImage image{};
    EXPECT_EQ(f.Decode(image), 50);  // the delays are 0; list code 0 exists
    EXPECT_EQ(f.fieldName, "Time allowed out of pad (s)");
    EXPECT_EQ(f.form.edtAllowUserRadioCode, "");
    EXPECT_EQ(f.form.edtTechnicalRadioCode, "");
    EXPECT_EQ(f.form.edtInactivityTimeLimit, "256");
    EXPECT_EQ(f.form.edtProductionDate, "---");
    EXPECT_EQ(f.form.edtProgramVersion, "00.00-00");
    EXPECT_EQ(f.form.edtSerialNumber, "0");
    EXPECT_TRUE(f.form.cbIgnoreReceivedAcknowledge);
}

TEST(DecodeImage, EmptyListsReportEveryCodeAndTheRegionLast) {
    CodecFixture f;
    for (ValueList* list : {&f.allowUser, &f.doorMat, &f.regions}) {
        list->Clear();
    }
    ConfigImage image = UnitImage();
    EXPECT_EQ(f.Decode(image), 105);
    EXPECT_EQ(f.form.cbbxAllowUserAlarmType, -1);
    EXPECT_EQ(f.form.cbbxDoorMatSensorType, -1);
    EXPECT_EQ(f.form.cbbxDoorClosedAlarmType, 5);
}

// Only an image just read from the unit with its schedule on shows the
// unit's clock; other modes leave the two fields as they were.
TEST(DecodeImage, UnitClockDependsOnModeAndSchedule) {
    const struct {
        ConfigMode mode;
        std::uint8_t schedule;
        bool validClock;
        const char* date;
        const char* time;
    } cases[] = {
        {ConfigMode::Read, 1, true, "2 Mar 2025", "07:08"},
        {ConfigMode::Read, 0, true, "---", "---"},
        {ConfigMode::Read, 2, true, "---", "---"},
        {ConfigMode::Read, 1, false, "---", "---"},
        {ConfigMode::File, 1, true, "---", "---"},
        {ConfigMode::Default, 1, true, "---", "---"},
        {ConfigMode::Written, 1, true, "old date", "old time"},
    };
    for (const auto& c : cases) {
        CodecFixture f;
        f.form.edtDate = "old date";
        f.form.edtTime = "old time";
        ConfigImage image = UnitImage();
        image[91] = c.schedule;
        image[231] = 25;
        image[232] = 0;
        image[233] = 60;  // day index 60 of 2025: 2 March
        image[234] = c.validClock ? 7 : 25;
        image[235] = 8;
        image[236] = 9;
        f.Decode(image, c.mode);
        EXPECT_EQ(f.form.edtDate, c.date) << int(c.mode) << " " << int(c.schedule);
        EXPECT_EQ(f.form.edtTime, c.time) << int(c.mode) << " " << int(c.schedule);
    }
}

}  // namespace
}  // namespace qzt
