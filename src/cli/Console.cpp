#include "cli/Console.h"

#include <algorithm>
#include <ostream>

namespace qzt {

void ConsoleUserInterface::ShowError(const std::string& text) {
    WipeProgress();
    messages_ << text << '\n';
}

void ConsoleUserInterface::ShowInformation(const std::string& text) {
    WipeProgress();
    messages_ << text << '\n';
}

bool ConsoleUserInterface::EditRadioCodes(const RadioCodes& oldCodes, RadioCodes& newCodes) {
    shown_ = oldCodes;
    if (!answer_) {
        return false;
    }
    newCodes = *answer_;
    return true;
}

void ConsoleUserInterface::ShowProgress(std::size_t block, std::size_t blocks) {
    if (!progressLine_) {
        return;
    }
    std::string status = status_;
    std::replace(status.begin(), status.end(), '\n', ' ');
    // Rewritten from the start of the line, the rest of a longer one cleared.
    messages_ << '\r' << status << (status.empty() ? "" : " ") << block << '/' << blocks << "\x1b[K"
              << std::flush;
    progressShown_ = true;
}

void ConsoleUserInterface::EndProgress() {
    WipeProgress();
}

void ConsoleUserInterface::WipeProgress() {
    if (progressShown_) {
        // Back to the start of the line, and clear it.
        messages_ << "\r\x1b[K" << std::flush;
        progressShown_ = false;
    }
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
