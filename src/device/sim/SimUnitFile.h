#pragma once
// The memory of a simulated QZT unit, kept in a file between link sessions:
// 256 bytes, or a 2048-byte configuration file whose first 256 bytes are the
// memory (the rest is carried along unchanged).

#include <optional>
#include <string>

#include "config/ConfigImage.h"

namespace qzt {

// What a unit fresh from production holds: the factory configuration with
// the unit's own radio codes, production date, radio calibration, program
// version and serial number, and its checksum stored.
ConfigImage BuildSimulatedUnitImage();

class SimUnitFile {
  public:
    // Reads the memory from `path`, creating the file with
    // BuildSimulatedUnitImage() when it does not exist. Nothing when the file
    // cannot be read or created, or has another size than 256 or 2048 bytes.
    static std::optional<SimUnitFile> LoadOrCreate(const std::string& path);

    const ConfigImage& Memory() const { return memory_; }
    // Replaces the file's first 256 bytes with `memory`, atomically.
    bool Save(const ConfigImage& memory) const;

  private:
    std::string path_;
    ConfigImage memory_{};
    std::string tail_;
};

}  // namespace qzt
