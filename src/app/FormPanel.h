#pragma once
// The main window's form: every control of the configuration image in its
// group, built from the form's table of controls (config/FormModel.h) and
// bound to the form model in one loop each way. It filters what is typed
// and pasted into the numeric edits by their entry rules, warns of a value
// outside its limits as it is typed, and enables the controls that follow
// a ticked check box.

#include <QHash>
#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "config/EntryRules.h"
#include "config/FormModel.h"

class QKeyEvent;
class QLabel;
class QLineEdit;

namespace qzt {

class Session;
class UserInterface;

class FormPanel : public QWidget {
    Q_OBJECT

  public:
    // On the session's state (its value lists, whether decoding runs); its
    // warnings go through the user interface `ui` gives at the time.
    FormPanel(QWidget* parent, Session& session, std::function<UserInterface&()> ui);

    // The controls from the model and back.
    void ShowForm(const FormModel& form);
    void ReadForm(FormModel& form) const;
    // The drop-downs' entries from the session's value lists, the first
    // selected.
    void FillDropDowns();
    // The labels drawn with a text of their own take the string table's.
    void ApplyCaptions();
    // The daylight-saving region selected.
    int RegionIndex() const;
    // Called with the screen position where the region's pop-up menu is
    // asked for.
    void SetRegionMenu(std::function<void(const QPoint&)> show) { regionMenu_ = std::move(show); }

    // The controls that follow the two check boxes.
    void cbEnablePeekFunctionClick();
    void cbEnableTimeScheduleClick();
    // The key filters of the numeric edits: true when the typed character
    // (or editing key) may go into the field.
    bool validateNumericKeyPress(char32_t key);
    bool validateFloatNumericKeyPress(char32_t key);

  protected:
    // Typing and pasting into the numeric edits.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildForm();
    void BindForm();
    // The on-change check of an edit: warns unless the text comes from
    // decoding.
    void EditChange(const EntryRule& rule, const QString& text);
    bool FilterKey(QLineEdit* edit, const EntryRule& rule, QKeyEvent* event);
    // Pastes the clipboard's first line, cut to the room the field has left.
    void LimitedPaste(QLineEdit* edit, const EntryRule& rule);
    void ShowEditMenu(QLineEdit* edit, const EntryRule& rule, const QPoint& globalPos);
    // Enables the controls that follow the check box, as it is ticked.
    void ApplyCoupling(std::string_view checkBox);
    // The production date edit is twice as wide as the serial number's for
    // a long date text; its group has room for that from the start.
    void FitProductionDate(const QString& text);

    // The widget of kFormControls[index], of the class of its kind.
    template <typename Widget>
    Widget* Control(std::size_t index) const {
        return static_cast<Widget*>(controls_[index]);
    }

    Session& session_;
    std::function<UserInterface&()> ui_;
    std::function<void(const QPoint&)> regionMenu_;
    // The form's widgets, at the positions of their controls in kFormControls.
    std::array<QWidget*, kFormControls.size()> controls_{};
    // The labels whose drawn text differs from the string table's, with the
    // table's text that start-up gives them.
    std::vector<std::pair<QLabel*, int>> designCaptions_;
    QHash<const QObject*, const EntryRule*> entryRules_;
};

}  // namespace qzt
