#include "app/FormPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QStyleHints>
#include <QVBoxLayout>
#include <algorithm>
#include <span>
#include <utility>

#include "app/TypedCharacter.h"
#include "app/WindowHelpers.h"
#include "config/EntryRules.h"
#include "core/UserInterface.h"
#include "session/Session.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The controls the window reaches by name, found at compile time.
constexpr std::size_t kSerialNumber = ControlIndex("edtSerialNumber", ControlKind::Edit);
constexpr std::size_t kProductionDate = ControlIndex("edtProductionDate", ControlKind::Edit);
constexpr std::size_t kRegion = ControlIndex("cbbxDaylightSavingTimeRegion", ControlKind::DropDown);

// What the builders below rely on: the groups' controls come one group
// after the other; an input's row is its check box (with the row's label),
// radio code and alarm type; the time schedule is its check box, two times
// of hour and minute (after a colon), the region, the clock's date and time;
// every other control has a label of its own. A control's shape is its kind,
// e edit, c check box or d drop-down, in upper case when it has a label.
constexpr bool FormHasItsShape() {
    constexpr std::string_view kInputs = "CedCedCedCedCed";
    constexpr std::string_view kSchedule = "CEEEEDEE";
    std::size_t group = 0;
    std::size_t inputs = 0;
    std::size_t schedule = 0;
    for (const FormControl& control : kFormControls) {
        const auto next = static_cast<std::size_t>(control.group);
        const char kind = "ecd"[static_cast<int>(control.kind)];
        const char shape = control.label.name.empty() ? kind : static_cast<char>(kind - 'a' + 'A');
        const bool fits = control.group == FormGroup::Inputs
                              ? inputs < kInputs.size() && kInputs[inputs++] == shape
                          : control.group == FormGroup::TimeSchedule
                              ? schedule < kSchedule.size() && kSchedule[schedule++] == shape
                              : shape != kind;
        if (!fits || (next != group && next != group + 1)) {
            return false;
        }
        group = next;
    }
    return group + 1 == kFormGroups.size() && inputs == kInputs.size() &&
           schedule == kSchedule.size();
}
static_assert(FormHasItsShape());

// Builds the groups of the form from its table of controls, one control at a
// time, and keeps each control's widget at its position in the table.
class FormBuilder {
  public:
    FormBuilder(QWidget* panel, const QWidget& window, std::span<QWidget*> controls,
                std::vector<std::pair<QLabel*, int>>& designCaptions)
        : panel_(panel), scale_(window), controls_(controls), designCaptions_(designCaptions) {}

    QGroupBox* Group(FormGroup which) {
        const FormCaption& caption = kFormGroups[static_cast<std::size_t>(which)];
        group_ = new QGroupBox(Q(Text(caption.text)), panel_);
        group_->setObjectName(Q(caption.name));
        grid_ = new QGridLayout(group_);
        grid_->setHorizontalSpacing(8);
        grid_->setVerticalSpacing(6);
        return group_;
    }

    QLabel* Label(const FormCaption& caption) {
        const bool design = !caption.designText.empty();
        auto* label = new QLabel(Q(design ? caption.designText : Text(caption.text)), group_);
        label->setObjectName(Q(caption.name));
        if (design && caption.text != 0) {
            designCaptions_.push_back({label, caption.text});
        }
        return label;
    }

