#include "cli/Console.h"

#include <algorithm>
#include <ostream>

#include "config/EntryRules.h"
#include "text/Text.h"

namespace qzt {

void ConsoleUserInterface::ShowError(const std::string& text) {
    WipeProgress();
    messages_ << text << '\n';
}

void ConsoleUserInterface::ShowErrorWithReason(const std::string& text, const std::string& reason) {
    ShowError(text);
    if (!reason.empty()) {
        messages_ << reason << '\n';
    }
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
    // The dialog's warning, given as the code is typed, now that the codes
    // are about to be written; the code is written all the same.
    for (const std::string& code : *answer_) {
        if (IsReservedRadioCode(code)) {
            ShowError(Text(txt::RadioCodeNotAllowed));
        }
    }
    newCodes = *answer_;
    return true;
}

void ConsoleUserInterface::ShowProgress(std::size_t block, std::size_t blocks) {
    if (!progressLine_) {
        return;
    }
    const std::string status = OneLine(status_);
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
