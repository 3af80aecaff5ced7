#pragma once
// What the Qt user interface needs of the main window: its widget (the
// parent of boxes and file dialogs, the owner of the title), the status bar
// and its progress bar, the form's controls and the radio-code dialog. The
// main window implements it; the user interface knows no more of it.

#include <QString>
#include <cstddef>

#include "config/FormModel.h"

class QWidget;

namespace qzt {

class TfrmWriteRadioCodes;

class FormView {
  public:
    virtual QWidget& Widget() = 0;
    virtual void SetStatusText(const QString& text) = 0;
    virtual QString StatusText() const = 0;
    virtual void ShowProgress(std::size_t block, std::size_t blocks) = 0;
    virtual void EndProgress() = 0;
    virtual void ShowForm(const FormModel& form) = 0;
    virtual void ReadForm(FormModel& form) const = 0;
    // The dialog that edits the radio codes; null before it is made.
    virtual TfrmWriteRadioCodes* RadioCodesDialog() const = 0;

  protected:
    ~FormView() = default;
};

}  // namespace qzt
