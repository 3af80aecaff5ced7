#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>
#include <vector>

#include "CommandBench.h"
#include "ScriptedUserInterface.h"
#include "SimLink.h"
#include "TempDir.h"
#include "config/DefaultImage.h"
#include "core/StartUp.h"
#include "device/commands/DeviceCommands.h"
#include "device/commands/UnitRecords.h"
#include "device/sim/SimUnitFile.h"
#include "files/FileCommands.h"
#include "text/Text.h"

namespace qzt {
namespace {

using test::Bench;
using test::Bytes;
using test::kNewCodes;
using test::ReadFile;
using test::RecordedBox;
using test::TempDir;
using test::Unit;
using test::UnitImage;
using test::WriteFile;

const char* const kDefaultTitle = "(Default) - QZT Programmer";
const char* const kReadTitle = "(Read from QZT) - QZT Programmer";

std::string Describe(const std::vector<RecordedBox>& boxes) {
    std::string all;
    for (const RecordedBox& b : boxes) {
        all += (b.kind == RecordedBox::Error ? "E:" : "I:") + b.text + "|";
    }
    return all;
}

bool TakenOver(DeviceResult r) {
    return r == DeviceResult::Ok || r == DeviceFault::Corrupt || r == DeviceFault::DecodeFault;
}

// One command's outcome: its result, the one box it shows (an information box
// on success, else an error box) and the status text it leaves (kBox: the
// box's text; 0: empty).
struct Outcome {
    DeviceResult result;
    int box;
    int status;
};
constexpr int kBox = -1;

// Every command under every fault: its result, its one box and status text,
// the window's state, the unit's memory and the backups. The faults of real
// boxes also run over the pseudo-terminal and the fake USB bus.
void RunFaultMatrix(test::Route route) {
    using R = test::Endings;
    constexpr Outcome kReadOk{R::Ok, txt::ReadComplete, kBox};
    constexpr Outcome kWritten{R::Ok, txt::ConfigurationUpdated, txt::WriteAndVerifyComplete};
    constexpr Outcome kNoBox{R::NoBox, txt::KvdNotFound, kBox};
    constexpr Outcome kNoConnection{R::NoConnection, txt::NoConnection, kBox};
    constexpr Outcome kUnread{R::ReadFailed, txt::ErrorReadingFromUnit, kBox};
    constexpr Outcome kRefused{R::WriteFailed, txt::ErrorWritingToUnit, kBox};
    constexpr Outcome kDiffers{R::VerifyFailed, txt::VerifyError, kBox};
    constexpr Outcome kWrongProduct{R::WrongProduct, txt::InvalidProductType, 0};
    // Change Radio Codes says "Error reading" where the others find no box or unit.
    constexpr Outcome kCodesNoBox{R::NoBox, txt::ErrorReadingFromUnit, kBox};
    constexpr Outcome kCodesNoUnit{R::NoConnection, txt::ErrorReadingFromUnit, kBox};
    constexpr Outcome kCorrupt{R::Corrupt, txt::ConfigurationCorrupt, 0};
    constexpr Outcome kOutOfLimits{R::DecodeFault, txt::ErrorConvertingData, txt::ReadingFromUnit};
    const struct {
        const char* faults;
        Unit unit;
        Outcome read, write, codes;
        bool everyRoute = false;
        // Every block but the checksum's was written.
        bool checksumLost = false;
        // Write to device wrote every block, then its read-back failed.
        bool readBackLost = false;
    } scenarios[] = {
        // clang-format off
        {"no-box",         Unit::Fresh,       kNoBox,        kNoBox,        kCodesNoBox},
        {"no-unit",        Unit::Fresh,       kNoConnection, kNoConnection, kCodesNoUnit},
        {"nak-writes",     Unit::Fresh,       kReadOk,       kRefused,      kRefused},
        {"silent-writes",  Unit::Fresh,       kReadOk,       kDiffers,      kDiffers},
        // Only the checksum's block goes unanswered: the read-back must see
        // that byte 224 did not take.
        {"silent-writes@224", Unit::Fresh,    kReadOk,       kDiffers,      kDiffers, false, true},
        {"silent-reads",   Unit::Fresh,       kNoConnection, kNoConnection, kNoConnection},
        // Only the block at 0 is silent: the short read of Read from device and
        // the probe of Change Radio Codes pass, their full reads fail.
        {"silent-reads@0", Unit::Fresh,       kUnread,       kNoConnection, kUnread},
        {"corrupt-reads",  Unit::Fresh,       kNoConnection, kNoConnection, kNoConnection},
        {"wrong-product",  Unit::Fresh,       kWrongProduct, kWrongProduct, kWrongProduct},
        {"",               Unit::BadChecksum, kCorrupt,      kWritten,      kWritten},
        {"",               Unit::OutOfLimits, kOutOfLimits,  kWritten,      kWritten},
        {"",               Unit::Fresh,       kReadOk,       kWritten,      kWritten,     true},
        // What real boxes do. A late, split, slow or garbled answer costs a
        // retry, never a shifted block; a box that is pulled out ends the
        // command with the message of the step it was in, and a box that
        // goes before the first write block leaves the unit as it was.
        {"late-replies@64:1",  Unit::Fresh,   kReadOk,       kWritten,      kWritten,     true},
        {"late-replies@64=300", Unit::Fresh,  kUnread,       kNoConnection, kUnread,      true},
        {"split-replies=20",   Unit::Fresh,   kReadOk,       kWritten,      kWritten,     true},
        {"garbage-before@0:1", Unit::Fresh,   kReadOk,       kWritten,      kWritten,     true},
        {"slow-box:6",         Unit::Fresh,   kReadOk,       kWritten,      kWritten,     true},
        {"latency-refused",    Unit::Fresh,   kReadOk,       kWritten,      kWritten,     true},
        {"unplug",             Unit::Fresh,   kNoConnection, kNoConnection, kCodesNoUnit, true},
        {"unplug@20",          Unit::Fresh,   kUnread,       kNoConnection, kUnread,      true},
        {"unplug@20=2",        Unit::Fresh,   kReadOk,       kRefused,      kWritten,     true},
        {"unplug@5=2",         Unit::Fresh,   kReadOk,       kNoConnection, kRefused,     true},
        // Gone at the third frame for byte 64: Write to device's read-back,
        // after every write went through; that is a failed verify.
        {"unplug@64=3",        Unit::Fresh,   kReadOk,       kDiffers,      kWritten, false, false, true},
        // clang-format on
    };
    for (const auto& scenario : scenarios) {
        if (route != test::Route::Sim && !scenario.everyRoute) {
            continue;
        }
        for (int command = 0; command < 3; ++command) {
            const Outcome& expected = command == 0   ? scenario.read
                                      : command == 1 ? scenario.write
                                                     : scenario.codes;
            SCOPED_TRACE(::testing::Message()
                         << "command " << command << " faults '" << scenario.faults << "' unit "
                         << static_cast<int>(scenario.unit));
            Bench b(scenario.faults, scenario.unit, route);
            const ImageBuffer currentBefore = b.state.CurrentImage;
            const DeviceResult result = b.Run(command);

            const std::string box =
                expected.box == txt::ErrorConvertingData
                    ? TextF(txt::ErrorConvertingData, std::string("On pad delay (s)"),
                            std::string("49"), std::string("250"))
                    : Text(expected.box);
            EXPECT_EQ(result, expected.result);
            EXPECT_EQ(Describe(b.ui.boxes), (result == R::Ok ? "I:" : "E:") + box + "|");
            EXPECT_EQ(b.ui.status, expected.status == kBox ? box : Text(expected.status));
            // A box not found says why in the box's details.
            EXPECT_EQ(b.ui.boxes.at(0).reason, result == R::NoBox ? Text(txt::ReasonNoBox) : "");
            EXPECT_FALSE(b.link->IsOpen());
            EXPECT_FALSE(b.BoxInUse());
            EXPECT_EQ(b.ui.busyDepth, 0);
            EXPECT_EQ(b.ui.progress.empty(), b.ui.progressEnds == 0);

            const ConfigImage memory = b.Memory();
            const auto current = ImageOf(b.state.CurrentImage);
            const bool read = command == 0 && TakenOver(result);
            EXPECT_EQ(b.state.ConfigState, command == 1 ? ConfigMode::Written
                                           : read       ? ConfigMode::Read
                                                        : ConfigMode::Default);
            EXPECT_EQ(b.ui.title, read ? kReadTitle : kDefaultTitle);
            if (read) {
                EXPECT_EQ(Bytes(current), Bytes(b.memoryBefore));
            } else if (command != 1) {
                EXPECT_EQ(b.state.CurrentImage, currentBefore);
            } else {
                // The unit's own bytes are taken over once the unit was read
                // and found a QZT, and only then.
                const bool merged =
                    result == R::Ok || result == R::WriteFailed || result == R::VerifyFailed;
                EXPECT_EQ(Bytes(current.first(14)) == Bytes(std::span(memory).first(14)), merged);
                EXPECT_EQ(Bytes(current.subspan(240)) == Bytes(std::span(memory).subspan(240)),
                          merged);
            }

            ConfigImage expectedMemory = b.memoryBefore;
            const bool written =
                result == R::Ok || scenario.checksumLost || (scenario.readBackLost && command == 1);
            if (written && command == 1) {
                // Exactly bytes 14-224 and 231-237 come from the form.
                std::copy(current.begin() + 14, current.begin() + 225, expectedMemory.begin() + 14);
                std::copy(current.begin() + 231, current.begin() + 238,
                          expectedMemory.begin() + 231);
                if (scenario.checksumLost) {
                    // The settings' last block, 222-224, never arrived.
                    std::copy(b.memoryBefore.begin() + 222, b.memoryBefore.begin() + 225,
                              expectedMemory.begin() + 222);
                }
                EXPECT_EQ(ChecksumMatches(memory), !scenario.checksumLost);
            } else if (written && command == 2) {
                StoreRadioCodes(kNewCodes, expectedMemory);
                if (!scenario.checksumLost) {
                    StoreChecksum(expectedMemory);
                }
            }
            EXPECT_EQ(memory, expectedMemory);
            // A backup holds the unit as it was read, never shifted bytes.
            std::error_code ec;
            for (const auto& entry : std::filesystem::directory_iterator(b.BackupsFolder(), ec)) {
                if (entry.path().extension() == ".Qzt") {
                    EXPECT_EQ(ReadFile(entry.path()).substr(0, kImageSize), Bytes(b.memoryBefore));
                }
            }
        }
    }
}

TEST(DeviceCommands, FaultMatrix) {
    RunFaultMatrix(test::Route::Sim);
}

TEST(DeviceCommands, FaultMatrixOverAPseudoTerminal) {
    if (!test::kHasPtyRoute) {
        GTEST_SKIP() << "the pseudo-terminal box runs on Linux only";
    }
    RunFaultMatrix(test::Route::Pty);
}

TEST(DeviceCommands, FaultMatrixOverTheUsbRoute) {
    RunFaultMatrix(test::Route::Usb);
}

#ifndef _WIN32  // the pseudo-terminal box is Linux's
// A box that answers one exchange later than any settle, in real time
// through the kernel's serial code: late during the backup read (byte 100's
// block, read whole before anything is written), on the write of that block
// (its ACK) and during the read-back (byte 225 is written by neither range,
// so with no backup only the read-back asks for its block). Each command
// ends as it would with a punctual box: the unit written, the backup the
// unit as it was.
TEST(WriteToDevice, RepliesLaterThanTheSettleOverAPseudoTerminal) {
    const struct {
        const char* faults;
        bool backup;
    } cases[] = {
        {"late-replies@100:1=450", true},  {"late-replies@100:1=700", true},
        {"late-replies@100:1=450", false}, {"late-replies@100:1=700", false},
        {"late-replies@225:1=450", false}, {"late-replies@225:1=700", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.faults << (c.backup ? " backup" : " no backup"));
        Bench b(c.faults, Unit::Fresh, test::Route::Pty);
        if (!c.backup) {
            b.state.Values.WriteValue("Setup", "BackupBeforeWrite", "0");
        }
        EXPECT_EQ(b.Write(), DeviceResult::Ok);
        EXPECT_EQ(Describe(b.ui.boxes), "I:" + Text(txt::ConfigurationUpdated) + "|");
        EXPECT_GT(b.link->Count().confirmingPasses, 0u);
        b.server->Stop();
        const auto current = ImageOf(b.state.CurrentImage);
        EXPECT_TRUE(
            std::equal(current.begin(), current.begin() + kChecksumOffset + 1, b.Memory().begin()));
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(b.BackupsFolder(), ec)) {
            if (entry.path().extension() == ".Qzt") {
                EXPECT_EQ(ReadFile(entry.path()).substr(0, kImageSize), Bytes(b.memoryBefore));
            }
        }
    }
}
#endif

TEST(WriteToDevice, FieldOutOfLimitsStopsBeforeTheLink) {
    Bench b;
    b.ui.editForm = [](FormModel& form) { form.edtInPassageDelay = "6"; };
    EXPECT_EQ(b.Write(), DeviceFault::EncodeRefused);
    EXPECT_EQ(Describe(b.ui.boxes),
              "E:Incorrect parameter value!\nThe field 'On pad delay (s)' contains '6'.\nPlease "
              "check the field and try again.|");
    EXPECT_EQ(b.state.ConfigState, ConfigMode::Written);
    EXPECT_EQ(b.ui.status, "Default config loaded");  // unchanged
    EXPECT_EQ(b.ui.busyCount, 0);
    EXPECT_EQ(b.sim->Traffic().opens, 0u);
    EXPECT_FALSE(std::filesystem::exists(b.BackupsFolder()));  // no history line either
}

TEST(WriteToDevice, KeepsTheUnitsOwnBytesAndLeavesTheGaps) {
    Bench b;
    // Radio codes, product information and unused bytes that all differ
    // from the unit's, as from a file of another unit.
    auto current = ImageOf(b.state.CurrentImage);
    for (std::size_t i : {2u, 13u, 226u, 230u, 238u, 239u, 241u, 253u}) {
        current[i] = static_cast<std::uint8_t>(b.memoryBefore[i] ^ 0xA5);
    }
    EXPECT_EQ(b.Write(), DeviceResult::Ok);
    const ConfigImage memory = b.Memory();
    for (std::size_t i : {2u, 13u, 241u, 253u, 226u, 230u, 238u, 239u}) {
        EXPECT_EQ(memory[i], b.memoryBefore[i]) << i;  // never written
        // Taken from the unit, except the gaps, which are kept and not sent.
        EXPECT_EQ(current[i] == b.memoryBefore[i], i < 226 || i > 239) << i;
    }
}

TEST(DeviceCommands, ExchangesInTheirOrder) {
    auto blocks = [](char command, unsigned first, unsigned last) {
        std::vector<std::string> frames;
        for (unsigned a = first; a <= last; a += 16) {
            char text[8];
            std::snprintf(text, sizeof text, "%c%04X%02X", command, a, std::min(16u, last - a + 1));
            frames.push_back(text);
        }
        return frames;
    };
    auto join = [](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& p : parts) {
            all.insert(all.end(), p.begin(), p.end());
        }
        return all;
    };
    const auto image = blocks('R', 0, 255);
    const auto own = join({blocks('R', 0, 13), blocks('R', 240, 255)});
    const auto written = join({blocks('W', 14, 224), {"W00E707"}});
    EXPECT_EQ(written[13], "W00DE03");
    const struct {
        int command;
        bool backup;
        std::vector<std::string> frames;
    } cases[] = {
        {0, true, join({{"O"}, blocks('R', 240, 255), image})},
        {1, true, join({{"O"}, own, image, written, image})},
        {1, false, join({{"O"}, own, written, image})},
        {2, true, join({{"O", "R00F001"}, image, {"W00000E", "W00E001", "R00000E", "R00E001"}})},
    };
    for (const auto& c : cases) {
        Bench b;
        if (!c.backup) {
            b.state.Values.WriteValue("Setup", "BackupBeforeWrite", "0");
        }
        b.Run(c.command);
        EXPECT_EQ(b.Commands(), c.frames) << c.command << " " << c.backup;
        EXPECT_EQ(std::filesystem::exists(b.BackupsFolder() + "123456-20251231-235958.Qzt"),
                  c.backup && c.command != 0);
        // Progress runs over the whole command's blocks, one step a block.
        const std::size_t count = c.frames.size() - 1;
        ASSERT_EQ(b.ui.progress.size(), count);
        EXPECT_EQ(b.ui.progress.front(), std::make_pair(std::size_t{1}, count));
        EXPECT_EQ(b.ui.progress.back(), std::make_pair(count, count));
    }

