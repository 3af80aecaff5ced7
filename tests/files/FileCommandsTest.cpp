#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "ImageBytes.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"
#include "config/DefaultImage.h"
#include "core/FileSystem.h"
#include "core/StartUp.h"
#include "files/ConfigFile.h"
#include "files/FileCommands.h"

namespace qzt {
namespace {

using test::ImageBytes;
using test::ReadFile;
using test::RecordedBox;
using test::TempDir;
using test::WriteFile;

const std::string kProductTypeText =
    "Invalid product type!\nVerify that a QZT unit is connected to the KVD,\nrestart the QZT "
    "unit and try again.\nIf the problem persists, contact ORVI Electronics.";

// The main window's state on temporary folders: the shipped Values.i as the
// user's Values.ini, the default image as Default.bin.
struct Workspace {
    Workspace() {
        state.ProgramDataDirectory = dir / "data/";
        WriteFile(state.ProgramDataDirectory + "Values.ini",
                  ReadFile(std::string(QZT_RUNTIME_DIR) + "/Values.i"));
        state.Values.SetFileName(state.ProgramDataDirectory + "Values.ini");
        LoadValueLists(state);
        WriteFile(state.ProgramDataDirectory + "Default.bin", ImageBytes());
        state.ActiveConfigDirectory = dir / "configs";
        std::filesystem::create_directories(state.ActiveConfigDirectory);
        EXPECT_EQ(FileNew(state, ui), FileResult::Ok);
        ui.boxes.clear();
    }
    std::string File(const std::string& name, const std::string& bytes) {
        return WriteFile(dir / ("configs/" + name), bytes);
    }
    std::string Boxes() const {
        std::string all;
        for (const RecordedBox& b : ui.boxes) {
            all += (b.kind == RecordedBox::Error ? "E:" : "I:") + b.text + "|";
        }
        return all;
    }

