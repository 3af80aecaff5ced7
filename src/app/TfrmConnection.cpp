#include "app/TfrmConnection.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/WindowHelpers.h"
#include "core/AboutInfo.h"
#include "device/DeviceChoice.h"
#include "device/link/TUsbInterface.h"
#include "session/Session.h"
#include "text/Text.h"

namespace qzt {
namespace {

enum Column { kDevice, kPlace, kBox, kState };
// Each row keeps its --device= value and its whole state text (the column
// may show it cut).
constexpr int kDeviceRole = Qt::UserRole;
constexpr int kStateRole = Qt::UserRole + 1;

QTreeWidgetItem* Row(QTreeWidget* list, const std::string& device, const QString& shown,
                     const std::string& place, const std::string& box, const std::string& state) {
    auto* item = new QTreeWidgetItem(list);
    item->setText(kDevice, shown);
    item->setText(kPlace, Q(place));
    item->setText(kBox, Q(box));
    // The state's first clause; the whole state is shown under the list.
    const std::string::size_type clause = std::min(state.find(": "), state.find(". "));
    item->setText(kState, Q(state.substr(0, clause)));
    for (int column = kDevice; column <= kState; ++column) {
        item->setToolTip(column, column == kState ? Q(state) : item->text(column));
    }
    item->setData(kDevice, kDeviceRole, Q(device));
    item->setData(kDevice, kStateRole, Q(state));
    return item;
}

std::string StateOf(const FoundDevice& device) {
    return device.Usable() ? Text(txt::DeviceUsable) : device.problem;
}

// Where a --device= value points, for a choice that is not found now.
std::string PlaceOf(const DeviceOptions& options) {
    return options.path;
}

}  // namespace

TfrmConnection::TfrmConnection(QWidget& owner, Session& session)
    : QDialog(&owner), owner_(owner), session_(session) {
    setObjectName("frmConnection");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    const FontScale scaled(*this);

    auto* hint = new QLabel(Q(Text(txt::ConnectionHint)), this);
    hint->setObjectName("lblConnectionHint");
    hint->setWordWrap(true);

    list_ = new QTreeWidget(this);
    list_->setObjectName("lvDevices");
    list_->setAccessibleName(Q(Text(txt::AccessDevices)));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHeaderLabels({Q(Text(txt::ConnectionDevice)), Q(Text(txt::ConnectionPlace)),
                            Q(Text(txt::ConnectionBox)), Q(Text(txt::ConnectionState))});
    list_->header()->setStretchLastSection(true);
    list_->setMinimumSize(scaled(720), scaled(150));
    list_->resize(list_->minimumSize());
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    // A double click chooses the entry, as OK would.
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });

    // The selected entry's whole state, which the column may cut.
    details_ = new QLabel(this);
    details_->setObjectName("lblDetails");
    details_->setWordWrap(true);
    details_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    testResult_ = new QLabel(this);
    testResult_->setObjectName("lblTestResult");
    testResult_->setWordWrap(true);
    testResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* refresh = new QPushButton(Q(Text(txt::ConnectionRefresh)), this);
    refresh->setObjectName("btnRefresh");
    refresh->setAutoDefault(false);
    connect(refresh, &QPushButton::clicked, this, [this] { btnRefreshClick(); });
    test_ = new QPushButton(Q(Text(txt::ConnectionTest)), this);
    test_->setObjectName("btnTest");
    test_->setAutoDefault(false);
    connect(test_, &QPushButton::clicked, this, [this] { btnTestClick(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName("btnOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* row = new QHBoxLayout();
    row->addWidget(refresh);
    row->addWidget(test_);
    row->addStretch(1);
    row->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(list_, 1);
    layout->addWidget(details_);
    layout->addWidget(testResult_);
    layout->addLayout(row);

    setWindowTitle(Q(Text(txt::ConnectionCaption)));
    SelectionChanged();
}

void TfrmConnection::SetTtyPaths(TtyPaths paths) {
    session_.SetPaths(std::move(paths));
}

void TfrmConnection::Prepare() {
    // Nothing selected: the refresh selects the session's device.
    list_->clear();
    btnRefreshClick();
}

void TfrmConnection::btnRefreshClick() {
    const std::string selected = Choice();
    Fill(FindDevices(session_.Device(), session_.Paths()));
    if (selected.empty() || !Select(selected)) {
        Select(DeviceValue(session_.Device()));
    }
}

void TfrmConnection::Fill(const std::vector<FoundDevice>& found) {
    list_->clear();
    const auto automatic =
        std::find_if(found.begin(), found.end(), [](const FoundDevice& d) { return d.automatic; });
    if (automatic != found.end()) {
        Row(list_, "auto", Q(Text(txt::ConnectionAutomatic)),
            TextF(txt::ConnectionAutomaticNow, automatic->device), automatic->description,
            StateOf(*automatic));
    } else {
        Row(list_, "auto", Q(Text(txt::ConnectionAutomatic)), Text(txt::ConnectionAutomaticNone),
            "", Text(txt::ReasonNoBox));
    }
    for (const FoundDevice& device : found) {
        const std::string box = device.serial.empty() ? device.description
                                                      : TextF(txt::ConnectionBoxSerial,
                                                              device.description, device.serial);
        Row(list_, device.device, Q(device.device), device.place, box, StateOf(device));
    }
    // The window's own device stays listed while it is not found, so that
    // OK without a new choice keeps it rather than silently dropping it.
    const std::string currentDevice = DeviceValue(session_.Device());
    const bool listed = currentDevice == "auto" ||
                        std::any_of(found.begin(), found.end(), [&](const FoundDevice& d) {
                            return d.device == currentDevice;
                        });
    if (!listed) {
        Row(list_, currentDevice, Q(currentDevice), PlaceOf(session_.Device()), "",
            Text(txt::ConnectionNotFoundNow));
    }
    // Each column as wide as its texts, together at most two thirds of the
    // list, so that the state keeps the rest; a cut text is whole in its
    // tool tip. The list's own width: before the dialog is first shown its
    // viewport still has the size of a widget never laid out.
    const int room = list_->width() * 2 / 3;
    int used = 0;
    for (int column = kDevice; column < kState; ++column) {
        list_->resizeColumnToContents(column);
        used += list_->columnWidth(column);
    }
    if (used > room) {
        const int others = list_->columnWidth(kDevice) + list_->columnWidth(kBox);
        list_->setColumnWidth(kPlace, std::max(room - others, room / 3));
    }
}

void TfrmConnection::SetWrapped(QLabel* label, const QString& text) {
    label->setText(text);
    // A wrapped label is given the lines it needs at the dialog's width: the
    // dialog grows rather than drawing the text over the list.
    const int width = std::max(label->width(), list_->width());
    label->setMinimumHeight(text.isEmpty() ? 0 : label->heightForWidth(width));
    if (QLayout* own = layout()) {
        own->activate();
    }
}

bool TfrmConnection::Select(const std::string& device) {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->data(kDevice, kDeviceRole).toString() == Q(device)) {
            list_->setCurrentItem(item);
            return true;
        }
    }
    return false;
}

std::string TfrmConnection::Choice() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty()
               ? std::string()
               : selected.front()->data(kDevice, kDeviceRole).toString().toStdString();
}

