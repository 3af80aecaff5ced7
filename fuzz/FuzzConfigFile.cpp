// Any bytes of any size as a configuration file, loaded the three ways the
// program loads one (File > Open, a drop, the command line) and saved back
// with File > Save. A refused file leaves the state as it was.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ScriptedUserInterface.h"
#include "config/DefaultImage.h"
#include "core/ProgramState.h"
#include "files/FileCommands.h"

using namespace qzt;

namespace {

std::string Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/qzt-fuzz-XXXXXX";
        if (::mkdtemp(name) == nullptr) {
            std::abort();
        }
        return std::string(name) + "/";
    }();
    return folder;
}

ProgramState FreshState() {
    ProgramState state;
    for (const DropDownSource& source : kDropDownSources) {
        for (int code = 0; code < 8; ++code) {
            state.List(source.dropDown).Append(code, "entry " + std::to_string(code));
        }
    }
    const ConfigImage image = BuildDefaultImage();
    std::copy(image.begin(), image.end(), state.CurrentImage.begin());
    state.ProgramDataDirectory = Folder();
    return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const char* const kNames[] = {"unit.qzt", "unit.QZT", "unit.bin", "dump.txt"};
    const std::string path = Folder() + kNames[data[0] % 4];
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }

    for (int way = 0; way < 3; ++way) {
        ProgramState state = FreshState();
        const ImageBuffer before = state.CurrentImage;
        test::ScriptedUserInterface ui;
        FileResult result = FileResult::Ok;
        switch (way) {
            case 0:
                result = OpenConfigFile(state, ui, path);
                break;
            case 1:
                result = DropFiles(state, ui, {path});
                break;
            case 2:
                result = OpenCommandLineFile(state, ui, path);
                break;
        }
        const bool loaded = result == FileResult::Ok || result == FileFault::DecodeFault;
        if (!loaded && (state.CurrentImage != before || state.ConfigState != ConfigMode::Default ||
                        !state.CurrentFileName.empty())) {
            std::abort();  // a refused file changed the state
        }
        if (loaded && way == 0) {
            state.CurrentFileName = Folder() + "saved.Qzt";
            FileSave(state, ui);
        }
    }
    ::unlink(path.c_str());
    return 0;
}
