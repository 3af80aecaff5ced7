#include <gtest/gtest.h>

#include "ScriptedUserInterface.h"
#include "TempDir.h"
#include "config/DefaultImage.h"
#include "core/FormCodec.h"
#include "core/StartUp.h"

namespace qzt {
namespace {

using test::ScriptedUserInterface;

// A program state whose lists and rules come from a real Values.ini.
struct LoadedState {
    LoadedState() {
        const std::string ini = test::WriteFile(dir / "Values.ini",
                                                "[AlarmType]\n0=A\n1=B\n5=C\n6=D\n7=<END>\n"
                                                "[DoorMatSensorType]\n0=Mat\n1=<END>\n"
                                                "[DaylightSaving]\n0=None\n1=Europe\n"
                                                "1TZ=5,1,3,2,0,5,1,10,3,0,60\n2=<END>\n");
        state.Values.SetFileName(ini);
        LoadValueLists(state);
    }
    test::TempDir dir;
    ProgramState state;
    ScriptedUserInterface ui;
};

TEST(FormCodec, DecodingShowsTheFormWithWarningsSilenced) {
    LoadedState s;
    ConfigImage image = BuildDefaultImage();
    bool decodingWhileShown = false;
    s.ui.onShowForm = [&](const FormModel&) { decodingWhileShown = s.state.DecodingInProgress; };
    EXPECT_EQ(DecodeIntoForm(s.state, s.ui, image, ConfigMode::Default), std::nullopt);
    EXPECT_TRUE(decodingWhileShown);
    EXPECT_FALSE(s.state.DecodingInProgress);
    ASSERT_EQ(s.ui.shownForms.size(), 1u);
    EXPECT_EQ(s.ui.shownForms[0], s.state.Form);
    EXPECT_EQ(s.state.Form.cbbxAllowUserAlarmType, 3);  // code 6 is the fourth entry
    EXPECT_EQ(s.ui.pendingMessageRuns, 1);

    image[33] = 2;  // no such alarm type
    const auto fault = DecodeIntoForm(s.state, s.ui, image, ConfigMode::File);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->index, 33);
    EXPECT_EQ(fault->fieldName, "Allow user out of pad (bed/chair) : Alarm Type");
    EXPECT_FALSE(s.state.DecodingInProgress);
}

TEST(FormCodec, EncodingReadsTheFormFirst) {
    LoadedState s;
    ConfigImage image = BuildDefaultImage();
    ASSERT_EQ(DecodeIntoForm(s.state, s.ui, image, ConfigMode::Default), std::nullopt);
    s.ui.editForm = [](FormModel& form) { form.edtInPassageDelay = "42"; };
    EXPECT_EQ(EncodeFromForm(s.state, s.ui, image, ConfigMode::Saved), std::nullopt);
    EXPECT_EQ(s.ui.formReads, 1);
    EXPECT_EQ(image[49], 42);

    s.ui.editForm = [](FormModel& form) { form.edtInPassageDelay = ""; };
    const auto refused = EncodeFromForm(s.state, s.ui, image, ConfigMode::Saved);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->index, 49);
    EXPECT_EQ(refused->valueText, "");
    ShowEncodeError(s.ui, *refused);
    ASSERT_EQ(s.ui.boxes.size(), 1u);
    EXPECT_EQ(s.ui.boxes[0].kind, test::RecordedBox::Error);
    EXPECT_EQ(s.ui.boxes[0].text,
              "Incorrect parameter value!\nThe field 'On pad delay (s)' contains ''.\n"
              "Please check the field and try again.");
}

// Writing to the unit takes the region's rule from Values.ini as it is now
// and the clock from the user interface.
TEST(FormCodec, WriteModeUsesTheSettingsFileAndTheClock) {
    LoadedState s;
    ConfigImage image = BuildDefaultImage();
    ASSERT_EQ(DecodeIntoForm(s.state, s.ui, image, ConfigMode::Default), std::nullopt);
    ASSERT_EQ(EncodeFromForm(s.state, s.ui, image, ConfigMode::Written), std::nullopt);
    EXPECT_EQ(image[231], 26);
    EXPECT_EQ(image[236], 1);
    EXPECT_EQ(image[106], 60);
    EXPECT_EQ(image[112], 0x00);
    EXPECT_EQ(image[113], 0x57);

    test::WriteFile(s.state.Values.FileName(), "[DaylightSaving]\n0=None\n1=Europe\n2=<END>\n");
    ASSERT_EQ(EncodeFromForm(s.state, s.ui, image, ConfigMode::Written), std::nullopt);
    EXPECT_EQ(image[106], 0);
    EXPECT_EQ(image[113], 0x57);  // no rule: the old table stays
}

TEST(FormCodec, DecodeErrorNamesAddressAndContent) {
    LoadedState s;
    ConfigImage image = BuildDefaultImage();
    image[50] = 0x0E;
    image[51] = 0x11;
    const auto fault = DecodeIntoForm(s.state, s.ui, image, ConfigMode::File);
    ASSERT_TRUE(fault);
    ShowDecodeError(s.ui, *fault);
    ASSERT_EQ(s.ui.boxes.size(), 1u);
    EXPECT_EQ(s.ui.boxes[0].kind, test::RecordedBox::Error);
    EXPECT_EQ(s.ui.boxes[0].text,
              "Error converting data!\nThe value in field 'Time allowed out of pad (s)' is "
              "outside its limits.\nAdress 50 contains 14, which is invalid.\nPlease contact ORVI "
              "Electronics");
}

// Without a window the C library's locale and clock serve: the console tool
// runs in the C locale unless the environment says otherwise.
TEST(FormCodec, DefaultLocaleIsTheCLibrarys) {
    class Console : public ScriptedUserInterface {
      public:
        const FormLocale& Locale() const override { return UserInterface::Locale(); }
    } console;
    const FormLocale& locale = console.Locale();
    using namespace std::chrono;
    EXPECT_EQ(locale.WeekdayName(Sunday), "Sunday");
    EXPECT_EQ(locale.MonthName(March), "March");
    EXPECT_EQ(locale.ShortDate(year{2024} / 2 / 29), "02/29/24");
    EXPECT_EQ(locale.DecimalSeparator(), U'.');
    const local_seconds now = console.UserInterface::LocalTimeNow();
    EXPECT_GE(static_cast<int>(year_month_day{floor<days>(now)}.year()), 2024);
}

}  // namespace
}  // namespace qzt