    // A box that refuses every block: each is tried three times, the clock
    // block too, and nothing is read back.
    Bench refused("nak-writes");
    refused.Write();
    const auto commands = refused.Commands();
    for (const char* block : {"W000E10", "W00DE03", "W00E707"}) {
        EXPECT_EQ(std::count(commands.begin(), commands.end(), block), 3) << block;
    }
    EXPECT_EQ(commands.back(), "W00E707");
}

TEST(WriteToDevice, NothingIsWrittenWithoutABackup) {
    Bench unread("silent-reads@100");  // a block only the whole-image read asks for
    EXPECT_EQ(unread.Write(), DeviceFault::NoConnection);
    Bench unsaved;
    WriteFile(unsaved.BackupsFolder().substr(0, unsaved.BackupsFolder().size() - 1), "a file");
    EXPECT_EQ(unsaved.Write(), DeviceFault::BackupFailed);
    EXPECT_EQ(Describe(unsaved.ui.boxes),
              "E:Could not save a backup of the QZT configuration as\n" + unsaved.BackupsFolder() +
                  "123456-20251231-235958.Qzt\nNothing was written to QZT.|");
    for (Bench* b : {&unread, &unsaved}) {
        EXPECT_EQ(b->ui.status, b->ui.boxes.at(0).text);
        EXPECT_EQ(b->Writes(), 0u);
        EXPECT_EQ(b->Memory(), b->memoryBefore);
        EXPECT_FALSE(b->sim->IsOpen());
    }
}