    // The typing limits of an edit are its entry rule's (config/EntryRules.h),
    // applied by the window's key filter: a Qt maximum length would also cut
    // a longer value that decoding puts there.
    QWidget* Control(std::size_t index) {
        const FormControl& control = kFormControls[index];
        QWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::Edit: {
                auto* edit = new QLineEdit(group_);
                edit->setFixedWidth(scale_(control.width));
                edit->setReadOnly(control.readOnly);
                widget = edit;
                break;
            }
            case ControlKind::CheckBox:
                widget = new QCheckBox(group_);
                break;
            case ControlKind::DropDown: {
                auto* combo = new QComboBox(group_);
                combo->setEditable(false);  // pick-only: no free text
                combo->setMinimumWidth(scale_(control.width));
                combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
                widget = combo;
                break;
            }
        }
        widget->setObjectName(Q(control.name));
        // A screen reader names the control by its label's caption; the
        // builders of the groups give the controls that share a label more.
        if (control.label.text != 0) {
            widget->setAccessibleName(Q(Text(control.label.text)));
        }
        // The controls that follow a check box start as it does, unticked.
        widget->setEnabled(!control.readOnly && control.enabledBy == nullptr);
        controls_[index] = widget;
        return widget;
    }

    // One line: the control's label on the left and the control to the right.
    void Line(std::size_t index, int row) {
        QLabel* label = Label(kFormControls[index].label);
        QWidget* control = Control(index);
        // The label is the control's: screen readers announce it with it.
        label->setBuddy(control);
        grid_->addWidget(label, row, 0);
        grid_->addWidget(control, row, 1, Qt::AlignLeft);
    }
    void Line(std::size_t index) { Line(index, grid_->rowCount()); }

    // The widget already built for kFormControls[index].
    QWidget* Widget(std::size_t index) const { return controls_[index]; }
    QGroupBox* Box() const { return group_; }
    QGridLayout* Grid() const { return grid_; }

  private:
    QWidget* panel_;
    FontScale scale_;
    std::span<QWidget*> controls_;
    std::vector<std::pair<QLabel*, int>>& designCaptions_;
    QGroupBox* group_ = nullptr;
    QGridLayout* grid_ = nullptr;
};

QFrame* Separator(QWidget* parent, const char* name) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// An input row's controls after its check box, and their column headings.
constexpr std::pair<std::size_t, int> kInputColumns[] = {
    {0, txt::SendAlarm}, {1, txt::RadioCode}, {2, txt::AlarmType}};

// A row for each input under the column headings; separators below the first
// row and below the third.
void BuildInputs(FormBuilder& b, std::size_t first, std::size_t end) {
    QGridLayout* g = b.Grid();
    g->addWidget(b.Label({"lblSendAlarm", txt::SendAlarm}), 0, 1);
    g->addWidget(b.Label({"lblInputsRadioCode", txt::RadioCode}), 0, 2);
    g->addWidget(b.Label({"lblAlarmType", txt::AlarmType}), 0, 3);
    int gridRow = 1;
    for (std::size_t check = first; check < end; check += 3) {
        if (check == first + 3 || check == first + 9) {
            g->addWidget(Separator(b.Box(), check == first + 3 ? "Panel1" : "pnlInputsDelimiter"),
                         gridRow++, 0, 1, 4);
        }
        b.Line(check, gridRow);
        // Radio codes are shown here, never edited: they change only
        // through Change Radio Codes in device.
        g->addWidget(b.Control(check + 1), gridRow, 2, Qt::AlignLeft);
        g->addWidget(b.Control(check + 2), gridRow, 3);
        // The row's three controls share its label: each is named by the
        // row and its column, "Pad connection (on) Radio Code".
        const QString row = Q(Text(kFormControls[check].label.text));
        for (const auto& [offset, heading] : kInputColumns) {
            b.Widget(check + offset)->setAccessibleName(row + ' ' + Q(Text(heading)));
        }
        ++gridRow;
    }
    g->setColumnStretch(3, 1);
}

void BuildTimeSchedule(FormBuilder& b, std::size_t first) {
    QGridLayout* g = b.Grid();
    b.Line(first, 0);
    // Activation and inactivation: the hour, a colon and the minute.
    for (int row = 1; row <= 2; ++row) {
        const std::size_t hour = first + 2 * static_cast<std::size_t>(row) - 1;
        QLabel* label = b.Label(kFormControls[hour].label);
        g->addWidget(label, row, 0);
        auto* time = new QHBoxLayout();
        time->setSpacing(4);
        time->addWidget(b.Control(hour));
        label->setBuddy(b.Widget(hour));
        time->addWidget(b.Label(kFormControls[hour + 1].label));
        time->addWidget(b.Control(hour + 1));
        time->addStretch(1);
        g->addLayout(time, row, 1);
        // The minute's label is the colon: both fields are named by the
        // time's caption and their part of the drawn "(hh:mm)".
        const QString caption = Q(Text(kFormControls[hour].label.text));
        b.Widget(hour)->setAccessibleName(caption + " (hh)");
        b.Widget(hour + 1)->setAccessibleName(caption + " (mm)");
    }
    // The region under its label, both across the group.
    QLabel* region = b.Label(kFormControls[first + 5].label);
    g->addWidget(region, 3, 0, 1, 2);
    g->addWidget(b.Control(first + 5), 4, 0, 1, 2);
    region->setBuddy(b.Widget(first + 5));
    g->setRowMinimumHeight(5, 8);
    g->addWidget(b.Label({"lblMostRecentDateTime", txt::MostRecentDateTime}), 6, 0, 1, 2);
    b.Line(first + 6, 7);
    b.Line(first + 7, 8);
    g->setRowStretch(9, 1);
}

}  // namespace

