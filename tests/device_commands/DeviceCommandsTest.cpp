#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "ScriptedUserInterface.h"
#include "SimLink.h"
#include "TempDir.h"
#include "config/DefaultImage.h"
#include "core/StartUp.h"
#include "device/DeviceCommands.h"
#include "device/SimUnitFile.h"
#include "device/UnitRecords.h"
#include "files/FileCommands.h"
#include "text/Text.h"

namespace qzt {
namespace {

using test::ReadFile;
using test::RecordedBox;
using test::TempDir;
using test::WriteFile;

const char* const kDefaultTitle = "(Default) - QZT Programmer";
const char* const kReadTitle = "(Read from QZT) - QZT Programmer";
const UserInterface::RadioCodes kNewCodes = {"1234", "ABCD", "0F0F", "00FF", "BEEF", "C0DE"};

std::string Bytes(std::span<const std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The memory of the simulated unit as a test wants it.
enum class Unit {
    Fresh,        // as from production
    BadChecksum,  // byte 224 does not match
    OutOfLimits,  // on pad delay 250, checksum stored
    NoCodes,      // every radio code 0x0000
};

ConfigImage UnitImage(Unit kind) {
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

// The main window's state after start-up on temporary folders (the shipped
// Values.i, the default image as Default.bin, the default configuration
// shown), a simulated unit in zero time, and a scripted user.
struct Bench {
    explicit Bench(std::string_view faults = {}, Unit unit = Unit::Fresh) {
        state.ProgramDataDirectory = dir / "data/";
        WriteFile(state.ProgramDataDirectory + "Values.ini",
                  ReadFile(std::string(QZT_RUNTIME_DIR) + "/Values.i"));
        state.Values.SetFileName(state.ProgramDataDirectory + "Values.ini");
        LoadValueLists(state);
        const ConfigImage defaults = BuildDefaultImage();
        WriteFile(state.ProgramDataDirectory + "Default.bin", Bytes(defaults));
        EXPECT_EQ(FileNew(state, ui), FileResult::Ok);
        ui.boxes.clear();
        ui.statusHistory.clear();

        memoryBefore = UnitImage(unit);
        WriteFile(MemoryPath(), Bytes(memoryBefore));
        sim = std::make_shared<SimLibrary>(test::ZeroTimeSim(MemoryPath(), faults));
        link = std::make_unique<TUsbInterface>(sim);
    }

    std::string MemoryPath() const { return dir / "unit.bin"; }
    ConfigImage Memory() const { return SimUnitFile::LoadOrCreate(MemoryPath())->Memory(); }
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
    std::string BackupsFolder() const { return state.ProgramDataDirectory + "Backups/"; }

    DeviceResult Read() { return ReadFromDevice(state, *link, ui); }
    DeviceResult Write() { return WriteToDevice(state, *link, ui); }
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
    std::unique_ptr<TUsbInterface> link;
};

RecordedBox E(int text) {
    return {RecordedBox::Error, Text(text)};
}
RecordedBox I(int text) {
    return {RecordedBox::Information, Text(text)};
}

std::string Describe(const std::vector<RecordedBox>& boxes) {
    std::string all;
    for (const RecordedBox& b : boxes) {
        all += (b.kind == RecordedBox::Error ? "E:" : "I:") + b.text + "|";
    }
    return all;
}

enum class Command { Read, Write, Codes };
// What the unit's memory looks like afterwards.
enum class Memory { Unchanged, Written, CodesChanged };
// What the window's current image holds afterwards.
enum class Current { Default, UnitImage, Encoded, Merged };

struct Row {
    Command command;
    const char* faults;
    Unit unit;
    std::vector<RecordedBox> boxes;
    std::string status;
    int configState;
    Current current;
    Memory memory;
    DeviceResult result;
};

TEST(DeviceCommands, FaultMatrix) {
    const std::string kDecodeFault =
        TextF(txt::ErrorConvertingData, std::string("On pad delay (s)"), std::string("49"),
              std::string("250"));
    using enum Command;
    using R = DeviceResult;
    const Row rows[] = {
        // Read from device
        {Read,
         "no-box",
         Unit::Fresh,
         {E(txt::KvdNotFound)},
         Text(txt::KvdNotFound),
         0,
         Current::Default,
         Memory::Unchanged,
         R::NoBox},
        {Read,
         "no-unit",
         Unit::Fresh,
         {E(txt::NoConnection)},
         Text(txt::NoConnection),
         0,
         Current::Default,
         Memory::Unchanged,
         R::NoConnection},
        {Read,
         "nak-writes",
         Unit::Fresh,
         {I(txt::ReadComplete)},
         Text(txt::ReadComplete),
         3,
         Current::UnitImage,
         Memory::Unchanged,
         R::Ok},
        {Read,
         "silent-writes",
         Unit::Fresh,
         {I(txt::ReadComplete)},
         Text(txt::ReadComplete),
         3,
         Current::UnitImage,
         Memory::Unchanged,
         R::Ok},
        {Read,
         "silent-reads",
         Unit::Fresh,
         {E(txt::NoConnection)},
         Text(txt::NoConnection),
         0,
         Current::Default,
         Memory::Unchanged,
         R::NoConnection},
        {Read,
         "silent-reads@0",
         Unit::Fresh,
         {E(txt::ErrorReadingFromUnit)},
         Text(txt::ErrorReadingFromUnit),
         0,
         Current::Default,
         Memory::Unchanged,
         R::ReadFailed},
        {Read,
         "corrupt-reads",
         Unit::Fresh,
         {E(txt::NoConnection)},
         Text(txt::NoConnection),
         0,
         Current::Default,
         Memory::Unchanged,
         R::NoConnection},
        {Read,
         "wrong-product",
         Unit::Fresh,
         {E(txt::InvalidProductType)},
         "",
         0,
         Current::Default,
         Memory::Unchanged,
         R::WrongProduct},
        {Read,
         "",
         Unit::BadChecksum,
         {E(txt::ConfigurationCorrupt)},
         "",
         3,
         Current::UnitImage,
         Memory::Unchanged,
         R::Corrupt},
        {Read,
         "",
         Unit::OutOfLimits,
         {{RecordedBox::Error, kDecodeFault}},
         Text(txt::ReadingFromUnit),
         3,
         Current::UnitImage,
         Memory::Unchanged,
         R::DecodeFault},
        {Read,
         "",
         Unit::Fresh,
         {I(txt::ReadComplete)},
         Text(txt::ReadComplete),
         3,
         Current::UnitImage,
         Memory::Unchanged,
         R::Ok},
        // Write to device, the default configuration in the form
        {Write,
         "no-box",
         Unit::Fresh,
         {E(txt::KvdNotFound)},
         Text(txt::KvdNotFound),
         4,
         Current::Encoded,
         Memory::Unchanged,
         R::NoBox},
        {Write,
         "no-unit",
         Unit::Fresh,
         {E(txt::NoConnection)},
         Text(txt::NoConnection),
         4,
         Current::Encoded,
         Memory::Unchanged,
         R::NoConnection},
        {Write,
         "nak-writes",
         Unit::Fresh,
         {E(txt::ErrorWritingToUnit)},
         Text(txt::ErrorWritingToUnit),
         4,
         Current::Merged,
         Memory::Unchanged,
         R::WriteFailed},
        {Write,
         "silent-writes",
         Unit::Fresh,
         {E(txt::VerifyError)},
         Text(txt::VerifyError),
         4,
         Current::Merged,
         Memory::Unchanged,
         R::VerifyFailed},
        {Write,
         "silent-reads",
         Unit::Fresh,
         {E(txt::NoConnection)},
         Text(txt::NoConnection),
         4,
         Current::Encoded,
         Memory::Unchanged,
         R::NoConnection},
        {Write,
         "corrupt-reads",
         Unit::Fresh,
         {E(txt::NoConnection)},
         Text(txt::NoConnection),
         4,
         Current::Encoded,
         Memory::Unchanged,
         R::NoConnection},
        {Write,
         "wrong-product",
         Unit::Fresh,
         {E(txt::InvalidProductType)},
         "",
         4,
         Current::Encoded,
         Memory::Unchanged,
         R::WrongProduct},
        {Write,
         "",
         Unit::BadChecksum,
         {I(txt::ConfigurationUpdated)},
         Text(txt::WriteAndVerifyComplete),
         4,
         Current::Merged,
         Memory::Written,
         R::Ok},
        {Write,
         "",
         Unit::OutOfLimits,
         {I(txt::ConfigurationUpdated)},
         Text(txt::WriteAndVerifyComplete),
         4,
         Current::Merged,
         Memory::Written,
         R::Ok},
        {Write,
         "",
         Unit::Fresh,
         {I(txt::ConfigurationUpdated)},
         Text(txt::WriteAndVerifyComplete),
         4,
         Current::Merged,
         Memory::Written,
         R::Ok},
        // Change Radio Codes in device, confirmed with new codes
        {Codes,
         "no-box",
         Unit::Fresh,
         {E(txt::ErrorReadingFromUnit)},
         Text(txt::ErrorReadingFromUnit),
         0,
         Current::Default,
         Memory::Unchanged,
         R::NoBox},
        {Codes,
         "no-unit",
         Unit::Fresh,
         {E(txt::ErrorReadingFromUnit)},
         Text(txt::ErrorReadingFromUnit),
         0,
         Current::Default,
         Memory::Unchanged,
         R::NoConnection},
        {Codes,
         "nak-writes",
         Unit::Fresh,
         {E(txt::ErrorWritingToUnit)},
         Text(txt::ErrorWritingToUnit),
         0,
         Current::Default,
         Memory::Unchanged,
         R::WriteFailed},
        {Codes,
         "silent-writes",
         Unit::Fresh,
         {E(txt::VerifyError)},
         Text(txt::VerifyError),
         0,
         Current::Default,
         Memory::Unchanged,
         R::VerifyFailed},
        {Codes,
         "silent-reads",
         Unit::Fresh,
         {E(txt::NoConnection)},
         Text(txt::NoConnection),
         0,
         Current::Default,
         Memory::Unchanged,
         R::NoConnection},
        {Codes,
         "corrupt-reads",
         Unit::Fresh,
         {E(txt::NoConnection)},
         Text(txt::NoConnection),
         0,
         Current::Default,
         Memory::Unchanged,
         R::NoConnection},
        {Codes,
         "wrong-product",
         Unit::Fresh,
         {E(txt::InvalidProductType)},
         "",
         0,
         Current::Default,
         Memory::Unchanged,
         R::WrongProduct},
        {Codes,
         "",
         Unit::BadChecksum,
         {I(txt::ConfigurationUpdated)},
         Text(txt::WriteAndVerifyComplete),
         0,
         Current::Default,
         Memory::CodesChanged,
         R::Ok},
        {Codes,
         "",
         Unit::OutOfLimits,
         {I(txt::ConfigurationUpdated)},
         Text(txt::WriteAndVerifyComplete),
         0,
         Current::Default,
         Memory::CodesChanged,
         R::Ok},
        {Codes,
         "",
         Unit::Fresh,
         {I(txt::ConfigurationUpdated)},
         Text(txt::WriteAndVerifyComplete),
         0,
         Current::Default,
         Memory::CodesChanged,
         R::Ok},
    };
    for (const Row& row : rows) {
        Bench b(row.faults, row.unit);
        const ImageBuffer currentBefore = b.state.CurrentImage;
        const std::size_t formsShown = b.ui.shownForms.size();
        const DeviceResult result = row.command == Read    ? b.Read()
                                    : row.command == Write ? b.Write()
                                                           : b.ChangeCodes();
        SCOPED_TRACE(::testing::Message()
                     << "command " << static_cast<int>(row.command) << " faults '" << row.faults
                     << "' unit " << static_cast<int>(row.unit));
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(Describe(b.ui.boxes), Describe(row.boxes));
        EXPECT_EQ(b.ui.status, row.status);
        EXPECT_EQ(b.state.ConfigState, row.configState);
        EXPECT_EQ(b.ui.title, row.configState == kStateRead ? kReadTitle : kDefaultTitle);
        EXPECT_FALSE(b.link->IsOpen());
        EXPECT_FALSE(b.sim->IsOpen());
        EXPECT_EQ(b.ui.busyDepth, 0);
        EXPECT_EQ(b.ui.progress.empty(), b.ui.progressEnds == 0);

        const ConfigImage memory = b.Memory();
        const auto current = ImageOf(b.state.CurrentImage);
        switch (row.current) {
            case Current::Default:
                EXPECT_EQ(b.state.CurrentImage, currentBefore);
                break;
            case Current::UnitImage:
                EXPECT_EQ(Bytes(current), Bytes(b.memoryBefore));
                break;
            case Current::Encoded:  // the unit's own bytes not taken over
                EXPECT_NE(Bytes(current.subspan(0, 14)), Bytes(std::span(memory).subspan(0, 14)));
                break;
            case Current::Merged:
                EXPECT_EQ(Bytes(current.subspan(0, 14)), Bytes(std::span(memory).subspan(0, 14)));
                EXPECT_EQ(Bytes(current.subspan(240)), Bytes(std::span(memory).subspan(240)));
                EXPECT_TRUE(ChecksumMatches(current));
                break;
        }
        if (row.command == Codes) {
            // The window's configuration is never touched.
            EXPECT_EQ(b.ui.shownForms.size(), formsShown);
        }
        switch (row.memory) {
            case Memory::Unchanged:
                EXPECT_EQ(memory, b.memoryBefore);
                break;
            case Memory::Written:
                for (std::size_t i = 0; i < kImageSize; ++i) {
                    const bool written = (i >= 14 && i <= 224) || (i >= 231 && i <= 237);
                    EXPECT_EQ(memory[i], written ? current[i] : b.memoryBefore[i]) << "byte " << i;
                }
                EXPECT_TRUE(ChecksumMatches(memory));
                break;
            case Memory::CodesChanged: {
                ConfigImage expected = b.memoryBefore;
                StoreRadioCodes(kNewCodes, expected);
                StoreChecksum(expected);
                EXPECT_EQ(memory, expected);
                EXPECT_EQ(expected[2], 0x12);
                break;
            }
        }
    }
}

TEST(WriteToDevice, FieldOutOfLimitsStopsBeforeTheLink) {
    Bench b;
    b.ui.editForm = [](FormModel& form) { form.edtInPassageDelay = "6"; };
    EXPECT_EQ(b.Write(), DeviceResult::EncodeRefused);
    EXPECT_EQ(Describe(b.ui.boxes), "E:" +
                                        TextF(txt::IncorrectParameterValue,
                                              std::string("On pad delay (s)"), std::string("6")) +
                                        "|");
    EXPECT_EQ(b.state.ConfigState, kStateWritten);
    EXPECT_EQ(b.ui.status, "Default config loaded");  // unchanged
    EXPECT_EQ(b.ui.busyCount, 0);
    EXPECT_EQ(b.sim->Traffic().opens, 0u);
    EXPECT_FALSE(std::filesystem::exists(b.BackupsFolder()));  // no history line either
    EXPECT_EQ(b.Memory(), b.memoryBefore);
}

TEST(WriteToDevice, KeepsTheUnitsOwnBytesAndLeavesTheGaps) {
    Bench b;
    // A configuration whose radio codes, product information and unused
    // bytes all differ from the unit's.
    auto current = ImageOf(b.state.CurrentImage);
    for (std::size_t i : {2u, 7u, 13u, 226u, 230u, 238u, 239u, 241u, 253u}) {
        current[i] = static_cast<std::uint8_t>(b.memoryBefore[i] ^ 0xA5);
    }
    EXPECT_EQ(b.Write(), DeviceResult::Ok);
    const ConfigImage memory = b.Memory();
    for (std::size_t i : {2u, 7u, 13u, 241u, 253u}) {
        EXPECT_EQ(current[i], b.memoryBefore[i]) << i;  // taken from the unit
        EXPECT_EQ(memory[i], b.memoryBefore[i]) << i;   // and never written
    }
    for (std::size_t i : {226u, 230u, 238u, 239u}) {
        EXPECT_EQ(current[i], b.memoryBefore[i] ^ 0xA5) << i;  // kept, not sent
        EXPECT_EQ(memory[i], b.memoryBefore[i]) << i;
    }
    EXPECT_EQ(b.ui.status, Text(txt::WriteAndVerifyComplete));
    // Save after a write asks for a name.
    EXPECT_EQ(FileSave(b.state, b.ui), FileResult::Cancelled);
    EXPECT_EQ(b.ui.dialogs.size(), 1u);
}

TEST(DeviceCommands, ExchangesInTheirOrder) {
    auto reads = [](unsigned first, unsigned last) {
        std::vector<std::string> frames;
        for (unsigned a = first; a <= last; a += 16) {
            char text[8];
            std::snprintf(text, sizeof text, "R%04X%02X", a, std::min(16u, last - a + 1));
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
    std::vector<std::string> settings;
    for (unsigned a = 14; a <= 224; a += 16) {
        char text[8];
        std::snprintf(text, sizeof text, "W%04X%02X", a, std::min(16u, 224 - a + 1));
        settings.push_back(text);
    }
    EXPECT_EQ(settings.back(), "W00DE03");

    const struct {
        Command command;
        bool backup;
        std::vector<std::string> frames;
    } cases[] = {
        {Command::Read, true, join({{"O"}, reads(240, 255), reads(0, 255)})},
        {Command::Write, true,
         join({{"O"},
               reads(0, 13),
               reads(240, 255),
               reads(0, 255),
               settings,
               {"W00E707"},
               reads(0, 255)})},
        {Command::Write, false,
         join({{"O"}, reads(0, 13), reads(240, 255), settings, {"W00E707"}, reads(0, 255)})},
        {Command::Codes, true,
         join({{"O", "R00F001"}, reads(0, 255), {"W00000E", "W00E001", "R00000E", "R00E001"}})},
    };
    for (const auto& c : cases) {
        Bench b;
        if (!c.backup) {
            b.state.Values.WriteValue("Setup", "BackupBeforeWrite", "0");
        }
        c.command == Command::Read    ? b.Read()
        : c.command == Command::Write ? b.Write()
                                      : b.ChangeCodes();
        EXPECT_EQ(b.Commands(), c.frames) << static_cast<int>(c.command) << " " << c.backup;
        EXPECT_EQ(std::filesystem::exists(b.BackupsFolder() + "123456-20251231-235958.Qzt"),
                  c.backup && c.command != Command::Read);
        // Progress runs over the whole command's blocks, one step a block.
        const std::size_t blocks = c.frames.size() - 1;
        ASSERT_EQ(b.ui.progress.size(), blocks);
        for (std::size_t i = 0; i < blocks; ++i) {
            EXPECT_EQ(b.ui.progress[i], std::make_pair(i + 1, blocks));
        }
    }
}

TEST(WriteToDevice, EveryRefusedBlockIsTriedAndTheClockBlockToo) {
    Bench b("nak-writes");
    EXPECT_EQ(b.Write(), DeviceResult::WriteFailed);
    const auto commands = b.Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "W000E10"), 3);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "W00DE03"), 3);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "W00E707"), 3);
    // No read-back after a refused write.
    EXPECT_EQ(commands.back(), "W00E707");
}

