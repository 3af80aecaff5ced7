#pragma once
// What the main window owns for the life of the program: the two image
// holders, where the shown configuration came from, the folders, the settings
// file and the seven value lists. Commands receive it; the window and the
// command-line tool each own one.

#include <array>
#include <string>
#include <string_view>

#include "config/ConfigImage.h"
#include "config/ConfigMode.h"
#include "config/FormModel.h"
#include "config/ValueList.h"
#include "core/ValuesIni.h"

namespace qzt {

struct DropDownSource {
    DropDown dropDown;
    std::string_view control;  // the drop-down's control name
    std::string_view section;  // its section in Values.ini
    int capacity;              // most entries it holds
};

// In the order start-up fills them. The five alarm-type drop-downs each have
// their own list with the same content.
inline constexpr std::array<DropDownSource, kDropDownCount> kDropDownSources = {{
    {DropDown::AllowUserAlarmType, "cbbxAllowUserAlarmType", "AlarmType", 200},
    {DropDown::DoorClosedAlarmType, "cbbxDoorClosedAlarmType", "AlarmType", 200},
    {DropDown::DoorOpenedAlarmType, "cbbxDoorOpenedAlarmType", "AlarmType", 200},
    {DropDown::InputClosedAlarmType, "cbbxInputClosedAlarmType", "AlarmType", 200},
    {DropDown::InputOpenedAlarmType, "cbbxInputOpenedAlarmType", "AlarmType", 200},
    {DropDown::DoorMatSensorType, "cbbxDoorMatSensorType", "DoorMatSensorType", 10},
    {DropDown::DaylightSavingTimeRegion, "cbbxDaylightSavingTimeRegion", "DaylightSaving", 30},
}};

// The drop-down of each source, found at compile time; it shows the
// source's list.
inline constexpr auto kDropDownControls =
    ControlIndexes(kDropDownSources, &DropDownSource::control, ControlKind::DropDown);
static_assert([] {
    for (std::size_t i = 0; i < kDropDownSources.size(); ++i) {
        if (kFormControls[kDropDownControls[i]].list != kDropDownSources[i].dropDown) {
            return false;
        }
    }
    return true;
}());

struct ProgramState {
    ProgramState();

    ImageBuffer CurrentImage{};
    ImageBuffer ScratchImage{};
    ConfigMode ConfigState = ConfigMode::Default;
    std::string CurrentFileName;
    // Set around every decoding: the on-change warnings stay silent while
    // the decoded form is shown.
    bool DecodingInProgress = false;
    // What the form shows; decoding fills it, encoding reads it.
    FormModel Form;

    // Folder of Values.ini and Default.bin; trailing '/'.
    std::string ProgramDataDirectory;
    // Fallback for the active folder; trailing '/'.
    std::string DefaultConfigDirectory;
    // Where Open and Save As start; as chosen (normally no trailing '/').
    std::string ActiveConfigDirectory;

    ValuesIni Values;
    std::array<ValueList, kDropDownCount> Lists;

    ValueList& List(DropDown d) { return Lists[static_cast<std::size_t>(d)]; }
    const ValueList& List(DropDown d) const { return Lists[static_cast<std::size_t>(d)]; }
};

}  // namespace qzt
