#include "config/DefaultImage.h"

#include "config/ImageFields.h"

namespace qzt {
namespace {

// A field's factory value as its bytes hold it (a flag's 1 is 1, whatever
// the check box shows); two-byte fields most significant byte first.
struct FactoryValue {
    std::uint8_t offset;
    unsigned value;
};

constexpr FactoryValue kFactoryValues[] = {
    // Send alarm: pad connection lost and out of pad raise an alarm.
    {FieldOffset("cbAllowUserSendAlarm"), 0},
    {FieldOffset("cbDoorClosedSendAlarm"), 0},
    {FieldOffset("cbDoorOpenedSendAlarm"), 1},
    {FieldOffset("cbInputClosedSendAlarm"), 0},
    {FieldOffset("cbInputOpenedSendAlarm"), 1},
    // Alarm types: codes of the AlarmType list in Values.i (6 presence,
    // 5 technical alarm, 1 bed exit alarm).
    {FieldOffset("cbbxAllowUserAlarmType"), 6},
    {FieldOffset("cbbxDoorClosedAlarmType"), 5},
    {FieldOffset("cbbxDoorOpenedAlarmType"), 5},
    {FieldOffset("cbbxInputClosedAlarmType"), 6},
    {FieldOffset("cbbxInputOpenedAlarmType"), 1},
    {FieldOffset("edtInactivityTimeLimit"), 24},  // hours
    {FieldOffset("edtOutPassageDelay"), 10},      // seconds
    {FieldOffset("edtInPassageDelay"), 10},       // seconds
    {FieldOffset("edtAutoResetTime"), 300},       // seconds
    {FieldOffset("cbEnablePeekFunction"), 0},
    {FieldOffset("cbbxDoorMatSensorType"), 0},     // code 0 of DoorMatSensorType
    {FieldOffset("edtMaxTimeOutsideDoor"), 60},    // seconds
    {FieldOffset("edtRadioTestAlarmPeriod"), 24},  // hours
    {FieldOffset("edtBatteryAlarmPeriod"), 24},    // hours
    {FieldOffset("edtNumberOfShortTransmissions"), 3},
    {FieldOffset("edtNumberOfLongTransmissions"), 1},
    {FieldOffset("cbIgnoreReceivedAcknowledge"), 1},  // acknowledge honoured
    // Time schedule off; it would run from 22:00 to 07:00.
    {FieldOffset("cbEnableTimeSchedule"), 0},
    {FieldOffset("edtActivationHour"), 22},
    {FieldOffset("edtActivationMinute"), 0},
    {FieldOffset("edtInactivationHour"), 7},
    {FieldOffset("edtInactivationMinute"), 0},
    {FieldOffset("cbIgnorePowerSwitch"), 0},           // power switch honoured
    {FieldOffset("cbbxDaylightSavingTimeRegion"), 1},  // Central Europe
};

}  // namespace

ConfigImage BuildDefaultImage() {
    ConfigImage image{};

    // Radio codes stay 0x0000: every unit brings its own codes, and Write to
    // device never replaces them.
    for (const FactoryValue& v : kFactoryValues) {
        if (FindImageField(v.offset)->width == 2) {
            Put16(image, v.offset, v.value);
        } else {
            image[v.offset] = static_cast<std::uint8_t>(v.value);
        }
    }

    // The daylight-saving block and the clock are computed on every Write to
    // device; a template carries zeros there. Product information stays blank
    // (a template is no unit): production date "---", program version
    // 00.00-00, serial number 0.
    image[kProductTypeOffset] = kQztProductType;

    StoreChecksum(image);
    return image;
}

}  // namespace qzt
