#pragma once
// The command-line tool's side of the user-interface interface: every box
// becomes its text on standard error, questions are answered No (a script is
// never asked), dialogs are cancelled, and the form is the program state's
// own model. The radio-code dialog is answered with the codes the command
// line gives, and the blocks' progress is one line kept rewritten on a
// terminal.

#include <iosfwd>
#include <string>

#include "core/UserInterface.h"

namespace qzt {

// Exit codes a script can rely on.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,        // a file could not be read or written, or was refused; diff: differ
    kExitUsage = 2,         // unknown command or option, bad KEY=VALUE, wrong radio codes
    kExitInvalidData = 3,   // a field outside its limits (decoding) or refused (encoding)
    kExitNoConnection = 4,  // no interface box, or no connection with the unit
    kExitDeviceFailed = 5,  // reading, writing or verifying the unit failed
    kExitWrongProduct = 6,  // the unit or the file is not a QZT
    kExitCorrupt = 7,       // the unit's configuration is corrupt (checksum)
};

class ConsoleUserInterface : public UserInterface {
  public:
    explicit ConsoleUserInterface(std::ostream& messages) : messages_(messages) {}

    void ShowError(const std::string& text) override;
    // The reason on a line of its own after the message.
    void ShowErrorWithReason(const std::string& text, const std::string& reason) override;
    void ShowInformation(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    Answer AskYesNoCancel(const std::string& text) override;

    void SetStatusText(const std::string& text) override { status_ = text; }
    std::string StatusText() const override { return status_; }

    std::ostream& MessageStream() { return messages_; }

    // The radio-code dialog: answered with the codes given to AnswerRadioCodes
    // (with the dialog's warning for a reserved code), or closed unconfirmed
    // without them. The codes it showed are kept.
    void AnswerRadioCodes(const RadioCodes& codes) { answer_ = codes; }
    bool EditRadioCodes(const RadioCodes& oldCodes, RadioCodes& newCodes) override;
    const std::optional<RadioCodes>& ShownRadioCodes() const { return shown_; }

    // With a terminal on the messages' stream: "<status> <block>/<blocks>"
    // rewritten in place, and wiped before the next message.
    void SetProgressLine(bool enabled) { progressLine_ = enabled; }
    void ShowProgress(std::size_t block, std::size_t blocks) override;
    void EndProgress() override;

  private:
    void WipeProgress();

    std::ostream& messages_;
    std::string status_;
    std::optional<RadioCodes> answer_;
    std::optional<RadioCodes> shown_;
    bool progressLine_ = false;
    bool progressShown_ = false;
};

}  // namespace qzt