TEST(DeviceCommands, BackupsAndHistoryAreKept) {
    Bench b;
    EXPECT_EQ(b.Write(), DeviceResult::Ok);
    const ConfigImage afterWrite = b.Memory();
    // Within the same second: the second backup gets a name of its own.
    EXPECT_EQ(b.ChangeCodes(), DeviceResult::Ok);
    EXPECT_EQ(b.Read(), DeviceResult::Ok);
    b.ui.onEditRadioCodes = {};
    EXPECT_EQ(ChangeDeviceRadioCodes(b.state, *b.link, b.ui), DeviceFault::Cancelled);
    const std::string folder = b.BackupsFolder();
    EXPECT_EQ(ReadFile(folder + "123456-20251231-235958.Qzt"), Bytes(b.memoryBefore));
    EXPECT_EQ(ReadFile(folder + "123456-20251231-235958-2.Qzt"), Bytes(afterWrite));
    EXPECT_FALSE(std::filesystem::exists(folder + "123456-20251231-235958-3.Qzt"));
    const std::string header = "Time,Command,Serial number,Result\n";
    EXPECT_EQ(ReadFile(folder + "History.csv"),
              header +
                  "2025-12-31 23:59:58,Write to device,123456,Write and Verify complete\n"
                  "2025-12-31 23:59:58,Change Radio Codes in device,123456,Write and Verify "
                  "complete\n"
                  "2025-12-31 23:59:58,Read from device,123456,Read complete\n"
                  "2025-12-31 23:59:58,Change Radio Codes in device,123456,Abort\n");

    // A failure is recorded with its message on one line, without a serial
    // number when the unit was not read; a field that needs it is quoted.
    Bench absent("no-box");
    absent.Read();
    EXPECT_EQ(ReadFile(absent.BackupsFolder() + "History.csv"),
              header +
                  "2025-12-31 23:59:58,Read from device,,Could not find KVD! Check that USB "
                  "cable and AC-adaptor are connected to KVD\n");
    Bench decode("", Unit::OutOfLimits);
    decode.memoryBefore[64] = 250;  // radio test alarm period, a name with a comma
    StoreChecksum(decode.memoryBefore);
    WriteFile(decode.MemoryPath(), Bytes(decode.memoryBefore));
    decode.Read();
    EXPECT_EQ(ReadFile(decode.BackupsFolder() + "History.csv"),
              header +
                  "2025-12-31 23:59:58,Read from device,123456,\"Error converting data! The "
                  "value in field 'Radio test alarm period (h, 0=OFF)' is outside its "
                  "limits. Adress 64 contains 250, which is invalid. Please contact ORVI "
                  "Electronics\"\n");

    const std::pair<const char*, const char*> fields[] = {
        {"plain", "plain"},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {" padded", "\" padded\""},
    };
    for (const auto& [text, field] : fields) {
        EXPECT_EQ(CsvField(text), field);
    }
}

