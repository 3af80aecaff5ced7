// Grabs pictures of the program's windows for the documentation: the main
// window after a read from a simulated unit, and each dialog as the program
// shows it. Boxes are answered at once and their texts printed.
// Usage: qzt-screenshots OUTPUT_FOLDER [PROGRAM ARGUMENTS...]
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "app/QtUserInterface.h"
#include "app/TfrmAbout.h"
#include "app/TfrmConnection.h"
#include "app/TfrmMain.h"
#include "app/TfrmSelectDirectory.h"
#include "app/TfrmWriteRadioCodes.h"
#include "device/commands/DeviceCommands.h"

namespace {

// Message boxes do not wait for a click here.
class AnsweringUi : public qzt::QtUserInterface {
  public:
    using QtUserInterface::QtUserInterface;
    void ShowError(const std::string& text) override { std::printf("error: %s\n", text.c_str()); }
    void ShowInformation(const std::string& text) override {
        std::printf("information: %s\n", text.c_str());
    }
};

bool Save(QWidget& widget, const QString& file) {
    widget.show();
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
    const bool saved = widget.grab().save(file);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    qzt::StartOptions options;
    for (int i = 2; i < argc; ++i) {
        options.arguments.emplace_back(argv[i]);
    }
    qzt::TfrmMain frmMain;
    frmMain.SetUserInterface(std::make_unique<AnsweringUi>(frmMain));
    frmMain.FormCreate(options);
    frmMain.CreateDialogs();
    frmMain.show();
    QApplication::processEvents();
    // Read from device, so the window shows a unit's configuration.
    frmMain.findChild<QAction*>("mnuComReadFromDevice")->trigger();

    bool ok = Save(frmMain, folder + "/main-window.png");

    auto* radioCodes = frmMain.findChild<qzt::TfrmWriteRadioCodes*>();
    radioCodes->SetCodes(qzt::RadioCodesOf(qzt::ImageOf(frmMain.State().CurrentImage)));
    ok = Save(*radioCodes, folder + "/change-radio-codes.png") && ok;
    radioCodes->hide();

    auto* selectFolder = frmMain.findChild<qzt::TfrmSelectDirectory*>();
    selectFolder->SetFolder(frmMain.State().ActiveConfigDirectory);
    ok = Save(*selectFolder, folder + "/select-default-folder.png") && ok;
    selectFolder->hide();

    auto* about = frmMain.findChild<qzt::TfrmAbout*>();
    ok = Save(*about, folder + "/about.png") && ok;
    about->hide();

    // Communication > Connection with the window's device selected and tested.
    auto* connection = frmMain.ConnectionDialog();
    connection->Prepare(frmMain.Device(), options.arguments);
    connection->show();
    connection->btnTestClick();
    ok = Save(*connection, folder + "/connection.png") && ok;
    return ok ? 0 : 1;
}
