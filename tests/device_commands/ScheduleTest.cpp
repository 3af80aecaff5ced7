// Thousands of Read, Write and Change Radio Codes runs against a simulated
// box that misbehaves at random (late answers up to three seconds, several
// in one command and on writes too; split, missing, refused and garbled
// answers, slow answers, the chip's power-on latency, the box pulled out),
// on fixed seeds and in zero time, on the simulated line and on the fake USB
// bus. Whatever the schedule, each run must keep the promises a technician
// relies on:
//  - success is reported only when the unit holds the intended bytes over
//    the ranges the command compares, and the unit's other bytes are as they
//    were;
//  - what is taken over from the unit (the form, a backup) is the unit's
//    memory as it was when read, never bytes of another block;
//  - a command that may not write leaves the unit untouched;
//  - a message names the fault the unit has: "Invalid product type!" and
//    the checksum message only for a unit that has that fault, "Verify
//    error!" only when the unit differs or its read-back could not be had,
//    a refused write only when the box refused or went;
//  - no command runs longer than its time-out budget, and one whose box is
//    pulled out ends within a second.
// Without the confirmation of reads some of these promises break.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "CommandBench.h"

namespace qzt {
namespace {

using test::Bench;
using test::Bytes;
using test::kNewCodes;
using test::ReadFile;
using test::Unit;

// A small generator of our own: the same schedules on every library.
struct Dice {
    std::uint64_t state;
    unsigned Below(unsigned n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>((state >> 33) % n);
    }
    bool OneIn(unsigned n) { return Below(n) == 0; }
    unsigned Between(unsigned low, unsigned high) { return low + Below(high - low + 1); }
};

std::vector<SimFault> RandomFaults(Dice& dice) {
    std::vector<SimFault> faults;
    const unsigned count = dice.Below(4);
    for (unsigned i = 0; i < count; ++i) {
        SimFault fault;
        if (!dice.OneIn(5)) {
            fault.address = dice.Below(kImageSize);
        }
        if (!dice.OneIn(4)) {
            fault.count = dice.Between(1, 3);
        }
        switch (dice.Below(10)) {
            case 0:  // late: after the wait, within the box's slowest answer
                fault.kind = SimFaultKind::LateReplies;
                fault.value = dice.Between(251, 350);
                break;
            case 8:  // later than the settle, up to a box stalled for seconds
                fault.kind = SimFaultKind::LateReplies;
                fault.value = dice.Between(351, 3000);
                break;
            case 1:
                fault.kind = SimFaultKind::SplitReplies;
                fault.value = dice.Between(1, 200);
                break;
            case 2:
                fault.kind = SimFaultKind::SilentReads;
                break;
            case 3:
                fault.kind = SimFaultKind::SilentWrites;
                break;
            case 4:
                fault.kind = SimFaultKind::NakWrites;
                break;
            case 5:
                fault.kind = SimFaultKind::CorruptReads;
                break;
            case 6:
                fault.kind = SimFaultKind::GarbageBefore;
                fault.value = dice.Between(0, 40);
                break;
            case 7:
                fault.kind = SimFaultKind::Unplug;
                fault.count.reset();
                fault.value = dice.Between(1, 3);
                break;
            default:
                fault = {dice.OneIn(2) ? SimFaultKind::SlowBox : SimFaultKind::LatencyRefused};
                break;
        }
        faults.push_back(fault);
    }
    return faults;
}

// The faults in --sim-faults form, for a failure's trace.
std::string Text(const std::vector<SimFault>& faults) {
    std::string all;
    for (const SimFault& f : faults) {
        all += std::string(SimFaultName(f.kind));
        all += f.address ? "@" + std::to_string(*f.address) : "";
        all += f.count ? ":" + std::to_string(*f.count) : "";
        all += f.value ? "=" + std::to_string(*f.value) : "";
        all += ",";
    }
    return all;
}

bool Equal(const ConfigImage& a, std::span<const std::uint8_t> b, unsigned first, unsigned last) {
    return std::equal(a.begin() + first, a.begin() + last + 1, b.begin() + first);
}

// Each try waits and settles at most this long; a command makes at most
// one connection check and three tries a block, and each of its range
// reads settles at most four times more to confirm what it read.
std::chrono::milliseconds Budget(int command) {
    const std::size_t blocks[] = {1 + 16, 1 + 1 + 16 + 14 + 1 + 16, 1 + 16 + 1 + 1 + 1 + 1};
    const std::size_t reads[] = {2, 4, 4};
    return (1 + 3 * blocks[command]) *
               (TUsbInterface::kLongestWait + TUsbInterface::kLongestSettle) +
           reads[command] * (TUsbInterface::kTries + 1) * TUsbInterface::kLongestSettle;
}

bool Holds(const std::vector<SimFault>& faults, SimFaultKind kind) {
    return std::any_of(faults.begin(), faults.end(),
                       [kind](const SimFault& f) { return f.kind == kind; });
}

// The first promise a run broke, or nothing.
std::string BrokenPromise(Bench& b, int command, Unit unit, const std::vector<SimFault>& faults,
                          DeviceResult result, LinkClock::Duration took,
                          std::optional<LinkClock::Duration> sinceUnplugged) {
    using R = test::Endings;
    const ConfigImage memory = b.Memory();
    const auto current = ImageOf(b.state.CurrentImage);
    if (took > Budget(command)) {
        return "ran past its budget";
    }
    if (sinceUnplugged && *sinceUnplugged >= std::chrono::seconds(1)) {
        return "went on for a second after the box was pulled out";
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(b.BackupsFolder(), ec)) {
        if (entry.path().extension() == ".Qzt" &&
            ReadFile(entry.path()).substr(0, kImageSize) != Bytes(b.memoryBefore)) {
            return "a backup is not the unit as it was";
        }
    }
    if (result == R::WrongProduct) {
        return "\"Invalid product type!\" for a QZT";
    }
    if (result == R::WriteFailed && !Holds(faults, SimFaultKind::NakWrites) &&
        !Holds(faults, SimFaultKind::Unplug)) {
        return "a write refused by a box that refuses nothing";
    }
    const bool readBackLost = b.link->Count().readsGivenUp > 0;
    switch (command) {
        case 0:
            if (memory != b.memoryBefore) {
                return "a read changed the unit";
            }
            if (result == R::DecodeFault || result == R::Corrupt) {
                if (!Equal(b.memoryBefore, current, 0, kImageSize - 1)) {
                    return "the form holds bytes the unit does not";
                }
            }
            if ((result == R::Corrupt) != (unit == Unit::BadChecksum && result != R::NoConnection &&
                                           result != R::ReadFailed && result != R::NoBox)) {
                return "the checksum message does not match the unit";
            }
            if (result == R::Ok && !Equal(b.memoryBefore, current, 0, kImageSize - 1)) {
                return "the form holds bytes the unit does not";
            }
            if (result == R::DecodeFault) {
                return "a unit within its limits called out of limits";
            }
            break;
        case 1: {
            const bool holds = Equal(memory, current, 0, kChecksumOffset) &&
                               Equal(memory, current, kClockBlock.first, kClockBlock.Last());
            if (result == R::Ok && !holds) {
                return "success, yet the unit does not hold what was written";
            }
            if (result == R::VerifyFailed && holds && !readBackLost) {
                return "\"Verify error!\" for a unit that holds what was written";
            }
            if (result != R::Ok && result != R::WriteFailed && result != R::VerifyFailed &&
                memory != b.memoryBefore) {
                return "a write that failed before its first block changed the unit";
            }
            // Only the settings and the clock block are ever written.
            if (!Equal(memory, b.memoryBefore, 0, kRadioCodeBlock.Last()) ||
                !Equal(memory, b.memoryBefore, kChecksumOffset + 1, kClockBlock.first - 1) ||
                !Equal(memory, b.memoryBefore, kClockBlock.Last() + 1, 255)) {
                return "bytes outside the written ranges changed";
            }
            break;
        }
        default: {
            ConfigImage intended = b.memoryBefore;
            StoreRadioCodes(kNewCodes, intended);
            StoreChecksum(intended);
            if (result == R::Ok && memory != intended) {
                return "success, yet the unit does not hold the new codes";
            }
            if (result == R::VerifyFailed && memory == intended && !readBackLost) {
                return "\"Verify error!\" for a unit that holds the new codes";
            }
            if (result != R::Ok && result != R::WriteFailed && result != R::VerifyFailed &&
                memory != b.memoryBefore) {
                return "a command that failed before writing changed the unit";
            }
            if (!Equal(memory, b.memoryBefore, kRadioCodeBlock.End(), kChecksumOffset - 1) ||
                !Equal(memory, b.memoryBefore, kChecksumOffset + 1, 255)) {
                return "bytes outside the codes and the checksum changed";
            }
            break;
        }
    }
    return {};
}

// Runs `runs` random schedules of each seed over `route`; the outcomes by
// result and command, and every promise broken.
struct Tally {
    std::array<std::array<int, 3>, 12> outcomes{};
    std::vector<std::string> broken;
};

Tally RunSchedules(test::Route route, int runs, bool confirmReads) {
    // Every run keeps a backup and a history line, each synced to disk; on
    // a memory file system, where there is one, that costs nothing.
#ifndef _WIN32
    if (std::filesystem::is_directory("/dev/shm") && ::access("/dev/shm", W_OK) == 0) {
        ::setenv("TMPDIR", "/dev/shm", 1);
    }
#endif
    Bench b;
    Tally tally;
    for (std::uint64_t seed : {1u, 2u}) {
        Dice dice{seed};
        for (int run = 0; run < runs; ++run) {
            const int command = static_cast<int>(dice.Below(3));
            const Unit unit = command == 0 && dice.OneIn(4) ? Unit::BadChecksum : Unit::Fresh;
            SimSettings settings = test::ZeroTimeSim(b.MemoryPath());
            settings.faults = RandomFaults(dice);
            // A fresh box on the same unit file, the window showing the
            // default configuration, the backups of this run only.
            b.memoryBefore = test::UnitImage(unit);
            test::WriteFile(b.MemoryPath(), Bytes(b.memoryBefore));
            std::filesystem::remove_all(b.BackupsFolder());
            b.sim.reset();
            b.chip.reset();
            if (route == test::Route::Usb) {
                b.link =
                    std::make_unique<TUsbInterface>(test::MakeFakeUsbLibrary(settings, &b.chip));
            } else {
                b.sim = std::make_shared<SimLibrary>(settings);
                b.link = std::make_unique<TUsbInterface>(b.sim);
            }
            b.link->SetConfirmReads(confirmReads);
            FileNew(b.state, b.ui);
            b.ui.boxes.clear();

            const auto start = b.link->Clock().Now();
            const DeviceResult result = b.Run(command);
            const auto end = b.link->Clock().Now();
            ++tally.outcomes[test::EndingIndex(result)][static_cast<std::size_t>(command)];
            const auto unplugged = b.sim ? b.sim->Traffic().unpluggedAt : b.chip->UnpluggedAt();
            const std::string broken =
                BrokenPromise(b, command, unit, settings.faults, result, end - start,
                              unplugged ? std::optional(end - *unplugged) : std::nullopt);
            if (!broken.empty()) {
                tally.broken.push_back("seed " + std::to_string(seed) + " run " +
                                       std::to_string(run) + " command " + std::to_string(command) +
                                       " faults " + Text(settings.faults) + ": " + broken);
            }
        }
    }
    return tally;
}

// On both routes every promise holds, and every command both succeeded and
// failed in many ways (the schedules reach what they are meant to test). The
// same schedules with every read taken as it comes break promises: shifted
// backups, wrong messages.
TEST(DeviceCommands, RandomSchedulesKeepEveryPromiseOnlyWithConfirmedReads) {
    for (const auto& [route, runs] : {std::pair{test::Route::Sim, 1500}, {test::Route::Usb, 500}}) {
        const Tally tally = RunSchedules(route, runs, true);
        for (const std::string& broken : tally.broken) {
            ADD_FAILURE() << broken;
        }
        for (std::size_t command = 0; command < 3; ++command) {
            EXPECT_GT(tally.outcomes[test::EndingIndex(DeviceResult::Ok)][command], runs / 20)
                << command;
        }
    }
    const Tally unconfirmed = RunSchedules(test::Route::Sim, 1500, false);
    EXPECT_GT(unconfirmed.broken.size(), 10u);
}

}  // namespace
}  // namespace qzt
