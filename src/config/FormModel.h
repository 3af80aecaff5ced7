#pragma once
// The main window's form as plain data: one member per control that shows a
// field of the configuration image, named after the control, plus the enabled
// states that the two check boxes switch. Decoding fills it, encoding reads
// it; the Qt window copies it to and from its widgets, and the command-line
// tool prints and sets it, both through the table of controls below.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qzt {

// The seven drop-downs of the main window that show value lists.
enum class DropDown : int {
    AllowUserAlarmType,
    DoorClosedAlarmType,
    DoorOpenedAlarmType,
    InputClosedAlarmType,
    InputOpenedAlarmType,
    DoorMatSensorType,
    DaylightSavingTimeRegion,
};
inline constexpr int kDropDownCount = 7;

struct FormModel {
    // Inputs: one row per alarm input.
    bool cbAllowUserSendAlarm = false;
    std::string edtAllowUserRadioCode;
    int cbbxAllowUserAlarmType = -1;
    bool cbDoorClosedSendAlarm = false;
    std::string edtDoorClosedRadioCode;
    int cbbxDoorClosedAlarmType = -1;
    bool cbDoorOpenedSendAlarm = false;
    std::string edtDoorOpenedRadioCode;
    int cbbxDoorOpenedAlarmType = -1;
    bool cbInputClosedSendAlarm = false;
    std::string edtInputClosedRadioCode;
    int cbbxInputClosedAlarmType = -1;
    bool cbInputOpenedSendAlarm = false;
    std::string edtInputOpenedRadioCode;
    int cbbxInputOpenedAlarmType = -1;

    // Alarm delay.
    std::string edtInPassageDelay;
    std::string edtOutPassageDelay;
    std::string edtAutoResetTime;

    // Technical alarms.
    std::string edtTechnicalRadioCode;
    std::string edtRadioTestAlarmPeriod;
    std::string edtBatteryAlarmPeriod;
    std::string edtInactivityTimeLimit;

    // Time schedule, and the unit's clock as last read.
    bool cbEnableTimeSchedule = false;
    std::string edtActivationHour;
    std::string edtActivationMinute;
    std::string edtInactivationHour;
    std::string edtInactivationMinute;
    int cbbxDaylightSavingTimeRegion = -1;
    std::string edtDate;
    std::string edtTime;

    // Radio parameters.
    std::string edtNumberOfShortTransmissions;
    std::string edtNumberOfLongTransmissions;
    bool cbIgnoreReceivedAcknowledge = false;

    // Miscellaneous (a group this product never shows).
    bool cbIgnorePowerSwitch = false;

    // Peek function (a group this product never shows).
    bool cbEnablePeekFunction = false;
    int cbbxDoorMatSensorType = -1;
    std::string edtMaxTimeOutsideDoor;

    // Product information, read-only.
    std::string edtProgramVersion;
    std::string edtSerialNumber;
    std::string edtProductionDate;
    std::string edtRadioCalibration;

    // Enabled states that follow the two check boxes: the door mat sensor
    // type and the max time outside door follow the peek function; the four
    // schedule times and the region follow the time schedule.
    bool PeekFunctionControlsEnabled = false;
    bool TimeScheduleControlsEnabled = false;

    bool operator==(const FormModel&) const = default;
};

enum class ControlKind : std::uint8_t { Edit, CheckBox, DropDown };

// One control of the form: its name, what it holds and where in the model.
struct FormControl {
    std::string_view name;
    ControlKind kind;
    std::string FormModel::*text = nullptr;        // Edit
    bool FormModel::*checked = nullptr;            // CheckBox
    int FormModel::*selection = nullptr;           // DropDown: list position, -1 = none
    DropDown list = DropDown::AllowUserAlarmType;  // DropDown: its value list
    // The flag the control's enabled state follows, or null when its state
    // never changes.
    bool FormModel::*enabledBy = nullptr;
    // Shown only: the radio codes (changed in the unit alone), the product
    // information, the unit's clock and the two hidden check boxes. The
    // window never lets the user change them.
    bool readOnly = false;
};

namespace form_controls {
constexpr FormControl Edit(std::string_view name, std::string FormModel::*text,
                           bool FormModel::*enabledBy = nullptr) {
    return FormControl{
        name, ControlKind::Edit, text, nullptr, nullptr, DropDown::AllowUserAlarmType, enabledBy,
        false};
}
constexpr FormControl Shown(std::string_view name, std::string FormModel::*text) {
    return FormControl{
        name, ControlKind::Edit, text, nullptr, nullptr, DropDown::AllowUserAlarmType, nullptr,
        true};
}
constexpr FormControl Check(std::string_view name, bool FormModel::*checked,
                            bool readOnly = false) {
    return FormControl{name,    ControlKind::CheckBox,        nullptr, checked,
                       nullptr, DropDown::AllowUserAlarmType, nullptr, readOnly};
}
constexpr FormControl List(std::string_view name, int FormModel::*selection, DropDown list,
                           bool FormModel::*enabledBy = nullptr) {
    return FormControl{name, ControlKind::DropDown, nullptr, nullptr, selection, list, enabledBy,
                       false};
}
}  // namespace form_controls

