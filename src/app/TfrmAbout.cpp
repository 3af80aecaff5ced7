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

#include "app/TfrmMain.h"
#include "app/WindowHelpers.h"
#include "core/AboutInfo.h"
#include "core/FileSystem.h"
#include "core/JpegImage.h"
#include "core/PlatformFolders.h"
#include "device/Backends.h"
#include "device/link/TUsbInterface.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The product picture beside the program, decoded with libjpeg; an empty
// pixmap when it is missing or damaged.
QPixmap ProductPicture(const std::string& executableFolder) {
    const std::optional<std::string> file =
        ReadWholeFile(executableFolder + kProductPictureName, 8u * 1024u * 1024u);
    if (!file) {
        return {};
    }
    std::optional<RgbImage> rgb = DecodeJpeg(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(file->data()), file->size()));
    if (!rgb) {
        return {};
    }
    QImage image(rgb->pixels.data(), rgb->width, rgb->height, rgb->width * 3,
                 QImage::Format_RGB888);
    return QPixmap::fromImage(image.copy());
}

}  // namespace

TfrmAbout::TfrmAbout(TfrmMain& mainWindow, const DeviceOptions& device)
    : QDialog(&mainWindow),
      main_(mainWindow),
      link_(std::make_unique<TUsbInterface>(MakeBackend(device))) {
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

void TfrmAbout::SetDevice(const DeviceOptions& device) {
    link_ = std::make_unique<TUsbInterface>(MakeBackend(device));
}

void TfrmAbout::FormShow() {
    move(CentredIn(main_.geometry(), size()));
    setWindowTitle(Q(Text(txt::AboutCaption)));
    info_->clear();

    const std::string folder = WithTrailingSeparator(main_.Folders().ExecutableFolder());
    picture_->setPixmap(ProductPicture(folder));

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
}

void TfrmAbout::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
    }
    QDialog::showEvent(event);
}

}  // namespace qzt