FormPanel::FormPanel(QWidget* parent, Session& session, std::function<UserInterface&()> ui)
    : QWidget(parent), session_(session), ui_(std::move(ui)) {
    BuildForm();
    BindForm();
}

int FormPanel::RegionIndex() const {
    return Control<QComboBox>(kRegion)->currentIndex();
}

void FormPanel::BuildForm() {
    setObjectName("pnlMain");
    auto* columns = new QGridLayout(this);
    columns->setContentsMargins(8, 8, 8, 8);
    columns->setSpacing(8);

    // The groups are created in keyboard order; inside a group line by line.
    FormBuilder b(this, *this, controls_, designCaptions_);
    std::array<QGroupBox*, kFormGroups.size()> groups{};
    std::size_t next = 0;
    for (std::size_t which = 0; which < kFormGroups.size(); ++which) {
        const auto group = static_cast<FormGroup>(which);
        groups[which] = b.Group(group);
        const std::size_t first = next;
        while (next < kFormControls.size() && kFormControls[next].group == group) {
            ++next;
        }
        if (group == FormGroup::Inputs) {
            BuildInputs(b, first, next);
        } else if (group == FormGroup::TimeSchedule) {
            BuildTimeSchedule(b, first);
        } else {
            for (std::size_t control = first; control < next; ++control) {
                b.Line(control);
            }
        }
    }
    auto group = [&groups](FormGroup which) { return groups[static_cast<std::size_t>(which)]; };

    // Lines stay at the top of a group that is higher than they need.
    for (const FormGroup tall : {FormGroup::RadioParameters, FormGroup::ProductInformation}) {
        auto* grid = static_cast<QGridLayout*>(group(tall)->layout());
        grid->setRowStretch(grid->rowCount(), 1);
    }
    // A long production date doubles its edit's width (FitProductionDate). The
    // group keeps room for the doubled edit from the start, so that the
    // window holds its size and place whatever date a unit brings.
    auto* information = static_cast<QGridLayout*>(group(FormGroup::ProductInformation)->layout());
    information->setColumnMinimumWidth(1, 2 * Control<QLineEdit>(kSerialNumber)->minimumWidth());
    // Two groups of the unit's memory that this product does not offer. They
    // are never shown, but decoding and encoding still fill and read them.
    group(FormGroup::Miscellaneous)->hide();
    group(FormGroup::PeekFunction)->hide();

    // Top row: inputs over the two left columns, radio parameters on the
    // right; bottom row: delays and technical alarms, time schedule, product
    // information.
    auto* leftColumn = new QVBoxLayout();
    leftColumn->setSpacing(8);
    leftColumn->addWidget(group(FormGroup::AlarmDelay));
    leftColumn->addWidget(group(FormGroup::TechnicalAlarms));
    leftColumn->addStretch(1);
    columns->addWidget(group(FormGroup::Inputs), 0, 0, 1, 2);
    columns->addWidget(group(FormGroup::RadioParameters), 0, 2);
    columns->addLayout(leftColumn, 1, 0);
    columns->addWidget(group(FormGroup::TimeSchedule), 1, 1);
    columns->addWidget(group(FormGroup::ProductInformation), 1, 2);

    // The region's pop-up menu shows its daylight-saving rule.
    QComboBox* region = Control<QComboBox>(kRegion);
    region->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(region, &QWidget::customContextMenuRequested, this, [this, region](const QPoint& pos) {
        if (regionMenu_) {
            regionMenu_(region->mapToGlobal(pos));
        }
    });
}