TEST(WriteToDevice, NothingIsWrittenWithoutABackup) {
    const struct {
        const char* faults;
        std::function<void(Bench&)> prepare;
        DeviceResult result;
        std::string message;  // "%s" for the backup's path
    } cases[] = {
        // A block that only the whole-image read asks for.
        {"silent-reads@100", {}, DeviceResult::NoConnection, Text(txt::NoConnection)},
        {"",
         [](Bench& b) {
             WriteFile(b.state.ProgramDataDirectory + "Backups", "a file where the folder goes");
         },
         DeviceResult::BackupFailed,
         TextF(txt::BackupFailed, std::string("%s/Backups/123456-20251231-235958.Qzt"))},
    };
    for (const auto& c : cases) {
        Bench b(c.faults);
        if (c.prepare) {
            c.prepare(b);
        }
        EXPECT_EQ(b.Write(), c.result);
        std::string message = c.message;
        if (const auto at = message.find("%s"); at != std::string::npos) {
            message.replace(at, 2, b.dir.Path() + "/data");
        }
        EXPECT_EQ(Describe(b.ui.boxes), "E:" + message + "|");
        EXPECT_EQ(b.ui.status, message);
        EXPECT_EQ(b.Writes(), 0u);
        EXPECT_EQ(b.Memory(), b.memoryBefore);
        EXPECT_FALSE(b.sim->IsOpen());
    }
}

