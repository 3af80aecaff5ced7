#include "app/TfrmSelectDirectory.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/WindowHelpers.h"
#include "core/FileSystem.h"
#include "core/UserInterface.h"
#include "text/Text.h"

namespace qzt {

TfrmSelectDirectory::TfrmSelectDirectory(QWidget& owner, FilePickers& ui)
    : QDialog(&owner), owner_(owner), ui_(ui) {
    setObjectName("frmSelectDirectory");
    // Fixed border and a system menu only.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    // The original was 469 x 226 pixels for a font with 5-pixel characters.
    // Its widths are cut to whole pixels, not rounded as in the other windows.
    const double scale = FontScale(*this).Factor();
    auto scaled = [scale](int pixels) { return static_cast<int>(pixels * scale); };

    group_ = new QGroupBox(this);
    group_->setObjectName("gbxSelectDirectory");
    group_->setFixedWidth(scaled(449));
    info_ = new QLabel(group_);
    info_->setObjectName("lblDirectoryInfo");
    info_->setWordWrap(true);
    edit_ = new QLineEdit(group_);
    edit_->setObjectName("edtActiveConfigDirectory");
    auto* browse = new QPushButton(group_);
    browse->setObjectName("btnBrowse");
    browse->setMinimumWidth(scaled(147));
    connect(browse, &QPushButton::clicked, this, [this] { btnBrowseClick(); });

    auto* groupLayout = new QVBoxLayout(group_);
    groupLayout->addWidget(info_);
    groupLayout->addStretch(1);
    groupLayout->addWidget(edit_);
    auto* browseRow = new QHBoxLayout();
    browseRow->addStretch(1);
    browseRow->addWidget(browse);
    groupLayout->addLayout(browseRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FormCreate();
}

void TfrmSelectDirectory::FormCreate() {
    setWindowTitle(Q(Text(txt::SelectFolderCaption)));
    group_->setTitle(Q(Text(txt::SelectFolderGroup)));
    edit_->setAccessibleName(group_->title());  // the edit's only caption
    info_->setText(Q(Text(txt::SelectFolderInfo)));
    // The information wraps at nine tenths of the group's width.
    info_->setFixedWidth(group_->width() * 9 / 10);
    info_->setMinimumHeight(info_->heightForWidth(info_->width()));
    findChild<QPushButton*>("btnBrowse")->setText(Q(Text(txt::Browse)));
    edit_->clear();
}

void TfrmSelectDirectory::SetFolder(const std::string& folder) {
    edit_->setText(Q(StripTrailingSeparators(folder)));
}

std::string TfrmSelectDirectory::Folder() const {
    return StripTrailingSeparators(edit_->text().toStdString());
}

void TfrmSelectDirectory::btnBrowseClick() {
    if (auto chosen = ui_.ChooseFolder(Text(txt::SelectNewDefaultFolder), Folder())) {
        SetFolder(*chosen);
    }
}

void TfrmSelectDirectory::FormShow() {
    CentreOver(*this, owner_);
}

void TfrmSelectDirectory::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
    }
    QDialog::showEvent(event);
}

}  // namespace qzt
