#pragma once
// The main window's state, a scripted user and a simulated unit in zero time:
// what the device commands' tests run a command on.

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "FakeUsbRoute.h"
#include "ScriptedUserInterface.h"
#include "SimLink.h"
#include "StartedState.h"
#include "TempDir.h"
#include "config/DefaultImage.h"
#include "core/StartUp.h"
#include "device/commands/DeviceCommands.h"
#include "device/sim/SimUnitFile.h"
#include "files/FileCommands.h"

#ifndef _WIN32
#include "PtyKvdServer.h"
#include "device/tty/TtyBackend.h"
#endif

namespace qzt::test {

// The commands' endings by their names: Endings::Ok, Endings::NoBox, ...
struct Endings {
    static constexpr Success Ok{};
    using enum DeviceFault;
};

// An ending as a number, for tallies: 0 for success, then the faults.
inline std::size_t EndingIndex(const DeviceResult& result) {
    return result ? 0 : 1 + static_cast<std::size_t>(result.error());
}

const UserInterface::RadioCodes kNewCodes = {"1234", "ABCD", "0F0F", "00FF", "BEEF", "C0DE"};

inline std::string Bytes(std::span<const std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The memory of the simulated unit as a test wants it.
enum class Unit {
    Fresh,        // as from production
    BadChecksum,  // byte 224 does not match
    OutOfLimits,  // on pad delay 250, checksum stored
    NoCodes,      // every radio code 0x0000
};

inline ConfigImage UnitImage(Unit kind) {
    ConfigImage image = BuildSimulatedUnitImage();
    switch (kind) {
        case Unit::Fresh:
            break;
        case Unit::BadChecksum:
            image[kChecksumOffset] ^= 0x5A;
            break;
        case Unit::OutOfLimits:
            image[49] = 250;
            StoreChecksum(image);
            break;
        case Unit::NoCodes:
            std::fill(image.begin() + 2, image.begin() + 14, std::uint8_t{0});
            StoreChecksum(image);
            break;
    }
    return image;
}

// How the simulated box is reached: directly in zero time, through the
// kernel's serial code over a pseudo-terminal in real time (Linux), or
// through the usb route's calls answered by a fake chip in zero time
// (libftdi1 on Linux, the D2XX driver on Windows).
enum class Route { Sim, Pty, Usb };

// The pseudo-terminal box is Linux's; on Windows the COM-port route is run
// against it from the Linux side (scripts/test-windows.sh).
#ifdef _WIN32
inline constexpr bool kHasPtyRoute = false;
#else
inline constexpr bool kHasPtyRoute = true;
#endif

// The main window's state after start-up on temporary folders (the shipped
// Values.i, the default image as Default.bin, the default configuration
// shown), a simulated unit, and a scripted user.
struct Bench {
    explicit Bench(std::string_view faults = {}, Unit unit = Unit::Fresh,
                   Route route = Route::Sim) {
        StartOnTempFolders(state, dir / "data/", ui);
        ui.boxes.clear();
        ui.statusHistory.clear();

        memoryBefore = UnitImage(unit);
        WriteFile(MemoryPath(), Bytes(memoryBefore));
        SimSettings settings = test::ZeroTimeSim(MemoryPath(), faults);
        switch (route) {
            case Route::Sim:
                sim = std::make_shared<SimLibrary>(settings);
                link = std::make_unique<TUsbInterface>(sim);
                break;
            case Route::Pty:
#ifndef _WIN32
                settings.zeroTime = false;
                server = std::make_unique<PtyKvdServer>(settings);
                EXPECT_TRUE(server->Start());
                link = std::make_unique<TUsbInterface>(
                    std::make_shared<TtyLibrary>(server->PortPath()));
#endif
                break;
            case Route::Usb:
                link = std::make_unique<TUsbInterface>(MakeFakeUsbLibrary(settings, &chip));
                break;
        }
    }

    std::string MemoryPath() const {
        return dir / "unit.bin";
    }
    ConfigImage Memory() const {
#ifndef _WIN32
        if (server) {
            return server->Memory();
        }
#endif
        return SimUnitFile::LoadOrCreate(MemoryPath())->Memory();
    }
    // The box is still held by the program.
    bool BoxInUse() const {
        return sim ? sim->IsOpen() : (chip ? chip->BoxOpen() : false);
    }
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        for (const std::string& frame : sim->Traffic().frames) {
            commands.push_back(frame.substr(1, std::min<std::size_t>(7, frame.size() - 4)));
        }
        return commands;
    }
    std::size_t Writes() const {
        const auto c = Commands();
        return std::count_if(c.begin(), c.end(), [](const std::string& s) { return s[0] == 'W'; });
    }
    DeviceResult Run(int command) {
        return command == 0 ? Read() : command == 1 ? Write() : ChangeCodes();
    }
    std::string BackupsFolder() const {
        return state.ProgramDataDirectory + "Backups/";
    }

    DeviceResult Read() {
        return ReadFromDevice(state, *link, ui);
    }
    DeviceResult Write() {
        return WriteToDevice(state, *link, ui);
    }
    DeviceResult ChangeCodes(const UserInterface::RadioCodes& codes = kNewCodes) {
        ui.onEditRadioCodes = [codes](const auto&, UserInterface::RadioCodes& answer) {
            answer = codes;
            return true;
        };
        return ChangeDeviceRadioCodes(state, *link, ui);
    }

    TempDir dir;
    ProgramState state;
    test::ScriptedUserInterface ui;
    ConfigImage memoryBefore{};
    std::shared_ptr<SimLibrary> sim;
#ifndef _WIN32
    std::unique_ptr<PtyKvdServer> server;
#endif
    std::shared_ptr<FakeUsbChip> chip;
    std::unique_ptr<TUsbInterface> link;
};

}  // namespace qzt::test
