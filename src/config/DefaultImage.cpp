#include "config/DefaultImage.h"

namespace qzt {
namespace {

void Put16(ConfigImage& image, std::size_t offset, unsigned value) {
    image[offset] = static_cast<std::uint8_t>(value >> 8);
    image[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

ConfigImage BuildDefaultImage() {
    ConfigImage image{};

    // Radio codes (bytes 2-13) stay 0x0000: every unit brings its own codes,
    // and Write to device never replaces them.

    // Send alarm: pad connection lost and out of pad raise an alarm.
    image[17] = 0;  // allow user out of pad
    image[18] = 0;  // pad connection (on)
    image[19] = 1;  // pad connection (off)
    image[20] = 0;  // on pad
    image[21] = 1;  // out of pad

    // Alarm types: codes of the AlarmType list in Values.i.
    image[33] = 6;  // allow user out of pad: presence
    image[34] = 5;  // pad connection (on): technical alarm
    image[35] = 5;  // pad connection (off): technical alarm
    image[36] = 6;  // on pad: presence
    image[37] = 1;  // out of pad: bed exit alarm

    image[38] = 24;         // inactivity time limit, hours
    image[48] = 10;         // out of pad delay, seconds
    image[49] = 10;         // on pad delay, seconds
    Put16(image, 50, 300);  // time allowed out of pad, seconds

    image[52] = 0;         // peek function off
    image[53] = 0;         // door mat sensor type: code 0 of DoorMatSensorType
    Put16(image, 54, 60);  // max time outside door, seconds

    image[64] = 24;  // radio test alarm period, hours
    image[65] = 24;  // battery alarm period, hours

    image[80] = 3;  // short transmissions
    image[81] = 1;  // long transmissions
    image[82] = 1;  // received acknowledge honoured ("Ignore" unticked)

    image[91] = 0;   // time schedule off
    image[92] = 22;  // activation 22:00
    image[93] = 0;
    image[94] = 7;  // inactivation 07:00
    image[95] = 0;
    image[96] = 0;  // power switch honoured

    image[105] = 1;  // daylight saving region: Central Europe

    // Bytes 106-175 (rule and 16-year tables) and 231-237 (clock) are
    // computed on every Write to device; a template carries zeros there.

    // Product information stays blank (a template is no unit): production
    // date "---", program version 00.00-00, serial number 0.
    image[kProductTypeOffset] = kQztProductType;

    StoreChecksum(image);
    return image;
}

}  // namespace qzt
