#include "app/TfrmWriteRadioCodes.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>
#include <vector>

#include "app/TypedCharacter.h"
#include "app/WindowHelpers.h"
#include "config/EntryRules.h"
#include "core/UserInterface.h"
#include "device/commands/DeviceCommands.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The rows' labels in the order of the unit's codes (bytes 2-3 first).
constexpr const char* kRowLabels[6] = {
    "lblRadioCodeAllowUser",   "lblRadioCodeDoorClosed",  "lblRadioCodeDoorOpened",
    "lblRadioCodeInputClosed", "lblRadioCodeInputOpened", "lblRadioCodeTechnicalAlarms",
};

// The fields are checked in this order when the user confirms: the five
// alarm inputs first, the technical alarms' code last.
constexpr std::size_t kCheckOrder[6] = {1, 2, 3, 4, 5, 0};

constexpr int kCodeLength = 4;

}  // namespace

TfrmWriteRadioCodes::TfrmWriteRadioCodes(QWidget& owner, Messages& ui)
    : QDialog(&owner), owner_(owner), ui_(ui) {
    setObjectName("frmWriteRadioCodes");
    // Fixed single border with a system menu.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    // Every position of the original layout grows with the font in use.
    const FontScale px(*this);
    auto place = [&](QWidget* widget, int left, int top, int width, int height) {
        widget->setGeometry(px(left), px(top), px(width), px(height));
    };

    auto* group = new QGroupBox(this);
    group->setObjectName("gbxWriteRadioCodes");
    place(group, 8, 8, 465, 257);

    auto* oldHeading = new QLabel(group);
    oldHeading->setObjectName("lblOldRadioCode");
    place(oldHeading, 216, 24, 120, 16);
    auto* newHeading = new QLabel(group);
    newHeading->setObjectName("lblNewRadioCode");
    place(newHeading, 344, 24, 120, 16);

    for (std::size_t row = 0; row < 6; ++row) {
        const int top = 56 + 32 * static_cast<int>(row);
        auto* label = new QLabel(group);
        label->setObjectName(kRowLabels[row]);
        place(label, 16, top, 196, 16);

        auto* oldCode = new QLineEdit(group);
        oldCode->setObjectName(QString("edtRadio%1Old").arg(row));
        oldCode->setEnabled(false);
        place(oldCode, 216, top - 8, 65, 21);
        oldCodes_[row] = oldCode;

        auto* newCode = new QLineEdit(group);
        newCode->setObjectName(QString("edtRadio%1New").arg(row));
        newCode->setMaxLength(kCodeLength);
        // Text arrives by typing and pasting only, where the key filter and
        // the length limit see it.
        newCode->setAcceptDrops(false);
        newCode->setAttribute(Qt::WA_InputMethodEnabled, false);
        newCode->installEventFilter(this);
        place(newCode, 344, top - 8, 65, 21);
        connect(newCode, &QLineEdit::textChanged, this,
                [this](const QString& text) { RadioIDChange(text); });
        newCodes_[row] = newCode;
    }

    abort_ = new QPushButton(this);
    abort_->setObjectName("btnAbort");
    place(abort_, 216, 272, 91, 26);
    connect(abort_, &QPushButton::clicked, this, [this] { btnAbortClick(); });
    write_ = new QPushButton(this);
    write_->setObjectName("btnWriteToDevice");
    place(write_, 312, 272, 161, 26);
    connect(write_, &QPushButton::clicked, this, [this] { btnWriteToDeviceClick(); });
    // Enter writes (after the fields' check), Escape aborts, from any field.
    abort_->setAutoDefault(false);
    write_->setAutoDefault(false);
    write_->setDefault(true);

    // Keyboard order: the new fields top to bottom, the old ones (never
    // focused while disabled), then the buttons.
    std::vector<QWidget*> order(newCodes_.begin(), newCodes_.end());
    order.insert(order.end(), oldCodes_.begin(), oldCodes_.end());
    order.push_back(abort_);
    order.push_back(write_);
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    setFixedSize(px(479), px(307));
    FormCreate();
}

void TfrmWriteRadioCodes::FormCreate() {
    setWindowTitle(Q(Text(txt::RadioCodesCaption)));
    const QString oldHeading = Q(Text(txt::OldRadioCodes));
    const QString newHeading = Q(Text(txt::NewRadioCodes));
    for (std::size_t row = 0; row < 6; ++row) {
        const QString caption = Q(Text(kRadioCodeCaptions[row]));
        findChild<QLabel*>(kRowLabels[row])->setText(caption);
        // A screen reader names each field by its row and its column.
        oldCodes_[row]->setAccessibleName(caption + ' ' + oldHeading);
        newCodes_[row]->setAccessibleName(caption + ' ' + newHeading);
    }
    findChild<QLabel*>("lblOldRadioCode")->setText(oldHeading);
    findChild<QLabel*>("lblNewRadioCode")->setText(newHeading);
    abort_->setText(WithAccessKey(Q(Text(txt::RadioCodesAbort)), 'A'));
    write_->setText(WithAccessKey(Q(Text(txt::RadioCodesWrite)), 'W'));
}

void TfrmWriteRadioCodes::SetCodes(const UserInterface::RadioCodes& codes) {
    for (std::size_t row = 0; row < codes.size(); ++row) {
        oldCodes_[row]->setText(Q(codes[row]));
        // Cleared first, so that a unit's reserved code is warned about at
        // every showing, not only when it differs from the last one.
        newCodes_[row]->clear();
        newCodes_[row]->setText(Q(codes[row]));
    }
    newCodes_[0]->setFocus();
    newCodes_[0]->selectAll();
}

UserInterface::RadioCodes TfrmWriteRadioCodes::NewCodes() const {
    UserInterface::RadioCodes codes;
    for (std::size_t row = 0; row < codes.size(); ++row) {
        codes[row] = newCodes_[row]->text().toStdString();
    }
    return codes;
}

void TfrmWriteRadioCodes::FormShow() {
    CentreOver(*this, owner_);
}

void TfrmWriteRadioCodes::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
    }
    QDialog::showEvent(event);
}

bool TfrmWriteRadioCodes::validateIDKeyPress(char32_t key) {
    return IsHexKey(key);
}

bool TfrmWriteRadioCodes::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        std::find(newCodes_.begin(), newCodes_.end(), watched) != newCodes_.end()) {
        auto* press = static_cast<QKeyEvent*>(event);
        // Enter and Escape are the dialog's, not characters for the field.
        if (press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter ||
            press->key() == Qt::Key_Escape) {
            return false;
        }
        const char32_t key = TypedCharacter(press);
        // A refused key is swallowed: the field receives no character.
        return key != 0 && !validateIDKeyPress(key);
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmWriteRadioCodes::RadioIDChange(const QString& text) {
    // A warning only: the text stays as typed, and such a code is written
    // when the user confirms it.
    if (IsReservedRadioCode(text.toStdString())) {
        ui_.ShowError(Text(txt::RadioCodeNotAllowed));
    }
}

void TfrmWriteRadioCodes::btnWriteToDeviceClick() {
    // A pasted text passes the key filter unchecked; a code that is not four
    // hexadecimal digits would be stored as some other code.
    for (std::size_t row : kCheckOrder) {
        if (!IsCompleteRadioCode(newCodes_[row]->text().toStdString())) {
            ui_.ShowError(Text(txt::RadioCodesIncomplete));
            newCodes_[row]->setFocus();
            return;
        }
    }
    accept();
}

void TfrmWriteRadioCodes::btnAbortClick() {
    reject();
}

}  // namespace qzt