// Programs saving backups of the same unit within the same second each keep
// a file of their own: no backup replaces another.
TEST(UnitRecords, BackupsSavedTogetherKeepTheirOwnNames) {
    TempDir dir;
    const std::string data = dir.Path() + "/";
    const std::chrono::local_seconds second{std::chrono::days(20000)};
    constexpr int kPrograms = 4;
    constexpr int kBackupsEach = 20;
    std::vector<std::string> paths(kPrograms * kBackupsEach);
    std::vector<int> saved(paths.size());  // not vector<bool>: written from several threads
    std::vector<std::thread> programs;
    for (int program = 0; program < kPrograms; ++program) {
        programs.emplace_back([&, program] {
            for (int i = program * kBackupsEach; i < (program + 1) * kBackupsEach; ++i) {
                ConfigImage image{};
                image[100] = static_cast<std::uint8_t>(i);  // tells the backups apart
                const Result<std::string> backup = SaveUnitBackup(data, image, second);
                saved[static_cast<std::size_t>(i)] = backup.has_value();
                paths[static_cast<std::size_t>(i)] = backup ? *backup : backup.error().path;
            }
        });
    }
    for (std::thread& program : programs) {
        program.join();
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        EXPECT_TRUE(saved[i]) << paths[i];
        const std::string content = ReadFile(paths[i]);
        ASSERT_EQ(content.size(), kImageSize) << paths[i];
        EXPECT_EQ(static_cast<std::uint8_t>(content[100]), i) << paths[i];
    }
}

