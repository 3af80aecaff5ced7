#pragma once
// The main window's title follows where the shown configuration came from.

#include <optional>
#include <string>

#include "config/ConfigMode.h"

namespace qzt {

struct ProgramState;
class StatusDisplay;

// "<source> - QZT Programmer": "(Default)" for the default configuration, the
// file name without its folder for a file opened or saved, "(Read from QZT)"
// for the unit's. Written to the unit has no title of its own: nothing, the
// title stays as it was.
std::optional<std::string> WindowTitleFor(ConfigMode configState,
                                          const std::string& currentFileName);

// Sets the title from the state, as every command that changes ConfigState
// does afterwards (after a write to the unit the title stays).
void RefreshTitle(const ProgramState& state, StatusDisplay& ui);

}  // namespace qzt
