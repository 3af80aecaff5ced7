#pragma once
// A user interface for tests: records every box, status text and title, and
// answers questions and dialogs from queues set up by the test. An unexpected
// question fails the test's expectations through its recorded calls.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TestLocale.h"
#include "core/UserInterface.h"

namespace qzt::test {

struct RecordedBox {
    enum Kind { Error, Information, YesNo, YesNoCancel } kind;
    std::string text;
    std::string reason = {};  // an error box's details
};

class ScriptedUserInterface : public UserInterface {
  public:
    void ShowErrorWithReason(const std::string& text, const std::string& reason) override {
        ShowError(text);
        boxes.back().reason = reason;
    }
    void ShowError(const std::string& text) override {
        boxes.push_back({RecordedBox::Error, text});
    }
    void ShowInformation(const std::string& text) override {
        boxes.push_back({RecordedBox::Information, text});
    }
    bool AskYesNo(const std::string& text) override {
        boxes.push_back({RecordedBox::YesNo, text});
        return TakeAnswer(Answer::No) == Answer::Yes;
    }
    Answer AskYesNoCancel(const std::string& text) override {
        boxes.push_back({RecordedBox::YesNoCancel, text});
        return TakeAnswer(Answer::Cancel);
    }

    void SetStatusText(const std::string& text) override {
        status = text;
        statusHistory.push_back(text);
    }
    std::string StatusText() const override { return status; }
    void SetTitle(const std::string& text) override { title = text; }
    void BeginBusy() override {
        ++busyDepth;
        ++busyCount;
    }
    void EndBusy() override { --busyDepth; }
    void ProcessPendingMessages() override { ++pendingMessageRuns; }

    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions& options) override {
        dialogs.push_back(options);
        return TakePath();
    }
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions& options) override {
        dialogs.push_back(options);
        return TakePath();
    }
    std::optional<std::string> ChooseFolder(const std::string& dialogTitle,
                                            const std::string& startFolder) override {
        dialogs.push_back(FileDialogOptions{dialogTitle, "", "", "", startFolder});
        return TakePath();
    }

    // The form as the window would show it, and what the user has typed
    // into it before an encoding (`editForm` changes the model in place).
    void ShowForm(const FormModel& form) override {
        shownForms.push_back(form);
        if (onShowForm) {
            onShowForm(form);
        }
    }
    void ReadForm(FormModel& form) override {
        ++formReads;
        if (editForm) {
            editForm(form);
        }
    }
    const FormLocale& Locale() const override { return locale; }
    std::chrono::local_seconds LocalTimeNow() const override { return now; }

    // The radio-code dialog: recorded with the codes it showed, answered by
    // `onEditRadioCodes` (without one the dialog is closed unconfirmed).
    bool EditRadioCodes(const RadioCodes& oldCodes, RadioCodes& newCodes) override {
        radioCodeDialogs.push_back(oldCodes);
        return onEditRadioCodes ? onEditRadioCodes(oldCodes, newCodes) : false;
    }
    void ShowProgress(std::size_t block, std::size_t blocks) override {
        progress.push_back({block, blocks});
    }
    void EndProgress() override { ++progressEnds; }

    TestLocale locale;
    std::chrono::local_seconds now = NewYearsEveLateNight();
    std::function<void(const FormModel&)> onShowForm;
    std::function<void(FormModel&)> editForm;
    std::vector<FormModel> shownForms;
    int formReads = 0;
    std::function<bool(const RadioCodes&, RadioCodes&)> onEditRadioCodes;
    std::vector<RadioCodes> radioCodeDialogs;
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    int progressEnds = 0;

    // Answers for the next questions, in order; an empty queue answers the
    // safe default (No, Cancel).
    std::deque<Answer> answers;
    // Paths for the next dialogs; nothing means the user cancels.
    std::deque<std::optional<std::string>> paths;

    std::vector<RecordedBox> boxes;
    std::vector<FileDialogOptions> dialogs;
    std::string status;
    std::vector<std::string> statusHistory;
    std::string title;
    int busyDepth = 0;
    int busyCount = 0;
    int pendingMessageRuns = 0;

  private:
    Answer TakeAnswer(Answer fallback) {
        if (answers.empty()) {
            return fallback;
        }
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> TakePath() {
        if (paths.empty()) {
            return std::nullopt;
        }
        auto p = paths.front();
        paths.pop_front();
        return p;
    }
};

}  // namespace qzt::test
