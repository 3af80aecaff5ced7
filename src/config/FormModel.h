#pragma once
// The main window's form as plain data: one member per control that shows a
// field of the configuration image, named after the control, plus the enabled
// states that the two check boxes switch. Decoding fills it, encoding reads
// it; the Qt window copies it to and from its widgets, and the command-line
// tool prints and sets it, both through the table of controls below.

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "text/TextIds.h"

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

// The main window's groups of controls, in keyboard order.
enum class FormGroup : std::uint8_t {
    Inputs,
    AlarmDelay,
    TechnicalAlarms,
    TimeSchedule,
    RadioParameters,
    Miscellaneous,
    PeekFunction,
    ProductInformation,
};

// A label or group box of the main window and its text.
struct FormCaption {
    std::string_view name;
    int text = 0;  // in the string table; 0 for a fixed text
    // The text shown before start-up, where it differs from the string
    // table's: the drawing of the window had the time format in two labels.
    std::string_view designText = {};
};

// The group boxes, one for each FormGroup.
inline constexpr std::array<FormCaption, 8> kFormGroups = {{
    {"gbxInputs", txt::GroupInputs},
    {"gbxAlarmDelay", txt::GroupAlarmDelay},
    {"gbxTechnicalAlarms", txt::GroupTechnicalAlarms},
    {"gbxTimeSchedule", txt::GroupTimeSchedule},
    {"gbxRadioParameters", txt::GroupRadioParameters},
    {"gbxMiscellaneous", txt::GroupMiscellaneous},
    {"gbxPeekFunction", txt::GroupPeekFunction},
    {"gbxProductInformation", txt::GroupProductInformation},
}};

// One control of the form: its name, what it holds and where in the model,
// and how the main window shows it.
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
    FormGroup group = FormGroup::Inputs;
    // The label before the control; none for an input's radio code and alarm
    // type, which share their row's label.
    FormCaption label = {};
    // Edits and drop-downs: the width in the original layout (FontScale).
    int width = 0;
};

namespace form_controls {
constexpr FormControl Edit(FormGroup group, std::string_view name, std::string FormModel::*text,
                           int width, FormCaption label, bool FormModel::*enabledBy = nullptr) {
    return {name, ControlKind::Edit, text, nullptr, nullptr, {}, enabledBy, false, group, label,
            width};
}
constexpr FormControl Shown(FormGroup group, std::string_view name, std::string FormModel::*text,
                            int width, FormCaption label = {}) {
    return {name, ControlKind::Edit, text, nullptr, nullptr, {}, nullptr, true, group, label,
            width};
}
constexpr FormControl Check(FormGroup group, std::string_view name, bool FormModel::*checked,
                            FormCaption label, bool readOnly = false) {
    return {name, ControlKind::CheckBox, nullptr, checked, nullptr, {}, nullptr, readOnly, group,
            label};
}
constexpr FormControl List(FormGroup group, std::string_view name, int FormModel::*selection,
                           DropDown list, int width, FormCaption label = {},
                           bool FormModel::*enabledBy = nullptr) {
    return {name, ControlKind::DropDown, {}, {}, selection, list, enabledBy, false, group, label,
            width};
}
}  // namespace form_controls