TEST(ReadFromDevice, GoesOnWithoutADefaultAndSaveAsksForAName) {
    Bench b;
    std::filesystem::remove(b.state.ProgramDataDirectory + "Default.bin");
    EXPECT_EQ(b.Read(), DeviceResult::Ok);
    EXPECT_EQ(Describe(b.ui.boxes), "E:File Default.bin was not found!|I:Read complete|");
    EXPECT_EQ(b.ui.statusHistory,
              (std::vector<std::string>{"", "Read from QZT...", "Read complete"}));
    EXPECT_EQ(b.state.Form.edtSerialNumber, "123456");
    EXPECT_EQ(FileSave(b.state, b.ui), FileFault::Cancelled);
    ASSERT_EQ(b.ui.dialogs.size(), 1u);
    EXPECT_EQ(b.ui.dialogs[0].title, "Save as");
}

TEST(ChangeDeviceRadioCodes, DialogShowsAndStoresTheCodes) {
    const struct {
        Unit unit;
        UserInterface::RadioCodes shown;
        UserInterface::RadioCodes typed;
        const char* stored;  // bytes 2-13
    } cases[] = {
        {Unit::Fresh,
         {"3A41", "3A42", "3A43", "3A44", "3A45", "3A4F"},
         {"abcd", "ffff", "0000", "12aB", "3A42", "9999"},
         "\xAB\xCD\xFF\xFF\x00\x00\x12\xAB\x3A\x42\x99\x99"},
        {Unit::NoCodes,
         {"", "", "", "", "", ""},
         {"0001", "0010", "0100", "1000", "F00F", "0F00"},
         "\x00\x01\x00\x10\x01\x00\x10\x00\xF0\x0F\x0F\x00"},
    };
    for (const auto& c : cases) {
        Bench b("", c.unit);
        EXPECT_EQ(b.ChangeCodes(c.typed), DeviceResult::Ok);
        EXPECT_EQ(b.ui.radioCodeDialogs, std::vector<UserInterface::RadioCodes>{c.shown});
        const ConfigImage memory = b.Memory();
        EXPECT_EQ(Bytes(std::span(memory).subspan(2, 12)), std::string(c.stored, 12));
        EXPECT_TRUE(ChecksumMatches(memory));
    }
}