void FormPanel::BindForm() {
    for (std::size_t i = 0; i < kEntryRules.size(); ++i) {
        const EntryRule& rule = kEntryRules[i];
        auto* edit = Control<QLineEdit>(kEntryRuleControls[i]);
        entryRules_.insert(edit, &rule);
        edit->installEventFilter(this);
        // Text arrives by typing and pasting only, where the key filter and
        // the length limit see it; not by dragging or an input method.
        edit->setAcceptDrops(false);
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        connect(edit, &QLineEdit::textChanged, this,
                [this, &rule](const QString& text) { EditChange(rule, text); });
    }

    for (std::size_t i = 0; i < kCouplings.size(); ++i) {
        connect(Control<QCheckBox>(kCouplingControls[i]), &QCheckBox::toggled, this,
                [this, i] { ApplyCoupling(kCouplings[i].checkBox); });
    }
}

void FormPanel::ShowForm(const FormModel& form) {
    for (std::size_t i = 0; i < kFormControls.size(); ++i) {
        const FormControl& control = kFormControls[i];
        switch (control.kind) {
            case ControlKind::Edit: {
                const QString text = Q(form.*control.text);
                if (i == kProductionDate) {
                    FitProductionDate(text);
                }
                Control<QLineEdit>(i)->setText(text);
                break;
            }
            case ControlKind::CheckBox:
                Control<QCheckBox>(i)->setChecked(form.*control.checked);
                break;
            case ControlKind::DropDown: {
                auto* combo = Control<QComboBox>(i);
                const int selection = form.*control.selection;
                combo->setCurrentIndex(selection < combo->count() ? selection : -1);
                break;
            }
        }
        if (control.enabledBy != nullptr) {
            controls_[i]->setEnabled(form.*control.enabledBy);
        }
    }
}

void FormPanel::ReadForm(FormModel& form) const {
    for (std::size_t i = 0; i < kFormControls.size(); ++i) {
        const FormControl& control = kFormControls[i];
        switch (control.kind) {
            case ControlKind::Edit:
                form.*control.text = Control<QLineEdit>(i)->text().toStdString();
                break;
            case ControlKind::CheckBox:
                form.*control.checked = Control<QCheckBox>(i)->isChecked();
                break;
            case ControlKind::DropDown:
                form.*control.selection = Control<QComboBox>(i)->currentIndex();
                break;
        }
    }
    ApplyCouplings(form);
}

void FormPanel::FitProductionDate(const QString& text) {
    const int width = Control<QLineEdit>(kSerialNumber)->minimumWidth();  // fixed
    Control<QLineEdit>(kProductionDate)->setFixedWidth(text.size() > 10 ? 2 * width : width);
}

void FormPanel::EditChange(const EntryRule& rule, const QString& text) {
    // Decoding fills the edits with whatever the image holds; it reports a
    // field outside its limits itself.
    if (session_.State().DecodingInProgress) {
        return;
    }
    if (const Result<void> checked = CheckChange(rule, text.toStdString()); !checked) {
        ui_().ShowError(checked.error().message);
    }
}

bool FormPanel::validateNumericKeyPress(char32_t key) {
    return IsNumericKey(key);
}

bool FormPanel::validateFloatNumericKeyPress(char32_t key) {
    return IsFloatNumericKey(key, ui_().Locale().DecimalSeparator());
}