// Every control of the form in keyboard order, group by group: the inputs
// row by row (their labels are the rows'), alarm delay, technical alarms,
// time schedule, radio parameters, the two hidden groups, product
// information.
inline constexpr auto kFormControls = [] {
    using namespace form_controls;
    using M = FormModel;
    using G = FormGroup;
    constexpr auto schedule = &M::TimeScheduleControlsEnabled;
    constexpr auto peek = &M::PeekFunctionControlsEnabled;
    return std::array{
        Check(G::Inputs, "cbAllowUserSendAlarm", &M::cbAllowUserSendAlarm,
              {"lblAlarmWhenAllowUser", txt::RowAllowUser}),
        Shown(G::Inputs, "edtAllowUserRadioCode", &M::edtAllowUserRadioCode, 57),
        List(G::Inputs, "cbbxAllowUserAlarmType", &M::cbbxAllowUserAlarmType,
             DropDown::AllowUserAlarmType, 209),
        Check(G::Inputs, "cbDoorClosedSendAlarm", &M::cbDoorClosedSendAlarm,
              {"lblAlarmWhenDoorClosed", txt::RowDoorClosed}),
        Shown(G::Inputs, "edtDoorClosedRadioCode", &M::edtDoorClosedRadioCode, 57),
        List(G::Inputs, "cbbxDoorClosedAlarmType", &M::cbbxDoorClosedAlarmType,
             DropDown::DoorClosedAlarmType, 209),
        Check(G::Inputs, "cbDoorOpenedSendAlarm", &M::cbDoorOpenedSendAlarm,
              {"lblAlarmWhenDoorOpened", txt::RowDoorOpened}),
        Shown(G::Inputs, "edtDoorOpenedRadioCode", &M::edtDoorOpenedRadioCode, 57),
        List(G::Inputs, "cbbxDoorOpenedAlarmType", &M::cbbxDoorOpenedAlarmType,
             DropDown::DoorOpenedAlarmType, 209),
        Check(G::Inputs, "cbInputClosedSendAlarm", &M::cbInputClosedSendAlarm,
              {"lblAlarmWhenInputClosed", txt::RowInputClosed}),
        Shown(G::Inputs, "edtInputClosedRadioCode", &M::edtInputClosedRadioCode, 57),
        List(G::Inputs, "cbbxInputClosedAlarmType", &M::cbbxInputClosedAlarmType,
             DropDown::InputClosedAlarmType, 209),
        Check(G::Inputs, "cbInputOpenedSendAlarm", &M::cbInputOpenedSendAlarm,
              {"lblAlarmWhenInputOpened", txt::RowInputOpened}),
        Shown(G::Inputs, "edtInputOpenedRadioCode", &M::edtInputOpenedRadioCode, 57),
        List(G::Inputs, "cbbxInputOpenedAlarmType", &M::cbbxInputOpenedAlarmType,
             DropDown::InputOpenedAlarmType, 209),

        Edit(G::AlarmDelay, "edtInPassageDelay", &M::edtInPassageDelay, 57,
             {"lblInPassageDelay", txt::InPassageDelay}),
        Edit(G::AlarmDelay, "edtOutPassageDelay", &M::edtOutPassageDelay, 57,
             {"lblOutPassageDelay", txt::OutPassageDelay}),
        Edit(G::AlarmDelay, "edtAutoResetTime", &M::edtAutoResetTime, 57,
             {"lblAutoResetTime", txt::AutoResetTime}),

        Shown(G::TechnicalAlarms, "edtTechnicalRadioCode", &M::edtTechnicalRadioCode, 57,
              {"lblTechnicalRadioCode", txt::RadioCode}),
        Edit(G::TechnicalAlarms, "edtRadioTestAlarmPeriod", &M::edtRadioTestAlarmPeriod, 57,
             {"lblRadioTestAlarmPeriod", txt::RadioTestAlarmPeriod}),
        Edit(G::TechnicalAlarms, "edtBatteryAlarmPeriod", &M::edtBatteryAlarmPeriod, 57,
             {"lblBatteryAlarmPeriod", txt::BatteryAlarmPeriod}),
        Edit(G::TechnicalAlarms, "edtInactivityTimeLimit", &M::edtInactivityTimeLimit, 57,
             {"lblInactivityTimeLimit", txt::InactivityTimeLimit}),

        // Each time is an hour, a colon and a minute on one line.
        Check(G::TimeSchedule, "cbEnableTimeSchedule", &M::cbEnableTimeSchedule,
              {"lblEnableTimeSchedule", txt::EnableTimeSchedule}),
        Edit(G::TimeSchedule, "edtActivationHour", &M::edtActivationHour, 33,
             {"lblActivationTime", txt::ActivationTime, "Activation time (hh:mm)"}, schedule),
        Edit(G::TimeSchedule, "edtActivationMinute", &M::edtActivationMinute, 33,
             {"lblColon1", 0, ":"}, schedule),
        Edit(G::TimeSchedule, "edtInactivationHour", &M::edtInactivationHour, 33,
             {"lblInactivationTime", txt::InactivationTime, "Inactivation time (hh:mm)"}, schedule),
        Edit(G::TimeSchedule, "edtInactivationMinute", &M::edtInactivationMinute, 33,
             {"lblColon2", 0, ":"}, schedule),
        List(G::TimeSchedule, "cbbxDaylightSavingTimeRegion", &M::cbbxDaylightSavingTimeRegion,
             DropDown::DaylightSavingTimeRegion, 305,
             {"lblDaylightSavingTimeRegion", txt::DaylightSavingTimeRegion}, schedule),
        Shown(G::TimeSchedule, "edtDate", &M::edtDate, 89, {"lblDate", txt::Date}),
        Shown(G::TimeSchedule, "edtTime", &M::edtTime, 89, {"lblTime", txt::Time}),

        Edit(G::RadioParameters, "edtNumberOfShortTransmissions", &M::edtNumberOfShortTransmissions,
             65, {"lblNumberOfShortTransmissions", txt::NumberOfShortTransmissions}),
        Edit(G::RadioParameters, "edtNumberOfLongTransmissions", &M::edtNumberOfLongTransmissions,
             65, {"lblNumberOfLongTransmissions", txt::NumberOfLongTransmissions}),
        Check(G::RadioParameters, "cbIgnoreReceivedAcknowledge", &M::cbIgnoreReceivedAcknowledge,
              {"lblIgnoreReceivedAcknowledge", txt::IgnoreReceivedAcknowledge}),

        Check(G::Miscellaneous, "cbIgnorePowerSwitch", &M::cbIgnorePowerSwitch,
              {"lblIgnorePowerSwitch", txt::IgnorePowerSwitch}, /*readOnly=*/true),

        Check(G::PeekFunction, "cbEnablePeekFunction", &M::cbEnablePeekFunction,
              {"lblEnablePeekFunction", txt::EnablePeekFunction}, /*readOnly=*/true),
        List(G::PeekFunction, "cbbxDoorMatSensorType", &M::cbbxDoorMatSensorType,
             DropDown::DoorMatSensorType, 113, {"lblDoorMatSensorType", txt::DoorMatSensorType},
             peek),
        Edit(G::PeekFunction, "edtMaxTimeOutsideDoor", &M::edtMaxTimeOutsideDoor, 57,
             {"lblMaxTimeOutsideDoor", txt::MaxTimeOutsideDoor}, peek),

        Shown(G::ProductInformation, "edtProgramVersion", &M::edtProgramVersion, 105,
              {"lblProgramVersion", txt::ProgramVersion}),
        Shown(G::ProductInformation, "edtSerialNumber", &M::edtSerialNumber, 105,
              {"lblSerialNumber", txt::SerialNumber}),
        Shown(G::ProductInformation, "edtProductionDate", &M::edtProductionDate, 105,
              {"lblProductionDate", txt::ProductionDate}),
        Shown(G::ProductInformation, "edtRadioCalibration", &M::edtRadioCalibration, 105,
              {"lblRadioCalibration", txt::RadioCalibration}),
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

// The position of the control with this name and kind in kFormControls.
// Evaluated at compile time, a name that is missing or of another kind does
// not compile.
constexpr std::size_t ControlIndex(std::string_view name, ControlKind kind) {
    const int index = FormControlIndex(name);
    if (index < 0 || kFormControls[static_cast<std::size_t>(index)].kind != kind) {
        throw std::invalid_argument("no form control of this name and kind");
    }
    return static_cast<std::size_t>(index);
}

// The position in kFormControls of the control each row of a table names.
// Evaluated at compile time, a table that names a missing control or one of
// another kind does not compile.
template <typename Row, std::size_t N>
constexpr std::array<std::size_t, N> ControlIndexes(const std::array<Row, N>& rows,
                                                    std::string_view Row::*control,
                                                    ControlKind kind) {
    std::array<std::size_t, N> indexes{};
    for (std::size_t i = 0; i < N; ++i) {
        indexes[i] = ControlIndex(rows[i].*control, kind);
    }
    return indexes;
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

inline constexpr auto kCouplingControls =
    ControlIndexes(kCouplings, &Coupling::checkBox, ControlKind::CheckBox);

// The enabled flags after a click on (or the decoding of) the check boxes.
void ApplyCouplings(FormModel& form);

}  // namespace qzt
