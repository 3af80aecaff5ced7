#pragma once
// The main window's state after start-up on temporary folders: the shipped
// Values.i as Values.ini with its value lists, the default image as
// Default.bin, and the default configuration shown.

#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "config/DefaultImage.h"
#include "core/StartUp.h"
#include "files/FileCommands.h"

namespace qzt::test {

inline void StartOnTempFolders(ProgramState& state, const std::string& dataFolder,
                               UserInterface& ui) {
    state.ProgramDataDirectory = dataFolder;
    WriteFile(dataFolder + "Values.ini", ReadFile(std::string(QZT_RUNTIME_DIR) + "/Values.i"));
    state.Values.SetFileName(dataFolder + "Values.ini");
    LoadValueLists(state);
    const ConfigImage defaults = BuildDefaultImage();
    WriteFile(dataFolder + "Default.bin", std::string(defaults.begin(), defaults.end()));
    EXPECT_EQ(FileNew(state, ui), FileResult::Ok);
}

}  // namespace qzt::test
