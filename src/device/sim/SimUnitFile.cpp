#include "device/sim/SimUnitFile.h"

#include <algorithm>
#include <string_view>

#include "config/DefaultImage.h"
#include "core/FileSystem.h"

namespace qzt {

ConfigImage BuildSimulatedUnitImage() {
    ConfigImage image = BuildDefaultImage();

    // Radio codes of the five alarm inputs and the technical alarms.
    constexpr std::uint8_t kRadioCodes[12] = {0x3A, 0x41, 0x3A, 0x42, 0x3A, 0x43,
                                              0x3A, 0x44, 0x3A, 0x45, 0x3A, 0x4F};
    std::copy(std::begin(kRadioCodes), std::end(kRadioCodes), image.begin() + 2);

    // Last clock stamp the unit kept: 2024, day 99 (9 April), 14:30:00.
    image[231] = 24;
    image[232] = 0x00;
    image[233] = 99;
    image[234] = 14;
    image[235] = 30;
    image[236] = 0;
    image[237] = 1;

    // Product information: produced 14 September 2023 (packed BCD), radio
    // calibration 90, program version 02.1A-05, serial number 123456.
    image[240] = 0x20;
    image[241] = 0x23;
    image[242] = 0x09;
    image[243] = 0x14;
    image[247] = 90;
    image[kProductTypeOffset] = kQztProductType;
    image[249] = 0x02;
    image[250] = 0x1A;
    image[251] = 0x05;
    image[253] = 0x01;
    image[254] = 0xE2;
    image[255] = 0x40;

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
