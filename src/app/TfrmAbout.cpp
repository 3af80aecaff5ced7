#include "app/TfrmAbout.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "app/JpegImage.h"
#include "app/WindowHelpers.h"
#include "core/AboutInfo.h"
#include "core/FileSystem.h"
#include "core/PlatformFolders.h"
#include "device/link/TUsbInterface.h"
#include "session/Session.h"
#include "text/Text.h"

extern const unsigned char qzt_product_picture[];
extern const std::size_t qzt_product_picture_size;

namespace qzt {
namespace {

// The product picture, a JPEG compiled into the program so that the box never
// shows an empty frame, decoded with libjpeg.
QPixmap ProductPicture() {
    std::optional<RgbImage> rgb =
        DecodeJpeg(std::span<const std::uint8_t>(qzt_product_picture, qzt_product_picture_size));
    if (!rgb) {
        return {};
    }
    QImage image(rgb->pixels.data(), rgb->width, rgb->height, rgb->width * 3,
                 QImage::Format_RGB888);
    return QPixmap::fromImage(image.copy());
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget& owner, Session& session)
    : QDialog(&owner),
      owner_(owner),
      session_(session),
      link_(session.NewLink()),
      linkGeneration_(session.DeviceGeneration()) {
    setObjectName("frmAbout");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    const FontScale scaled(*this);

    // A panel with a lowered outer and a raised inner bevel.
    auto* outer = new QFrame(this);
    outer->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* panel = new QFrame(outer);
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* outerLayout = new QVBoxLayout(outer);
    outerLayout->setContentsMargins(1, 1, 1, 1);
    outerLayout->addWidget(panel);

    picture_ = new QLabel(panel);
    picture_->setObjectName("ProgramIcon");
    picture_->setFixedSize(scaled(97), scaled(153));
    picture_->setScaledContents(true);  // stretched to the box
    picture_->setPixmap(ProductPicture());
    kvdVersion_ = new QLabel(panel);
    kvdVersion_->setObjectName("lblKvdVersion");

    auto* group = new QGroupBox(panel);
    group->setObjectName("GroupBox1");
    info_ = new QPlainTextEdit(group);
    info_->setObjectName("mmoInfo");
    info_->setReadOnly(true);
    info_->setFrameShape(QFrame::NoFrame);
    info_->setBackgroundRole(QPalette::Window);
    info_->viewport()->setBackgroundRole(QPalette::Window);
    info_->setFixedSize(scaled(233), scaled(161));
    info_->setAccessibleName(Q(Text(txt::AboutCaption)));  // the group has no caption
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(info_);

    auto* left = new QVBoxLayout();
    left->addWidget(picture_);
    left->addWidget(kvdVersion_);
    left->addStretch(1);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addLayout(left);
    panelLayout->addWidget(group, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(outer);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setWindowTitle(Q(Text(txt::AboutCaption)));
}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::FormShow() {
    setWindowTitle(Q(Text(txt::AboutCaption)));
    info_->clear();

    const std::string folder = WithTrailingSeparator(session_.Folders().ExecutableFolder());
    if (linkGeneration_ != session_.DeviceGeneration()) {
        link_ = session_.NewLink();
        linkGeneration_ = session_.DeviceGeneration();
    }

    // Whether the box opened or not, the question is asked: on a closed link
    // it simply goes unanswered.
    link_->Open();
    const std::optional<std::string> kvdInfo = link_->ReadInterfaceInfo();
    link_->Close();
    kvdVersion_->setText(Q(KvdInfoLine(kvdInfo.has_value(), kvdInfo.value_or(""))));

    const IniSnapshot about = IniSnapshot::Load(folder + kAboutFileName);
    QStringList lines;
    for (const std::string& line : AboutLines(ProgramVersionInfo(), about)) {
        lines << Q(line);
    }
    info_->setPlainText(lines.join('\n'));

    // Centred once the content has its size: a long box line widens the
    // dialog. Each layout from the line up to the dialog takes the new width
    // now, not at the next turn of the event loop, after the dialog is placed.
    for (QWidget* widget = kvdVersion_->parentWidget(); widget != nullptr;
         widget = widget->parentWidget()) {
        if (QLayout* own = widget->layout()) {
            own->invalidate();
            own->activate();
        }
        if (widget == this) {
            break;
        }
    }
    CentreOver(*this, owner_);
}

void TfrmAbout::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
    }
    QDialog::showEvent(event);
}

}  // namespace qzt