    TempDir dir;
    ProgramState state;
    test::ScriptedUserInterface ui;
};

TEST(FileNew, LoadsTheDefaultImageOrReportsItMissing) {
    Workspace w;
    EXPECT_EQ(w.state.ConfigState, ConfigMode::Default);
    EXPECT_EQ(w.ui.title, "(Default) - QZT Programmer");
    EXPECT_EQ(w.ui.status, "Default config loaded");
    EXPECT_EQ(std::string(w.state.CurrentImage.begin(), w.state.CurrentImage.begin() + 256),
              ImageBytes());
    EXPECT_EQ(w.state.Form.edtInPassageDelay, "10");

    // A short or missing Default.bin changes nothing but the status text.
    for (const char* content : {"short", static_cast<const char*>(nullptr)}) {
        const std::string path = w.state.ProgramDataDirectory + "Default.bin";
        std::filesystem::remove(path);
        if (content != nullptr) {
            WriteFile(path, content);
        }
        const ImageBuffer before = w.state.CurrentImage;
        w.state.ConfigState = ConfigMode::Read;
        w.ui.title = "unchanged";
        w.ui.boxes.clear();
        EXPECT_EQ(FileNew(w.state, w.ui), FileFault::ReadFailed);
        EXPECT_EQ(w.Boxes(), "E:File Default.bin was not found!|");
        EXPECT_EQ(w.ui.status, "");
        EXPECT_EQ(w.state.ConfigState, ConfigMode::Read);
        EXPECT_EQ(w.ui.title, "unchanged");
        EXPECT_EQ(w.state.CurrentImage, before);
    }
}

TEST(FileNew, DecodeFaultIsShownAndTheImageLoaded) {
    Workspace w;
    WriteFile(w.state.ProgramDataDirectory + "Default.bin", ImageBytes(256, {{49, 6}}));
    EXPECT_EQ(FileNew(w.state, w.ui), FileFault::DecodeFault);
    EXPECT_EQ(w.Boxes(),
              "E:Error converting data!\nThe value in field 'On pad delay (s)' is outside its "
              "limits.\nAdress 49 contains 6, which is invalid.\nPlease contact ORVI Electronics|");
    EXPECT_EQ(w.ui.status, "Default config loaded");
    EXPECT_EQ(w.state.Form.edtInPassageDelay, "6");
}

TEST(FileOpen, ChecksInOrderAndLeavesEverythingOnRefusal) {
    struct Case {
        const char* name;
        const char* chosen;  // relative to the configs folder
        std::function<void(Workspace&)> make;
        FileResult result;
        std::string boxes;  // "%s" is the configs folder
    };
    const Case cases[] = {
        {"missing", "nothing.Qzt", [](Workspace&) {}, FileFault::NotFound,
         "E:File '%s/nothing.Qzt' not found.|"},
        {"empty file", "e.Qzt", [](Workspace& w) { w.File("e.Qzt", ""); }, FileFault::BadFile,
         "E:Incorrect file size!|"},
        {"255 bytes", "a.Qzt", [](Workspace& w) { w.File("a.Qzt", ImageBytes(255)); },
         FileFault::BadFile, "E:Incorrect file size!|"},
        {"257 bytes", "a.Qzt", [](Workspace& w) { w.File("a.Qzt", ImageBytes(257)); },
         FileFault::BadFile, "E:Incorrect file size!|"},
        {"a folder", "dir.Qzt",
         [](Workspace& w) { std::filesystem::create_directories(w.dir / "configs/dir.Qzt"); },
         FileFault::NotFound, "E:File '%s/dir.Qzt' not found.|"},
        {"other product", "p.Qzt",
         [](Workspace& w) {
             w.File("p.Qzt", ImageBytes(256, {{248, 0x47}}));
         },
         FileFault::WrongProduct, "E:" + kProductTypeText + "|"},
    };
    for (const Case& c : cases) {
        Workspace w;
        c.make(w);
        const ImageBuffer before = w.state.CurrentImage;
        w.ui.paths.push_back(w.dir / (std::string("configs/") + c.chosen));
        EXPECT_EQ(FileOpen(w.state, w.ui), c.result) << c.name;
        std::string expected = c.boxes;
        if (auto at = expected.find("%s"); at != std::string::npos) {
            expected.replace(at, 2, w.dir / "configs");
        }
        EXPECT_EQ(w.Boxes(), expected) << c.name;
        EXPECT_EQ(w.state.ConfigState, ConfigMode::Default) << c.name;
        EXPECT_EQ(w.state.CurrentFileName, "") << c.name;
        EXPECT_EQ(w.ui.title, "(Default) - QZT Programmer") << c.name;
        EXPECT_EQ(w.ui.status, "Default config loaded") << c.name;
        EXPECT_EQ(w.state.CurrentImage, before) << c.name;
    }
}

TEST(FileOpen, LoadsAndNamesTheFile) {
    struct Case {
        const char* name;
        const char* file;  // written in the configs folder
        std::string bytes;
        const char* chosen;  // typed in the dialog
        FileResult result;
        std::string boxes;
    };
    const Case cases[] = {
        // Another unit's product information than the default's, to its
        // serial number's last byte: every byte comes from the file.
        {"plain", "unit.Qzt", ImageBytes(256, {{49, 30}, {240, 0x02}, {255, 0x77}}), "unit.Qzt",
         FileResult::Ok, "I:Configuration file 'unit.Qzt' opened|"},
        {"no extension typed", "site3.Qzt", ImageBytes(), "site3", FileResult::Ok,
         "I:Configuration file 'site3.Qzt' opened|"},
        {"other extension used as typed", "site3.bin", ImageBytes(2048), "site3.bin",
         FileResult::Ok, "I:Configuration file 'site3.bin' opened|"},
        {"percent in the name", "100%s %d.Qzt", ImageBytes(), "100%s %d.Qzt", FileResult::Ok,
         "I:Configuration file '100%s %d.Qzt' opened|"},
        {"decode fault", "bad.Qzt", ImageBytes(256, {{65, 241}}), "bad.Qzt", FileFault::DecodeFault,
         "E:Error converting data!\nThe value in field 'Battery alarm period (h, 0=OFF)' is "
         "outside its limits.\nAdress 65 contains 241, which is invalid.\nPlease contact ORVI "
         "Electronics|"},
    };
    for (const Case& c : cases) {
        Workspace w;
        const std::string path = w.File(c.file, c.bytes);
        w.ui.paths.push_back(w.dir / (std::string("configs/") + c.chosen));
        EXPECT_EQ(FileOpen(w.state, w.ui), c.result) << c.name;
        EXPECT_EQ(w.Boxes(), c.boxes) << c.name;
        EXPECT_EQ(w.state.ConfigState, ConfigMode::File) << c.name;
        EXPECT_EQ(w.state.CurrentFileName, path) << c.name;
        EXPECT_EQ(w.ui.title, std::string(c.file) + " - QZT Programmer") << c.name;
        EXPECT_EQ(w.ui.status, "Configuration file '" + std::string(c.file) + "' opened") << c.name;
        EXPECT_EQ(std::string(w.state.CurrentImage.begin(), w.state.CurrentImage.begin() + 256),
                  c.bytes.substr(0, 256))
            << c.name;
    }
    // The dialog starts in the active folder with the filter of the program.
    Workspace w;
    FileOpen(w.state, w.ui);  // cancelled
    ASSERT_EQ(w.ui.dialogs.size(), 1u);
    EXPECT_EQ(w.ui.dialogs[0].title, "Open");
    EXPECT_EQ(w.ui.dialogs[0].filterName, "QZT configuration file");
    EXPECT_EQ(w.ui.dialogs[0].filterPattern, "*.Qzt");
    EXPECT_EQ(w.ui.dialogs[0].startFolder, w.state.ActiveConfigDirectory);
    EXPECT_EQ(w.state.ConfigState, ConfigMode::Default);
}

TEST(FileSave, WritesInFileStatesKeepingThe2048ByteRule) {
    struct Case {
        const char* name;
        std::size_t existing;  // size of the file before (0: none)
        std::size_t written;
    };
    const Case cases[] = {{"over a 256-byte file", 256, 256},
                          {"over a 2048-byte file", 2048, 2048},
                          {"over a 300-byte file", 300, 256}};
    for (const Case& c : cases) {
        Workspace w;
        const std::string path = w.File("unit.Qzt", ImageBytes(c.existing, {{49, 30}}, '\x5A'));
        w.state.CurrentFileName = path;
        w.state.ConfigState = ConfigMode::File;
        w.state.Form.edtInPassageDelay = "45";
        EXPECT_EQ(FileSave(w.state, w.ui), FileResult::Ok) << c.name;
        const std::string saved = ReadFile(path);
        ASSERT_EQ(saved.size(), c.written) << c.name;
        EXPECT_EQ(static_cast<std::uint8_t>(saved[49]), 45) << c.name;
        if (c.written == 2048) {
            EXPECT_EQ(saved.substr(256), std::string(1792, '\xFF')) << c.name;
        }
        EXPECT_EQ(w.ui.status, "Configuration file saved") << c.name;
        EXPECT_EQ(w.ui.title, "unit.Qzt - QZT Programmer") << c.name;
        EXPECT_TRUE(w.ui.dialogs.empty()) << c.name;
    }
}

TEST(FileSave, OutsideFileStatesItIsSaveAs) {
    for (ConfigMode state : {ConfigMode::Default, ConfigMode::Read, ConfigMode::Written}) {
        Workspace w;
        w.state.ConfigState = state;
        w.state.CurrentFileName = w.File("old.Qzt", ImageBytes());
        EXPECT_EQ(FileSave(w.state, w.ui), FileFault::Cancelled) << int(state);
        ASSERT_EQ(w.ui.dialogs.size(), 1u) << int(state);
        EXPECT_EQ(w.ui.dialogs[0].title, "Save as");
        EXPECT_EQ(w.state.ConfigState, state);
    }
}

TEST(FileSave, RefusedFieldStopsBeforeAnything) {
    Workspace w;
    const std::string path = w.File("unit.Qzt", ImageBytes());
    w.state.CurrentFileName = path;
    w.state.ConfigState = ConfigMode::File;
    w.state.Form.edtInPassageDelay = "6";
    EXPECT_EQ(FileSave(w.state, w.ui), FileFault::EncodeRefused);
    EXPECT_EQ(w.Boxes(),
              "E:Incorrect parameter value!\nThe field 'On pad delay (s)' contains '6'.\nPlease "
              "check the field and try again.|");
    EXPECT_EQ(w.ui.status, "");
    EXPECT_EQ(ReadFile(path), ImageBytes());

    w.ui.boxes.clear();
    w.state.ConfigState = ConfigMode::Read;
    EXPECT_EQ(FileSaveAs(w.state, w.ui), FileFault::EncodeRefused);
    EXPECT_TRUE(w.ui.dialogs.empty());  // no dialog before the form is valid
    EXPECT_EQ(w.state.ConfigState, ConfigMode::Read);
}

TEST(FileSave, FailedWriteLeavesThePreviousFile) {
    Workspace w;
    const std::string path = w.File("unit.Qzt", ImageBytes(256, {{49, 30}}));
    w.state.CurrentFileName = path;
    w.state.ConfigState = ConfigMode::File;
    w.state.Form.edtInPassageDelay = "45";

    std::size_t failures = 1;
#ifndef _WIN32
    ++failures;
    // A disk that fills up during the write: the file-size limit makes the
    // 256-byte write fail after 100 bytes (a POSIX limit; Windows has none).
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileResult full = FileSave(w.state, w.ui);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(full, FileFault::WriteFailed);
#endif

    // A read-only file.
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(FileSave(w.state, w.ui), FileFault::WriteFailed);

    const std::string message =
        "E:Could not save configuration!\nEntered name must be a valid Windows file name.\nDo "
        "not use any special characters like: [^:*?<>|]|";
    std::string boxes;
    for (std::size_t i = 0; i < failures; ++i) {
        boxes += message;
    }
    EXPECT_EQ(w.Boxes(), boxes);
    EXPECT_EQ(ReadFile(path), ImageBytes(256, {{49, 30}}));
    EXPECT_EQ(w.ui.status, "Default config loaded");  // the status keeps its text
    EXPECT_EQ(std::filesystem::directory_entry(w.dir / "configs").exists(), true);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(w.dir / "configs")) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);  // no temporary file left behind
}