QString TfrmConnection::TestResult() const {
    return testResult_->text();
}

void TfrmConnection::SelectionChanged() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    const bool any = !selected.isEmpty();
    ok_->setEnabled(any);
    test_->setEnabled(any);
    SetWrapped(details_, any ? selected.front()->data(kDevice, kStateRole).toString() : QString());
    SetWrapped(testResult_, {});
}

void TfrmConnection::btnTestClick() {
    const std::string device = Choice();
    if (device.empty()) {
        return;
    }
    SetWrapped(testResult_, Q(TextF(txt::ConnectionTesting, device)));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    // A link of its own, as the device commands would build it for this
    // entry; the window's link is not touched until OK.
    const auto link = session_.NewLink(device);
    QStringList lines;
    if (link->Open() != LinkOk) {
        lines << Q(Text(txt::KvdNotFound));
        if (const std::string reason = link->NotFoundReason(); !reason.empty()) {
            lines << Q(reason);
        }
    } else {
        // The connection check needs the QZT unit behind the box; the
        // information text comes from the box alone, so it is asked for
        // either way and tells a missing unit from a missing box.
        const bool unitAnswers = link->CheckConnection() == LinkOk;
        const std::optional<std::string> info = link->ReadInterfaceInfo();
        lines << Q(info ? KvdInfoLine(true, *info) : Text(txt::ConnectionNoInfo));
        if (!unitAnswers) {
            lines << Q(Text(txt::NoConnection));
        } else if (info) {
            lines << Q(Text(txt::ConnectionAnswers));
        }
    }
    link->Close();
    QApplication::restoreOverrideCursor();
    SetWrapped(testResult_, lines.join('\n'));
}

void TfrmConnection::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        move(CentredIn(owner_.geometry(), sizeHint()));
    }
    QDialog::showEvent(event);
}

}  // namespace qzt