TEST(ChangeDeviceRadioCodes, AbortWritesNothingAndSaysNothing) {
    Bench b;
    b.ui.status = "before";
    b.ui.onEditRadioCodes = [&b](const auto&, auto& codes) {
        codes = kNewCodes;
        EXPECT_TRUE(b.link->IsOpen());  // the link stays open over the dialog
        EXPECT_EQ(b.ui.busyDepth, 0);   // with the normal cursor
        return false;
    };
    EXPECT_EQ(ChangeDeviceRadioCodes(b.state, *b.link, b.ui), DeviceFault::Cancelled);
    EXPECT_TRUE(b.ui.boxes.empty());
    EXPECT_EQ(b.ui.status, "before");
    EXPECT_EQ(b.Writes(), 0u);
    EXPECT_FALSE(b.link->IsOpen());
    EXPECT_FALSE(std::filesystem::exists(b.BackupsFolder() + "123456-20251231-235958.Qzt"));
}

TEST(ChangeDeviceRadioCodes, ALostChecksumWriteIsAVerifyError) {
    // The codes arrive but the checksum never does: the unit would hold a
    // configuration that the next read calls corrupt.
    Bench b("silent-writes@224");
    EXPECT_EQ(b.ChangeCodes(), DeviceFault::VerifyFailed);
    EXPECT_EQ(Describe(b.ui.boxes), "E:Verify error!|");
    EXPECT_FALSE(ChecksumMatches(b.Memory()));
}

}  // namespace
}  // namespace qzt