// The errors of folders closed or missing and their texts are POSIX's.
#ifndef _WIN32
TEST(FileSave, FailedWriteSaysWhy) {
    // The box keeps its one text; the reason names the failing file or folder.
    const struct {
        const char* target;  // under the test's folder, whose configs hold a file "plain"
        const char* about;
        int error;
        mode_t folderMode;  // of configs; root writes into a read-only folder anyway
    } cases[] = {{"configs/plain/unit.Qzt", "configs/plain", ENOTDIR, 0755},
                 {"configs/none/unit.Qzt", "configs/none", ENOENT, 0755},
                 {"configs/unit.Qzt", "configs", EACCES, 0555}};
    for (const auto& c : cases) {
        if (c.folderMode != 0755 && ::geteuid() == 0) {
            continue;
        }
        Workspace w;
        w.File("plain", "x");
        ::chmod((w.dir / "configs").c_str(), c.folderMode);
        w.state.CurrentFileName = w.dir / c.target;
        w.state.ConfigState = ConfigMode::File;
        EXPECT_EQ(FileSave(w.state, w.ui), FileFault::WriteFailed) << c.target;
        ::chmod((w.dir / "configs").c_str(), 0755);
        ASSERT_EQ(w.ui.boxes.size(), 1u) << c.target;
        EXPECT_EQ(w.ui.boxes[0].text.substr(0, 30), "Could not save configuration!\n");
        EXPECT_EQ(w.ui.boxes[0].reason, w.dir / c.about + ": " + std::strerror(c.error));
    }
}
#endif

