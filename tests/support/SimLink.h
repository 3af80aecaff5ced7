#pragma once
// A link to a simulated box in zero time, with its unit's memory file in a
// fresh folder.

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

#include "TempDir.h"
#include "config/ConfigImage.h"
#include "device/link/TUsbInterface.h"
#include "device/sim/SimBackend.h"
#include "device/sim/SimUnitFile.h"

namespace qzt::test {

// The faults of a --sim-faults list that the test knows to be valid.
inline std::vector<SimFault> Faults(std::string_view list) {
    Result<std::vector<SimFault>> parsed = ParseSimFaults(list);
    if (!parsed) {
        throw std::invalid_argument(parsed.error().message);
    }
    return *parsed;
}

inline SimSettings ZeroTimeSim(const std::string& path, std::string_view faults = {}) {
    SimSettings settings;
    settings.path = path;
    settings.zeroTime = true;
    settings.faults = Faults(faults);
    return settings;
}

struct SimLink {
    explicit SimLink(std::string_view faults = {})
        : sim(std::make_shared<SimLibrary>(ZeroTimeSim(dir / "unit.bin", faults))), link(sim) {}

    std::string MemoryPath() const { return dir / "unit.bin"; }

    // The unit's memory as its file holds it (after the link closed).
    ConfigImage FileMemory() const { return SimUnitFile::LoadOrCreate(MemoryPath())->Memory(); }

    // Time on the simulator's clock since `start`, in milliseconds.
    double MillisecondsSince(LinkClock::TimePoint start) {
        return std::chrono::duration<double, std::milli>(sim->Clock().Now() - start).count();
    }

    // The first seven characters of each frame's payload ("R00F010").
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        for (const std::string& frame : sim->Traffic().frames) {
            commands.push_back(frame.substr(1, std::min<std::size_t>(7, frame.size() - 4)));
        }
        return commands;
    }

    TempDir dir;
    std::shared_ptr<SimLibrary> sim;
    TUsbInterface link;
};

}  // namespace qzt::test
