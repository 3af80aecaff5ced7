#pragma once
// How commands talk to the user. The main window implements this with Qt, the
// command-line tool on the console, and tests with a script that records every
// box and answers every question. No command opens a window of its own.

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "config/CodecContext.h"
#include "config/FormModel.h"

namespace qzt {

// What an open or save dialog shows.
struct FileDialogOptions {
    std::string title;          // "Open", "Save as"
    std::string filterName;     // "QZT configuration file"
    std::string filterPattern;  // "*.Qzt"
    std::string fileName;       // the name field's initial text
    std::string startFolder;    // the folder the dialog starts in
};

// The user interface comes in facets, so that a part of the program that
// needs only one of them (the clock, the status line) takes only that one.
// Every facet but the message boxes has defaults that do nothing, show
// nothing or answer as a closed dialog; an implementation overrides what it
// has.

// Message boxes: what the user must see or answer.
class Messages {
  public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Messages() = default;
    // An error box: error icon, one OK button.
    virtual void ShowError(const std::string& text) = 0;
    // An error box with the reason behind it and what to do about it: the
    // window's details of the box, the console's second line. The default
    // shows the box alone; an empty reason is no reason.
    virtual void ShowErrorWithReason(const std::string& text, const std::string& reason);
    // An information box: information icon, one OK button.
    virtual void ShowInformation(const std::string& text) = 0;
    // An information box with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // An information box with Yes, No and Cancel (closing the box is Cancel).
    virtual Answer AskYesNoCancel(const std::string& text) = 0;
};

// The open, save and folder dialogs: the chosen path, or nothing when the
// user cancelled (the default).
class FilePickers {
  public:
    virtual ~FilePickers() = default;
    virtual std::optional<std::string> ChooseFileToOpen(const FileDialogOptions& options);
    virtual std::optional<std::string> ChooseFileToSave(const FileDialogOptions& options);
    virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                    const std::string& startFolder);
};

// What the window shows while it works: the status line, the title, the
// hourglass and the progress of the blocks exchanged with the unit.
class StatusDisplay {
  public:
    virtual ~StatusDisplay() = default;
    // The one line of the status bar.
    virtual void SetStatusText(const std::string& text);
    virtual std::string StatusText() const;
    virtual void SetTitle(const std::string& title);
    // The hourglass cursor while the unit is busy; calls nest.
    virtual void BeginBusy();
    virtual void EndBusy();
    // Lets the window paint what is pending (a status text) once.
    virtual void ProcessPendingMessages();
    // `block` of `blocks` done, painted at once (no user input runs
    // meanwhile). EndProgress hides it when the operation is over.
    virtual void ShowProgress(std::size_t block, std::size_t blocks);
    virtual void EndProgress();
};

// The form's controls: show the model in them after decoding, and read them
// into the model before encoding. Without a window there is nothing to
// copy: the model is the form.
class FormBinding {
  public:
    virtual ~FormBinding() = default;
    virtual void ShowForm(const FormModel& form);
    virtual void ReadForm(FormModel& form);
};

// The user's date formats and names, and the computer's local time. The
// defaults are the C library's locale and clock.
class UserClock {
  public:
    virtual ~UserClock() = default;
    virtual const FormLocale& Locale() const;
    virtual std::chrono::local_seconds LocalTimeNow() const;
};

// The radio-code dialog.
class RadioCodesEditor {
  public:
    // The six radio codes of a unit in the order of the change dialog's rows
    // (four hexadecimal characters each, empty for 0x0000).
    using RadioCodes = std::array<std::string, 6>;

    virtual ~RadioCodesEditor() = default;
    // Shows the unit's codes as old and new, lets the user edit the new ones
    // and returns true when they are confirmed for writing, with `newCodes`
    // holding them. The default answers as a closed dialog.
    virtual bool EditRadioCodes(const RadioCodes& oldCodes, RadioCodes& newCodes);
};

// All of them: what the file and device commands talk to.
class UserInterface : public Messages,
                      public FilePickers,
                      public StatusDisplay,
                      public FormBinding,
                      public UserClock,
                      public RadioCodesEditor {};

// Restores the cursor however a device command leaves its scope.
class BusyCursor {
  public:
    explicit BusyCursor(StatusDisplay& ui) : ui_(&ui) { ui_->BeginBusy(); }
    ~BusyCursor() { Release(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    // Restores the cursor now (a second call does nothing).
    void Release() {
        if (ui_ != nullptr) {
            ui_->EndBusy();
            ui_ = nullptr;
        }
    }

  private:
    StatusDisplay* ui_;
};

}  // namespace qzt
