#pragma once
// The main window's user interface for tests: the window parts (status bar,
// title, cursor) are the real ones; message boxes and dialogs are recorded and
// answered by the script.

#include <functional>

#include "ScriptedUserInterface.h"
#include "app/QtUserInterface.h"

namespace qzt::test {

class RecordingUi : public QtUserInterface {
  public:
    RecordingUi(FormView& window, ScriptedUserInterface& script)
        : QtUserInterface(window), script_(script) {}

    void ShowError(const std::string& text) override { script_.ShowError(text); }
    void ShowErrorWithReason(const std::string& text, const std::string& reason) override {
        script_.ShowErrorWithReason(text, reason);
    }
    void ShowInformation(const std::string& text) override { script_.ShowInformation(text); }
    bool AskYesNo(const std::string& text) override { return script_.AskYesNo(text); }
    Answer AskYesNoCancel(const std::string& text) override { return script_.AskYesNoCancel(text); }
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions& o) override {
        return script_.ChooseFileToOpen(o);
    }
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions& o) override {
        return script_.ChooseFileToSave(o);
    }
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& start) override {
        return script_.ChooseFolder(title, start);
    }
    // The script's pinned clock; the window's own locale (QLocale's default)
    // unless a test sets another.
    std::chrono::local_seconds LocalTimeNow() const override { return script_.now; }
    const FormLocale& Locale() const override {
        return locale != nullptr ? *locale : QtUserInterface::Locale();
    }

    const FormLocale* locale = nullptr;

    // The program's own dialogs: the test drives the dialog and returns its
    // result; without a handler the dialog counts as cancelled.
    int ExecDialog(QDialog& dialog) override {
        ++dialogsShown;
        return onDialog ? onDialog(dialog) : 0;
    }

    std::function<int(QDialog&)> onDialog;
    int dialogsShown = 0;

    // The window's own progress bar, then the test's look at it (the unit
    // is busy at that moment).
    void ShowProgress(std::size_t block, std::size_t blocks) override {
        QtUserInterface::ShowProgress(block, blocks);
        if (onProgress) {
            onProgress(block, blocks);
        }
    }
    std::function<void(std::size_t, std::size_t)> onProgress;

  private:
    ScriptedUserInterface& script_;
};

}  // namespace qzt::test