TEST(FileSaveAs, TargetsQuestionsAndStates) {
    struct Case {
        const char* name;
        const char* existing;  // file in the configs folder before, or nullptr
        bool readOnly;
        std::optional<const char*> chosen;  // nothing: cancelled
        UserInterface::Answer answer;
        FileResult result;
        ConfigMode state;     // ConfigState afterwards
        const char* written;  // file that now holds the image, or nullptr
        std::string boxes;
        // After an earlier save's "Configuration file saved": a refusal
        // after the dialog says nothing was saved by emptying it.
        const char* status = "Configuration file saved";
    };
    const Case cases[] = {
        {"new file, extension replaced", nullptr, false, "plan.txt", UserInterface::Answer::No,
         FileResult::Ok, ConfigMode::Saved, "plan.Qzt", ""},
        {"cancelled after a read", nullptr, false, std::nullopt, UserInterface::Answer::No,
         FileFault::Cancelled, ConfigMode::Read, nullptr, ""},
        {"overwrite declined", "plan.Qzt", false, "plan.txt", UserInterface::Answer::No,
         FileFault::Cancelled, ConfigMode::Read, nullptr,
         "I:Configuration file exists. Do you want to overwrite?|", ""},
        {"overwrite accepted", "plan.Qzt", false, "plan", UserInterface::Answer::Yes,
         FileResult::Ok, ConfigMode::Saved, "plan.Qzt",
         "I:Configuration file exists. Do you want to overwrite?|"},
        {"read-only target", "plan.Qzt", true, "plan.Qzt", UserInterface::Answer::Yes,
         FileFault::ReadOnly, ConfigMode::Read, nullptr,
         "I:Configuration file is read only.\nThe file could not be saved.|", ""},
    };
    for (const Case& c : cases) {
        Workspace w;
        w.state.ConfigState = ConfigMode::Read;
        w.ui.title = "(Read from QZT) - QZT Programmer";
        if (c.existing != nullptr) {
            const std::string p = w.File(c.existing, "old");
            if (c.readOnly) {
                ::chmod(p.c_str(), 0444);
            }
        }
        w.ui.paths.push_back(
            c.chosen ? std::optional<std::string>(w.dir / (std::string("configs/") + *c.chosen))
                     : std::nullopt);
        w.ui.answers.push_back(c.answer);
        w.ui.status = "Configuration file saved";
        EXPECT_EQ(FileSaveAs(w.state, w.ui), c.result) << c.name;
        EXPECT_EQ(w.ui.status, c.status) << c.name;
        EXPECT_EQ(w.state.ConfigState, c.state) << c.name;
        EXPECT_EQ(w.Boxes(), c.boxes) << c.name;
        if (c.written != nullptr) {
            EXPECT_EQ(ReadFile(w.dir / (std::string("configs/") + c.written)).size(), 256u)
                << c.name;
            EXPECT_EQ(w.state.CurrentFileName, w.dir / (std::string("configs/") + c.written));
            EXPECT_EQ(w.ui.title, std::string(c.written) + " - QZT Programmer") << c.name;
        } else {
            EXPECT_EQ(w.state.CurrentFileName, "") << c.name;
            EXPECT_EQ(w.ui.title, "(Read from QZT) - QZT Programmer") << c.name;
        }
    }
}

