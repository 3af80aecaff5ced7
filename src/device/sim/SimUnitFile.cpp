#include "device/sim/SimUnitFile.h"

#include <algorithm>
#include <string_view>

#include "config/DefaultImage.h"
#include "core/FileSystem.h"

namespace qzt {

ConfigImage BuildSimulatedUnitImage() {
    ConfigImage image = BuildDefaultImage();

    // Radio codes of the five alarm inputs and the technical alarms.
    constexpr std::uint8_t kCodes[kRadioCodes.count] = {0x3A, 0x41, 0x3A, 0x42, 0x3A, 0x43,
                                                        0x3A, 0x44, 0x3A, 0x45, 0x3A, 0x4F};
    std::copy(std::begin(kCodes), std::end(kCodes), image.begin() + kRadioCodes.first);

    // Last clock stamp the unit kept: 2024, day 99 (9 April), 14:30:00.
    constexpr std::uint8_t kClock[kClockBlock.count] = {24, 0x00, 99, 14, 30, 0, 1};
    std::copy(std::begin(kClock), std::end(kClock), image.begin() + kClockBlock.first);

    // Product information: produced 14 September 2023 (packed BCD), radio
    // calibration 90, program version 02.1A-05, serial number 123456.
    constexpr std::uint8_t kDate[kProductionDateBytes.count] = {0x20, 0x23, 0x09, 0x14};
    constexpr std::uint8_t kVersion[kProgramVersionBytes.count] = {0x02, 0x1A, 0x05};
    constexpr std::uint8_t kSerial[kSerialNumberBytes.count] = {0x01, 0xE2, 0x40};
    std::copy(std::begin(kDate), std::end(kDate), image.begin() + kProductionDateBytes.first);
    image[kRadioCalibration] = 90;
    image[kProductTypeOffset] = kQztProductType;
    std::copy(std::begin(kVersion), std::end(kVersion), image.begin() + kProgramVersionBytes.first);
    std::copy(std::begin(kSerial), std::end(kSerial), image.begin() + kSerialNumberBytes.first);

    StoreChecksum(image);
    return image;
}

std::optional<SimUnitFile> SimUnitFile::LoadOrCreate(const std::string& path) {
    SimUnitFile file;
    file.path_ = path;
    if (!FileExists(path)) {
        file.memory_ = BuildSimulatedUnitImage();
        if (!file.Save(file.memory_)) {
            return std::nullopt;
        }
        return file;
    }
    const std::optional<std::string> content = ReadWholeFile(path, kImageBufferSize);
    if (!content || (content->size() != kImageSize && content->size() != kImageBufferSize)) {
        return std::nullopt;
    }
    std::transform(content->begin(), content->begin() + kImageSize, file.memory_.begin(),
                   [](char c) { return static_cast<std::uint8_t>(c); });
    file.tail_ = content->substr(kImageSize);
    return file;
}

bool SimUnitFile::Save(const ConfigImage& memory) const {
    std::string content(memory.begin(), memory.end());
    content += tail_;
    return WriteFileAtomically(path_, content);
}

}  // namespace qzt
