// Thousands of Read, Write and Change Radio Codes runs against a simulated
// box that misbehaves at random (late, split, missing, refused and garbled
// answers, slow answers, the chip's power-on latency, the box pulled out),
// on fixed seeds and in zero time. Whatever the schedule, each run must keep
// the promises a technician relies on:
//  - success is reported only when the unit holds the intended bytes over
//    the ranges the command compares, and the unit's other bytes are as they
//    were;
//  - what is taken over from the unit (the form, a backup) is the unit's
//    memory as it was when read, never bytes of another block;
//  - a command that may not write leaves the unit untouched;
//  - no command runs longer than its time-out budget, and one whose box is
//    pulled out ends within a second.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "CommandBench.h"

namespace qzt {
namespace {

using test::Bench;
using test::Bytes;
using test::kNewCodes;
using test::ReadFile;

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
        switch (dice.Below(9)) {
            case 0:  // late: after the wait, within the box's slowest answer
                fault.kind = SimFaultKind::LateReplies;
                fault.value = dice.Between(251, 350);
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
// one connection check and three tries a block.
std::chrono::milliseconds Budget(int command) {
    const std::size_t blocks[] = {1 + 16, 1 + 1 + 16 + 14 + 1 + 16, 1 + 16 + 1 + 1 + 1 + 1};
    return (1 + 3 * blocks[command]) *
           (TUsbInterface::kLongestWait + TUsbInterface::kLongestSettle);
}

TEST(DeviceCommands, RandomSchedulesKeepEveryPromise) {
    using R = DeviceResult;
    constexpr int kRuns = 1500;
    // Every run keeps a backup and a history line, each synced to disk; on
    // a memory file system, where there is one, that costs nothing.
    if (std::filesystem::is_directory("/dev/shm") && ::access("/dev/shm", W_OK) == 0) {
        ::setenv("TMPDIR", "/dev/shm", 1);
    }
    Bench b;
    std::array<std::array<int, 3>, 12> outcomes{};
    for (std::uint64_t seed : {1u, 2u}) {
        Dice dice{seed};
        for (int run = 0; run < kRuns; ++run) {
            const int command = static_cast<int>(dice.Below(3));
            SimSettings settings = test::ZeroTimeSim(b.MemoryPath());
            settings.faults = RandomFaults(dice);
            SCOPED_TRACE(::testing::Message() << "seed " << seed << " run " << run << " command "
                                              << command << " faults " << Text(settings.faults));
            // A fresh box on the same unit file, the window showing the
            // default configuration, the backups of this run only.
            test::WriteFile(b.MemoryPath(), Bytes(b.memoryBefore));
            std::filesystem::remove_all(b.BackupsFolder());
            b.sim = std::make_shared<SimLibrary>(settings);
            b.link = std::make_unique<TUsbInterface>(b.sim);
            FileNew(b.state, b.ui);
            b.ui.boxes.clear();

            const auto start = b.sim->Clock().Now();
            const DeviceResult result = b.Run(command);
            const auto end = b.sim->Clock().Now();
            ++outcomes[static_cast<std::size_t>(result)][static_cast<std::size_t>(command)];

            const ConfigImage memory = b.Memory();
            const auto current = ImageOf(b.state.CurrentImage);
            ASSERT_LE(end - start, Budget(command));
            if (const auto unplugged = b.sim->Traffic().unpluggedAt) {
                ASSERT_LT(end - *unplugged, std::chrono::seconds(1));
            }
            std::error_code ec;
            for (const auto& entry : std::filesystem::directory_iterator(b.BackupsFolder(), ec)) {
                if (entry.path().extension() == ".Qzt") {
                    ASSERT_EQ(ReadFile(entry.path()).substr(0, kImageSize), Bytes(b.memoryBefore));
                }
            }
            switch (command) {
                case 0:
                    ASSERT_EQ(memory, b.memoryBefore);
                    if (result == R::Ok || result == R::Corrupt || result == R::DecodeFault) {
                        ASSERT_TRUE(Equal(b.memoryBefore, current, 0, kImageSize - 1));
                    }
                    break;
                case 1:
                    if (result == R::Ok) {
                        ASSERT_TRUE(Equal(memory, current, 0, kChecksumOffset));
                        ASSERT_TRUE(Equal(memory, current, kClockBlock.first, kClockBlock.Last()));
                    }
                    if (result != R::Ok && result != R::WriteFailed && result != R::VerifyFailed) {
                        ASSERT_EQ(memory, b.memoryBefore);
                    }
                    // Only the settings and the clock block are ever written.
                    ASSERT_TRUE(Equal(memory, b.memoryBefore, 0, kRadioCodeBlock.Last()));
                    ASSERT_TRUE(
                        Equal(memory, b.memoryBefore, kChecksumOffset + 1, kClockBlock.first - 1));
                    ASSERT_TRUE(Equal(memory, b.memoryBefore, kClockBlock.Last() + 1, 255));
                    break;
                default: {
                    ConfigImage intended = b.memoryBefore;
                    StoreRadioCodes(kNewCodes, intended);
                    StoreChecksum(intended);
                    if (result == R::Ok) {
                        ASSERT_EQ(memory, intended);
                    } else if (result != R::WriteFailed && result != R::VerifyFailed) {
                        ASSERT_EQ(memory, b.memoryBefore);
                    }
                    ASSERT_TRUE(
                        Equal(memory, b.memoryBefore, kRadioCodeBlock.End(), kChecksumOffset - 1));
                    ASSERT_TRUE(Equal(memory, b.memoryBefore, kChecksumOffset + 1, 255));
                    break;
                }
            }
        }
    }
    // Every command both succeeded and failed in many ways: the schedules
    // reach what they are meant to test.
    std::string table;
    for (std::size_t r = 0; r < outcomes.size(); ++r) {
        table += std::to_string(r) + ": " + std::to_string(outcomes[r][0]) + " " +
                 std::to_string(outcomes[r][1]) + " " + std::to_string(outcomes[r][2]) + "\n";
    }
    RecordProperty("outcomes", table);
    std::printf("runs: %d, result by command (read, write, radio codes):\n%s", 2 * kRuns,
                table.c_str());
    for (int command = 0; command < 3; ++command) {
        EXPECT_GT(outcomes[static_cast<std::size_t>(R::Ok)][command], 100) << command;
    }
}

}  // namespace
}  // namespace qzt
