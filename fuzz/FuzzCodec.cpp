// Any 256 bytes through decoding and then encoding (for a file and for the
// unit). Bytes that no form field owns never change, and an image that
// decodes without failure encodes back to its own bytes (but for the values
// the unit itself rewrites: byte 64 of 255, flags other than 0 and 1).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "CodecFixture.h"

using namespace qzt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    test::CodecFixture f;
    ConfigImage original{};
    std::memcpy(original.data(), data + 1, std::min<std::size_t>(size - 1, kImageSize));
    ConfigImage image = original;
    const int decoded = f.Decode(image, (data[0] & 1) ? ConfigMode::Read : ConfigMode::File);
    for (const ConfigMode mode : {ConfigMode::Saved, ConfigMode::Written}) {
        ConfigImage encoded = image;
        const int result = f.Encode(encoded, mode);
        for (std::size_t i = 0; i < kImageSize; ++i) {
            const bool unitBlock = kDstBlock.Contains(i) || kClockBlock.Contains(i);
            if (!IsFormFieldByte(i) && !(mode == ConfigMode::Written && unitBlock) &&
                encoded[i] != original[i]) {
                std::abort();  // a byte no field owns was changed
            }
        }
        if (decoded != test::kNoFailure) {
            continue;
        }
        const bool timesOutOfRange =
            original[92] > 23 || original[93] > 59 || original[94] > 23 || original[95] > 59;
        const bool scheduleRefusal =
            (result == 92 && (timesOutOfRange || f.form.cbEnableTimeSchedule)) ||
            (result == 94 && timesOutOfRange);
        if (result != test::kNoFailure && !scheduleRefusal) {
            std::abort();  // a decoded form was refused for another field
        }
        for (std::size_t i = 0; i < kImageSize; ++i) {
            if (IsFormFieldByte(i) && encoded[i] != test::WrittenBack(i, original[i])) {
                std::abort();  // a field did not come back as it was
            }
        }
    }
    return 0;
}
