#pragma once
// The memory of a simulated QZT unit, kept in a file between link sessions:
// 256 bytes, or a 2048-byte configuration file whose first 256 bytes are the
// memory (the rest is carried along unchanged).
//
// A folder of such files is a queue of units that a technician connects to
// the box one after another (see SimBackend.h).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    // Reads the memory from `path` and creates nothing. A symbolic link is
    // resolved here, so Save writes the file that was read and the link stays
    // a link. Nothing when the file cannot be read or has another size.
    static std::optional<SimUnitFile> Load(const std::string& path);

    const ConfigImage& Memory() const { return memory_; }
    // Replaces the file's first 256 bytes with `memory`, atomically.
    bool Save(const ConfigImage& memory) const;

  private:
    static std::optional<SimUnitFile> ReadFrom(const std::string& path);

    std::string path_;
    ConfigImage memory_{};
    std::string tail_;
};

// True when `path` names a folder: the simulated box then serves the queue
// of units in it instead of one unit's file.
bool IsSimUnitFolder(const std::string& path);

// A unit's own faults (the --sim-faults syntax) in NAME.faults beside its
// file NAME, added to those of the options whenever it is connected.
inline constexpr std::string_view kSimUnitFaultsSuffix = ".faults";

// The units of a queue folder in the order they are connected: the regular
// files (or symbolic links to one) whose names neither start with '.' nor
// end in ".faults", in byte order of their names, as paths below `folder`. Whether each can be
// loaded is not looked at. Nothing when the folder cannot be read.
std::optional<std::vector<std::string>> ListSimUnitFiles(const std::string& folder);

// What a queue folder without units is given, so the series can be tried at
// once: unit-1.bin to unit-5.bin, fresh units whose serial numbers count up
// from 123401.
inline constexpr std::size_t kFreshQueueUnits = 5;
inline constexpr std::uint32_t kFirstFreshQueueSerial = 123401;
// Writes those units into `folder`; true when every one was written.
bool FillWithFreshUnits(const std::string& folder);

}  // namespace qzt