TEST(FileNames, OneConfigurationWhateverTheCaseOfItsExtension) {
    // Where Open and Save As complete or replace ".Qzt", a file that differs
    // only in the case of its extension is that configuration: no second
    // spelling appears beside it.
    const std::string asked = "I:Configuration file exists. Do you want to overwrite?|";
    struct Case {
        std::vector<const char*> existing;
        bool save;           // Save As, else Open
        const char* chosen;  // typed in the dialog
        std::string boxes;
        const char* used;  // the file written or opened
    };
    std::vector<Case> cases = {
        {{"upper.QZT"}, true, "upper.QZT", asked, "upper.QZT"},
        {{"lower.qzt"}, true, "lower.txt", asked, "lower.qzt"},
        {{}, true, "fresh.QZT", "", "fresh.Qzt"},
        {{"lower.qzt"}, false, "lower", "I:Configuration file 'lower.qzt' opened|", "lower.qzt"},
    };
#ifndef _WIN32
    // Two spellings side by side exist only where names are case-sensitive.
    cases.push_back({{"two.QZT", "two.qzt"}, true, "two.qzt", asked, "two.qzt"});
#endif
    for (const auto& c : cases) {
        Workspace w;
        std::set<std::string> expected{c.used};
        for (const std::string file : c.existing) {
            w.File(file, ImageBytes());
            expected.insert(file);
        }
        w.ui.paths.push_back(w.dir / (std::string("configs/") + c.chosen));
        w.ui.answers.push_back(UserInterface::Answer::Yes);
        EXPECT_EQ(c.save ? FileSaveAs(w.state, w.ui) : FileOpen(w.state, w.ui), FileResult::Ok);
        EXPECT_EQ(w.Boxes(), c.boxes) << c.chosen;
        EXPECT_EQ(w.state.CurrentFileName, w.dir / (std::string("configs/") + c.used));
        std::set<std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(w.dir / "configs")) {
            files.insert(e.path().filename().string());
        }
        EXPECT_EQ(files, expected) << c.chosen;
    }
}

TEST(FileSaveAs, FailedWriteKeepsTheNewName) {
    Workspace w;
    w.ui.paths.push_back(w.dir / "no such folder/unit");
    EXPECT_EQ(FileSaveAs(w.state, w.ui), FileFault::WriteFailed);
    EXPECT_EQ(w.state.ConfigState, ConfigMode::Saved);
    EXPECT_EQ(w.state.CurrentFileName, w.dir / "no such folder/unit.Qzt");
}

