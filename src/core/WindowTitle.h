#pragma once
// The main window's title follows where the shown configuration came from.

#include <optional>
#include <string>

namespace qzt {

// "<source> - QZT Programmer": "(Default)" in state 0, the file name without
// its folder in states 1 and 2, "(Read from QZT)" in state 3. State 4 (written
// to the unit) has no title of its own: nothing, the title stays as it was.
std::optional<std::string> WindowTitleFor(int configState, const std::string& currentFileName);

}  // namespace qzt

namespace qzt {

struct ProgramState;
class UserInterface;

// Sets the title from the state, as every command that changes ConfigState
// does afterwards (in state 4 the title stays).
void RefreshTitle(const ProgramState& state, UserInterface& ui);

}  // namespace qzt
