#pragma once
// The command-line tool run in-process on temporary folders with the shipped
// templates, and the simulated unit its device commands reach.

#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "FakeFolders.h"
#include "TempDir.h"
#include "cli/Cli.h"
#include "device/sim/SimUnitFile.h"

namespace qzt::test {

// The tool run in-process on temporary folders with the shipped templates.
struct Tool {
    Tool() {
        folders.executable = std::string(QZT_RUNTIME_DIR) + "/";
        folders.appData = dir / "data";
        folders.documents = dir / "docs";
        std::filesystem::create_directories(*folders.appData);
        std::filesystem::create_directories(*folders.documents);
    }
    int Run(std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        return RunCli(arguments, out, err, folders);
    }
    std::string File(const std::string& name, const std::string& bytes) {
        return test::WriteFile(dir / name, bytes);
    }

    TempDir dir;
    test::FakeFolders folders;
    std::ostringstream out, err;
};

// What History.csv in the tool's data folder holds ("" when there is none).
inline std::string HistoryText(const Tool& t) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(t.dir.Path())) {
        if (entry.path().filename() == "History.csv") {
            return ReadFile(entry.path().string());
        }
    }
    return "";
}

// A call on the simulated unit (its memory in the test's folder), in zero
// time.
inline std::vector<std::string> OnUnit(const Tool& t, std::vector<std::string> call,
                                       const std::string& faults = "") {
    call.push_back("--device=sim:" + (t.dir / "unit.bin"));
    call.push_back("--sim-timing=zero");
    if (!faults.empty()) {
        call.push_back("--sim-faults=" + faults);
    }
    return call;
}

inline std::string UnitBytes(std::initializer_list<std::pair<int, std::uint8_t>> changes = {},
                             bool storeChecksum = true) {
    ConfigImage image = BuildSimulatedUnitImage();
    for (auto [at, value] : changes) {
        image[static_cast<std::size_t>(at)] = value;
    }
    if (storeChecksum) {
        StoreChecksum(image);
    }
    return std::string(image.begin(), image.end());
}

}  // namespace qzt::test
