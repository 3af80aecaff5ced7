#include "cli/Console.h"

#include <ostream>

namespace qzt {

void ConsoleUserInterface::ShowError(const std::string& text) {
    messages_ << text << '\n';
}

void ConsoleUserInterface::ShowInformation(const std::string& text) {
    messages_ << text << '\n';
}

bool ConsoleUserInterface::AskYesNo(const std::string& text) {
    messages_ << text << '\n';
    return false;
}

UserInterface::Answer ConsoleUserInterface::AskYesNoCancel(const std::string& text) {
    messages_ << text << '\n';
    return Answer::Cancel;
}

}  // namespace qzt