TEST(DeviceCommands, BackupsAndHistoryAreKept) {
    Bench b;
    EXPECT_EQ(b.Write(), DeviceResult::Ok);
    const ConfigImage afterWrite = b.Memory();
    // Both within the same second: the second backup gets a name of its own.
    EXPECT_EQ(b.ChangeCodes(), DeviceResult::Ok);
    EXPECT_EQ(b.Read(), DeviceResult::Ok);
    b.ui.onEditRadioCodes = {};
    EXPECT_EQ(ChangeDeviceRadioCodes(b.state, *b.link, b.ui), DeviceResult::Cancelled);

    const std::string folder = b.BackupsFolder();
    EXPECT_EQ(ReadFile(folder + "123456-20251231-235958.Qzt"), Bytes(b.memoryBefore));
    EXPECT_EQ(ReadFile(folder + "123456-20251231-235958-2.Qzt"), Bytes(afterWrite));
    EXPECT_FALSE(std::filesystem::exists(folder + "123456-20251231-235958-3.Qzt"));
    EXPECT_EQ(ReadFile(folder + "History.csv"),
              "Time,Command,Serial number,Result\n"
              "2025-12-31 23:59:58,Write to device,123456,Write and Verify complete\n"
              "2025-12-31 23:59:58,Change Radio Codes in device,123456,Write and Verify complete\n"
              "2025-12-31 23:59:58,Read from device,123456,Read complete\n"
              "2025-12-31 23:59:58,Change Radio Codes in device,123456,Abort\n");

    // A failure is recorded with its message on one line, quoted where a
    // field needs it; no unit read, no serial number.
    Bench failing("no-box");
    failing.Read();
    Bench decode("", Unit::OutOfLimits);
    decode.memoryBefore[64] = 250;  // also radio test alarm period, whose name holds a comma
    StoreChecksum(decode.memoryBefore);
    WriteFile(decode.MemoryPath(), Bytes(decode.memoryBefore));
    decode.Read();
    EXPECT_EQ(ReadFile(failing.BackupsFolder() + "History.csv"),
              "Time,Command,Serial number,Result\n"
              "2025-12-31 23:59:58,Read from device,,Could not find KVD! Check that USB cable and "
              "AC-adaptor are connected to KVD\n");
    EXPECT_EQ(ReadFile(decode.BackupsFolder() + "History.csv"),
              "Time,Command,Serial number,Result\n"
              "2025-12-31 23:59:58,Read from device,123456,\"Error converting data! The value in "
              "field 'Radio test alarm period (h, 0=OFF)' is outside its limits. Adress 64 "
              "contains 250, which is invalid. Please contact ORVI Electronics\"\n");
}