// Every control of the form in keyboard order: the inputs row by row, alarm
// delay, technical alarms, time schedule, radio parameters, the two hidden
// groups, product information.
inline constexpr auto kFormControls = [] {
    using namespace form_controls;
    using M = FormModel;
    constexpr auto schedule = &M::TimeScheduleControlsEnabled;
    constexpr auto peek = &M::PeekFunctionControlsEnabled;
    return std::array{
        Check("cbAllowUserSendAlarm", &M::cbAllowUserSendAlarm),
        Shown("edtAllowUserRadioCode", &M::edtAllowUserRadioCode),
        List("cbbxAllowUserAlarmType", &M::cbbxAllowUserAlarmType, DropDown::AllowUserAlarmType),
        Check("cbDoorClosedSendAlarm", &M::cbDoorClosedSendAlarm),
        Shown("edtDoorClosedRadioCode", &M::edtDoorClosedRadioCode),
        List("cbbxDoorClosedAlarmType", &M::cbbxDoorClosedAlarmType, DropDown::DoorClosedAlarmType),
        Check("cbDoorOpenedSendAlarm", &M::cbDoorOpenedSendAlarm),
        Shown("edtDoorOpenedRadioCode", &M::edtDoorOpenedRadioCode),
        List("cbbxDoorOpenedAlarmType", &M::cbbxDoorOpenedAlarmType, DropDown::DoorOpenedAlarmType),
        Check("cbInputClosedSendAlarm", &M::cbInputClosedSendAlarm),
        Shown("edtInputClosedRadioCode", &M::edtInputClosedRadioCode),
        List("cbbxInputClosedAlarmType", &M::cbbxInputClosedAlarmType,
             DropDown::InputClosedAlarmType),
        Check("cbInputOpenedSendAlarm", &M::cbInputOpenedSendAlarm),
        Shown("edtInputOpenedRadioCode", &M::edtInputOpenedRadioCode),
        List("cbbxInputOpenedAlarmType", &M::cbbxInputOpenedAlarmType,
             DropDown::InputOpenedAlarmType),

        Edit("edtInPassageDelay", &M::edtInPassageDelay),
        Edit("edtOutPassageDelay", &M::edtOutPassageDelay),
        Edit("edtAutoResetTime", &M::edtAutoResetTime),

        Shown("edtTechnicalRadioCode", &M::edtTechnicalRadioCode),
        Edit("edtRadioTestAlarmPeriod", &M::edtRadioTestAlarmPeriod),
        Edit("edtBatteryAlarmPeriod", &M::edtBatteryAlarmPeriod),
        Edit("edtInactivityTimeLimit", &M::edtInactivityTimeLimit),

        Check("cbEnableTimeSchedule", &M::cbEnableTimeSchedule),
        Edit("edtActivationHour", &M::edtActivationHour, schedule),
        Edit("edtActivationMinute", &M::edtActivationMinute, schedule),
        Edit("edtInactivationHour", &M::edtInactivationHour, schedule),
        Edit("edtInactivationMinute", &M::edtInactivationMinute, schedule),
        List("cbbxDaylightSavingTimeRegion", &M::cbbxDaylightSavingTimeRegion,
             DropDown::DaylightSavingTimeRegion, schedule),
        Shown("edtDate", &M::edtDate),
        Shown("edtTime", &M::edtTime),

        Edit("edtNumberOfShortTransmissions", &M::edtNumberOfShortTransmissions),
        Edit("edtNumberOfLongTransmissions", &M::edtNumberOfLongTransmissions),
        Check("cbIgnoreReceivedAcknowledge", &M::cbIgnoreReceivedAcknowledge),

        Check("cbIgnorePowerSwitch", &M::cbIgnorePowerSwitch, /*readOnly=*/true),

        Check("cbEnablePeekFunction", &M::cbEnablePeekFunction, /*readOnly=*/true),
        List("cbbxDoorMatSensorType", &M::cbbxDoorMatSensorType, DropDown::DoorMatSensorType, peek),
        Edit("edtMaxTimeOutsideDoor", &M::edtMaxTimeOutsideDoor, peek),

        Shown("edtProgramVersion", &M::edtProgramVersion),
        Shown("edtSerialNumber", &M::edtSerialNumber),
        Shown("edtProductionDate", &M::edtProductionDate),
        Shown("edtRadioCalibration", &M::edtRadioCalibration),
    };
}();

// Position of the control with this name in kFormControls, or -1.
constexpr int FormControlIndex(std::string_view name) {
    for (std::size_t i = 0; i < kFormControls.size(); ++i) {
        if (kFormControls[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The control with this name, or null.
const FormControl* FindFormControl(std::string_view name);

// A check box and the enabled flag that follows it.
struct Coupling {
    std::string_view checkBox;
    bool FormModel::*checked;
    bool FormModel::*enabled;
};
inline constexpr std::array<Coupling, 2> kCouplings = {{
    {"cbEnablePeekFunction", &FormModel::cbEnablePeekFunction,
     &FormModel::PeekFunctionControlsEnabled},
    {"cbEnableTimeSchedule", &FormModel::cbEnableTimeSchedule,
     &FormModel::TimeScheduleControlsEnabled},
}};

// The enabled flags after a click on (or the decoding of) the check boxes.
void cbEnablePeekFunctionClick(FormModel& form);
void cbEnableTimeScheduleClick(FormModel& form);
void ApplyCouplings(FormModel& form);

}  // namespace qzt