bool FormPanel::eventFilter(QObject* watched, QEvent* event) {
    const auto rule = entryRules_.constFind(watched);
    if (rule != entryRules_.cend()) {
        auto* edit = static_cast<QLineEdit*>(watched);
        if (event->type() == QEvent::KeyPress) {
            return FilterKey(edit, **rule, static_cast<QKeyEvent*>(event));
        }
        if (event->type() == QEvent::ContextMenu) {
            ShowEditMenu(edit, **rule, static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool FormPanel::FilterKey(QLineEdit* edit, const EntryRule& rule, QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        // Ctrl+V and Shift+Insert: pasted text is not filtered, only cut.
        LimitedPaste(edit, rule);
        return true;
    }
    const char32_t key = TypedCharacter(event);
    if (key == 0) {
        return false;
    }
    const bool accepted = rule.filter == KeyFilter::Decimal ? validateFloatNumericKeyPress(key)
                                                            : validateNumericKeyPress(key);
    if (!accepted) {
        return true;  // dropped: the field receives no character
    }
    if (key >= U' ') {
        // A character that goes into the text: only when there is room.
        const qsizetype kept = edit->text().size() - edit->selectedText().size();
        return kept >= rule.maxLength;
    }
    return false;  // Backspace, Ctrl+C, Ctrl+X: the edit's own handling
}

void FormPanel::LimitedPaste(QLineEdit* edit, const EntryRule& rule) {
    if (edit->isReadOnly() || !edit->isEnabled()) {
        return;
    }
    QString text = QGuiApplication::clipboard()->text();
    const qsizetype lineEnd = text.indexOf(QRegularExpression("[\\r\\n]"));
    if (lineEnd >= 0) {
        text.truncate(lineEnd);
    }
    const qsizetype room = rule.maxLength - (edit->text().size() - edit->selectedText().size());
    text.truncate(std::max<qsizetype>(room, 0));
    if (!text.isEmpty()) {
        edit->insert(text);
    }
}

void FormPanel::ShowEditMenu(QLineEdit* edit, const EntryRule& rule, const QPoint& globalPos) {
    // The field's edit menu is the window's own, laid out as the edit's
    // standard one, so that its Paste is certainly the window's: cut to the
    // field's length as Ctrl+V is. Which action of Qt's own menu pastes, and
    // how it is wired to the edit, differs between Qt versions.
    QMenu menu(edit);
    const bool writable = !edit->isReadOnly() && edit->isEnabled();
    const bool selected = edit->hasSelectedText() && edit->echoMode() == QLineEdit::Normal;
    const bool shortcuts = QGuiApplication::styleHints()->showShortcutsInContextMenus();
    auto add = [&](int caption, QKeySequence::StandardKey key, bool enabled, auto handler) {
        QString text = Q(Text(caption));
        if (shortcuts && !QKeySequence(key).isEmpty()) {
            text += '\t' + QKeySequence(key).toString(QKeySequence::NativeText);
        }
        QAction* action = menu.addAction(text);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, edit, handler);
    };
    add(txt::EditUndo, QKeySequence::Undo, writable && edit->isUndoAvailable(),
        [edit] { edit->undo(); });
    add(txt::EditRedo, QKeySequence::Redo, writable && edit->isRedoAvailable(),
        [edit] { edit->redo(); });
    menu.addSeparator();
    add(txt::EditCut, QKeySequence::Cut, writable && selected, [edit] { edit->cut(); });
    add(txt::EditCopy, QKeySequence::Copy, selected, [edit] { edit->copy(); });
    add(txt::EditPaste, QKeySequence::Paste,
        writable && !QGuiApplication::clipboard()->text().isEmpty(),
        [this, edit, &rule] { LimitedPaste(edit, rule); });
    add(txt::EditDelete, QKeySequence::UnknownKey, writable && edit->hasSelectedText(),
        [edit] { edit->del(); });
    menu.addSeparator();
    add(txt::EditSelectAll, QKeySequence::SelectAll,
        !edit->text().isEmpty() && edit->selectedText() != edit->text(),
        [edit] { edit->selectAll(); });
    menu.exec(globalPos);
}

void FormPanel::ApplyCoupling(std::string_view checkBox) {
    for (std::size_t i = 0; i < kCouplings.size(); ++i) {
        if (kCouplings[i].checkBox != checkBox) {
            continue;
        }
        const bool on = Control<QCheckBox>(kCouplingControls[i])->isChecked();
        for (std::size_t c = 0; c < kFormControls.size(); ++c) {
            if (kFormControls[c].enabledBy == kCouplings[i].enabled) {
                controls_[c]->setEnabled(on);
            }
        }
    }
}

void FormPanel::cbEnablePeekFunctionClick() {
    ApplyCoupling("cbEnablePeekFunction");
}

void FormPanel::cbEnableTimeScheduleClick() {
    ApplyCoupling("cbEnableTimeSchedule");
}

void FormPanel::FillDropDowns() {
    for (std::size_t i = 0; i < kDropDownSources.size(); ++i) {
        auto* combo = Control<QComboBox>(kDropDownControls[i]);
        combo->clear();
        for (const ValueListEntry& entry :
             session_.State().List(kDropDownSources[i].dropDown).Entries()) {
            combo->addItem(Q(entry.text));
        }
        combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
    }
}

// The labels drawn with a text of their own take the string table's.
void FormPanel::ApplyCaptions() {
    for (const auto& [label, text] : designCaptions_) {
        label->setText(Q(Text(text)));
    }
}

}  // namespace qzt
