// The templates the build places beside the program: Values.i with its lists
// and rules, and the generated Default.b.
#include <gtest/gtest.h>

#include <cstdio>

#include "config/ConfigImage.h"
#include "core/FileSystem.h"
#include "core/ProgramState.h"

namespace qzt {
namespace {

const std::string kRuntime = std::string(QZT_RUNTIME_DIR) + "/";

TEST(Templates, ValuesTemplateListsAndRules) {
    const IniSnapshot ini = IniSnapshot::Load(kRuntime + "Values.i");
    ProgramState state;
    for (const DropDownSource& source : kDropDownSources) {
        EXPECT_GT(LoadValueList(ini, source.section, state.List(source.dropDown)), 0)
            << source.section;
    }
    EXPECT_EQ(ini.Value("Setup", "ConfigDirectory"), "");
    EXPECT_TRUE(ini.HasKey("Setup", "ConfigDirectory"));

    const ValueList& regions = state.List(DropDown::DaylightSavingTimeRegion);
    EXPECT_EQ(regions.CodeAt(0), 0);
    for (const ValueListEntry& region : regions.Entries()) {
        if (region.code == 0) {
            continue;
        }
        const std::string rule = ini.Value("DaylightSaving", std::to_string(region.code) + "TZ");
        int f[11];
        char tail;
        ASSERT_EQ(
            std::sscanf(rule.c_str(), "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d%c", &f[0], &f[1], &f[2],
                        &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9], &f[10], &tail),
            11)
            << region.text;
        EXPECT_LE(rule.size(), 51u);
        for (int week : {f[0], f[5]})
            EXPECT_TRUE(week >= 1 && week <= 5) << region.text;
        for (int day : {f[1], f[6]})
            EXPECT_TRUE(day >= 1 && day <= 7) << region.text;
        for (int month : {f[2], f[7]})
            EXPECT_TRUE(month >= 1 && month <= 12) << region.text;
        for (int hour : {f[3], f[8]})
            EXPECT_TRUE(hour >= 0 && hour <= 23) << region.text;
        for (int minute : {f[4], f[9]})
            EXPECT_TRUE(minute >= 0 && minute <= 59) << region.text;
        EXPECT_EQ(f[10], 60) << region.text;
    }
}

TEST(Templates, DefaultImageUsesListedCodes) {
    const Result<std::string> bytes = ReadWholeFile(kRuntime + "Default.b");
    ASSERT_TRUE(bytes.has_value());
    ASSERT_EQ(bytes->size(), kImageSize);
    ConfigImage image;
    std::copy(bytes->begin(), bytes->end(), image.begin());
    EXPECT_TRUE(IsQztProduct(image));
    EXPECT_TRUE(ChecksumMatches(image));

    ProgramState state;
    const IniSnapshot ini = IniSnapshot::Load(kRuntime + "Values.i");
    for (const DropDownSource& source : kDropDownSources) {
        LoadValueList(ini, source.section, state.List(source.dropDown));
    }
    const struct {
        DropDown list;
        std::size_t offset;
    } fields[] = {
        {DropDown::AllowUserAlarmType, 33},        {DropDown::DoorClosedAlarmType, 34},
        {DropDown::DoorOpenedAlarmType, 35},       {DropDown::InputClosedAlarmType, 36},
        {DropDown::InputOpenedAlarmType, 37},      {DropDown::DoorMatSensorType, 53},
        {DropDown::DaylightSavingTimeRegion, 105},
    };
    for (const auto& field : fields) {
        EXPECT_NE(state.List(field.list).IndexOfCode(image[field.offset]), -1)
            << "byte " << field.offset;
    }
}

}  // namespace
}  // namespace qzt