TEST(DropFiles, AcceptanceTable) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;  // name, bytes
        FileResult result;
        std::string boxes;
        std::string status;
    };
    const Case cases[] = {
        {"two files",
         {{"a.Qzt", ImageBytes()}, {"b.Qzt", ImageBytes()}},
         FileFault::BadFile,
         "E:There is no support for drag-n-drop of multiple configuration files|",
         ""},
        {"upper-case extension",
         {{"unit.QZT", ImageBytes()}},
         FileResult::Ok,
         "",
         "Configuration file 'unit.QZT' opened"},
        {"256 bytes, other extension",
         {{"unit.bin", ImageBytes()}},
         FileFault::BadFile,
         "E:Dropped file is not a QZT configuration file|",
         ""},
        {"2048 bytes, any extension",
         {{"dump.txt", ImageBytes(2048)}},
         FileResult::Ok,
         "",
         "Configuration file 'dump.txt' opened"},
        {"512 bytes",
         {{"unit.qzt", ImageBytes(512)}},
         FileFault::BadFile,
         "E:Dropped file is not a QZT configuration file|",
         ""},
        {"other product",
         {{"unit.qzt", ImageBytes(256, {{248, 0}})}},
         FileFault::WrongProduct,
         "E:Invalid product type!\nDropped file is not a QZT configuration file.|",
         ""},
        {"decode fault",
         {{"unit.qzt", ImageBytes(256, {{50, 0x0E}, {51, 0x11}})}},
         FileFault::DecodeFault,
         "E:Error converting data!\nThe value in field 'Time allowed out of pad (s)' is outside "
         "its limits.\nAdress 50 contains 14, which is invalid.\nPlease contact ORVI "
         "Electronics|",
         ""},
    };
    for (const Case& c : cases) {
        Workspace w;
        std::vector<std::string> paths;
        for (const auto& [name, bytes] : c.files) {
            paths.push_back(w.File(name, bytes));
        }
        EXPECT_EQ(DropFiles(w.state, w.ui, paths), c.result) << c.name;
        EXPECT_EQ(w.Boxes(), c.boxes) << c.name;
        EXPECT_EQ(w.ui.status, c.status) << c.name;
        const bool loaded = c.result == FileResult::Ok || c.result == FileFault::DecodeFault;
        EXPECT_EQ(w.state.ConfigState, loaded ? ConfigMode::File : ConfigMode::Default) << c.name;
        EXPECT_EQ(w.state.CurrentFileName, loaded ? paths[0] : "") << c.name;
        EXPECT_EQ(w.ui.title,
                  loaded ? c.files[0].first + " - QZT Programmer" : "(Default) - QZT Programmer")
            << c.name;
    }
}

TEST(CommandLineFile, AcceptanceTable) {
    struct Case {
        const char* file;
        std::string bytes;
        FileResult result;
        std::string boxes;
    };
    const Case cases[] = {
        {"unit.qzt", ImageBytes(2048), FileResult::Ok, ""},
        {"unit.Qzt", ImageBytes(256, {{64, 250}}), FileFault::DecodeFault,
         "E:Error converting data!\nThe value in field 'Radio test alarm period (h, 0=OFF)' is "
         "outside its limits.\nAdress 64 contains 250, which is invalid.\nPlease contact ORVI "
         "Electronics|"},
        {"unit.bin", ImageBytes(), FileFault::BadFile, "E:Incorrect file size!|"},
        {"unit.qzt.txt", ImageBytes(2048), FileFault::BadFile, "E:Incorrect file size!|"},
        {"other.qzt", ImageBytes(256, {{248, 0x47}}), FileFault::WrongProduct,
         "E:" + kProductTypeText + "|"},
    };
    for (const Case& c : cases) {
        Workspace w;
        const std::string path = w.File(c.file, c.bytes);
        EXPECT_EQ(OpenCommandLineFile(w.state, w.ui, path), c.result) << c.file;
        EXPECT_EQ(w.Boxes(), c.boxes) << c.file;
        const bool loaded = c.result == FileResult::Ok || c.result == FileFault::DecodeFault;
        EXPECT_EQ(w.state.ConfigState, loaded ? ConfigMode::File : ConfigMode::Default) << c.file;
        EXPECT_EQ(w.ui.status, loaded ? "Configuration file '" + std::string(c.file) + "' opened"
                                      : "Default config loaded")
            << c.file;
    }
}

TEST(FileNames, ExtensionReplacement) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {{"/a/plan.txt", "/a/plan.Qzt"},
                 {"/a/plan", "/a/plan.Qzt"},
                 {"/a.b/plan", "/a.b/plan.Qzt"},
                 {"/a/plan.tar.gz", "/a/plan.tar.Qzt"},
                 {"/a/plan.QZT", "/a/plan.Qzt"}};
    for (const auto& c : cases) {
        EXPECT_EQ(WithExtension(c.path, ".Qzt"), c.expected);
    }
}

}  // namespace
}  // namespace qzt