TEST(UnitRecords, CsvFieldsAreQuotedWhereNeeded) {
    const struct {
        const char* text;
        const char* field;
    } cases[] = {
        {"", ""},
        {"Read complete", "Read complete"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {" padded", "\" padded\""},
        {"=1+1", "=1+1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CsvField(c.text), c.field) << c.text;
    }
}

TEST(ReadFromDevice, GoesOnWithoutADefaultAndSaveAsksForAName) {
    Bench b;
    std::filesystem::remove(b.state.ProgramDataDirectory + "Default.bin");
    EXPECT_EQ(b.Read(), DeviceResult::Ok);
    EXPECT_EQ(Describe(b.ui.boxes),
              "E:File Default.bin was not found!|I:" + Text(txt::ReadComplete) + "|");
    EXPECT_EQ(b.state.Form.edtSerialNumber, "123456");
    EXPECT_EQ(b.ui.statusHistory,
              (std::vector<std::string>{"", "Read from QZT...", "Read complete"}));

    EXPECT_EQ(FileSave(b.state, b.ui), FileResult::Cancelled);
    ASSERT_EQ(b.ui.dialogs.size(), 1u);
    EXPECT_EQ(b.ui.dialogs[0].title, "Save as");
    EXPECT_EQ(b.state.ConfigState, kStateRead);
}

TEST(ChangeDeviceRadioCodes, DialogShowsAndStoresTheCodes) {
    const struct {
        Unit unit;
        UserInterface::RadioCodes shown;
        UserInterface::RadioCodes typed;
        std::array<std::uint8_t, 12> stored;
    } cases[] = {
        {Unit::Fresh,
         {"3A41", "3A42", "3A43", "3A44", "3A45", "3A4F"},
         {"abcd", "ffff", "0000", "12aB", "3A42", "9999"},
         {0xAB, 0xCD, 0xFF, 0xFF, 0x00, 0x00, 0x12, 0xAB, 0x3A, 0x42, 0x99, 0x99}},
        {Unit::NoCodes,
         {"", "", "", "", "", ""},
         {"0001", "0010", "0100", "1000", "F00F", "0F00"},
         {0x00, 0x01, 0x00, 0x10, 0x01, 0x00, 0x10, 0x00, 0xF0, 0x0F, 0x0F, 0x00}},
    };
    for (const auto& c : cases) {
        Bench b("", c.unit);
        EXPECT_EQ(b.ChangeCodes(c.typed), DeviceResult::Ok);
        ASSERT_EQ(b.ui.radioCodeDialogs.size(), 1u);
        EXPECT_EQ(b.ui.radioCodeDialogs[0], c.shown);
        const ConfigImage memory = b.Memory();
        EXPECT_EQ(Bytes(std::span(memory).subspan(2, 12)), Bytes(c.stored));
        EXPECT_EQ(memory[0], b.memoryBefore[0]);
        EXPECT_EQ(memory[1], b.memoryBefore[1]);
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
    EXPECT_EQ(ChangeDeviceRadioCodes(b.state, *b.link, b.ui), DeviceResult::Cancelled);
    EXPECT_TRUE(b.ui.boxes.empty());
    EXPECT_EQ(b.ui.status, "before");
    EXPECT_EQ(b.Writes(), 0u);
    EXPECT_FALSE(b.link->IsOpen());
    EXPECT_EQ(b.Memory(), b.memoryBefore);
    EXPECT_FALSE(std::filesystem::exists(b.BackupsFolder() + "123456-20251231-235958.Qzt"));
}

TEST(ChangeDeviceRadioCodes, ALostChecksumWriteIsAVerifyError) {
    // The codes arrive but the checksum block never does: the unit would
    // hold a configuration the next read calls corrupt.
    Bench b("silent-writes@224");
    EXPECT_EQ(b.ChangeCodes(), DeviceResult::VerifyFailed);
    EXPECT_EQ(Describe(b.ui.boxes), Describe({E(txt::VerifyError)}));
    EXPECT_FALSE(ChecksumMatches(b.Memory()));
}

}  // namespace
}  // namespace qzt
