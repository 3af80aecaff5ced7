#include "device/sim/SimUnitFile.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

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
    if (!FileExists(path)) {
        SimUnitFile file;
        file.path_ = path;
        file.memory_ = BuildSimulatedUnitImage();
        if (!file.Save(file.memory_)) {
            return std::nullopt;
        }
        return file;
    }
    return ReadFrom(path);
}

std::optional<SimUnitFile> SimUnitFile::Load(const std::string& path) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(PathFromUtf8(path), error);
    if (error) {
        return std::nullopt;
    }
    return ReadFrom(Utf8FromPath(target));
}

std::optional<SimUnitFile> SimUnitFile::ReadFrom(const std::string& path) {
    const Result<std::string> content = ReadWholeFile(path, kImageBufferSize);
    if (!content || (content->size() != kImageSize && content->size() != kImageBufferSize)) {
        return std::nullopt;
    }
    SimUnitFile file;
    file.path_ = path;
    std::transform(content->begin(), content->begin() + kImageSize, file.memory_.begin(),
                   [](char c) { return static_cast<std::uint8_t>(c); });
    file.tail_ = content->substr(kImageSize);
    return file;
}

bool SimUnitFile::Save(const ConfigImage& memory) const {
    std::string content(memory.begin(), memory.end());
    content += tail_;
    return WriteFileAtomically(path_, content).has_value();
}

bool IsSimUnitFolder(const std::string& path) {
    return DirectoryExists(path);
}

std::optional<std::vector<std::string>> ListSimUnitFiles(const std::string& folder) {
    std::error_code error;
    std::filesystem::directory_iterator entries(PathFromUtf8(folder), error);
    if (error) {
        return std::nullopt;
    }
    // Names starting with '.' are left alone: among them the temporary files
    // of a unit being written back.
    std::vector<std::string> names;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (error) {
            return std::nullopt;
        }
        const std::string name = Utf8FromPath(entries->path().filename());
        std::error_code typeError;
        if (!name.starts_with('.') && !name.ends_with(kSimUnitFaultsSuffix) &&
            entries->is_regular_file(typeError)) {
            names.push_back(name);
        }
    }
    if (error) {
        return std::nullopt;
    }
    // std::string compares its characters as unsigned bytes: the order does
    // not depend on the locale.
    std::sort(names.begin(), names.end());
    std::vector<std::string> units;
    const std::string prefix = WithTrailingSeparator(folder);
    for (const std::string& name : names) {
        units.push_back(prefix + name);
    }
    return units;
}

bool FillWithFreshUnits(const std::string& folder) {
    bool allWritten = true;
    for (std::size_t i = 0; i < kFreshQueueUnits; ++i) {
        ConfigImage unit = BuildSimulatedUnitImage();
        const std::uint32_t serial = kFirstFreshQueueSerial + static_cast<std::uint32_t>(i);
        for (std::size_t b = 0; b < kSerialNumberBytes.count; ++b) {
            const std::size_t shift = 8 * (kSerialNumberBytes.count - 1 - b);
            unit[kSerialNumberBytes.first + b] = static_cast<std::uint8_t>(serial >> shift);
        }
        StoreChecksum(unit);
        const std::string path =
            WithTrailingSeparator(folder) + "unit-" + std::to_string(i + 1) + ".bin";
        allWritten = WriteFileAtomically(path, std::string(unit.begin(), unit.end())).has_value() &&
                     allWritten;
    }
    return allWritten;
}

}  // namespace qzt
