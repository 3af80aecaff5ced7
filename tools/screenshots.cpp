// Grabs pictures of the program's windows for the documentation: the main
// window after a read from a simulated unit, and each dialog as the program
// shows it. Boxes are answered at once and their texts printed. The series
// dialog is shown after a ward of three beds: the simulated unit gets
// another serial number after each, as if the next unit were connected.
// Usage: qzt-screenshots OUTPUT_FOLDER [PROGRAM ARGUMENTS...]
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <functional>
#include <optional>

#include "app/QtUserInterface.h"
#include "app/TfrmAbout.h"
#include "app/TfrmConnection.h"
#include "app/TfrmMain.h"
#include "app/TfrmSelectDirectory.h"
#include "app/TfrmSeries.h"
#include "app/TfrmWriteRadioCodes.h"
#include "config/MemoryMap.h"
#include "device/commands/DeviceCommands.h"
#include "device/sim/SimUnitFile.h"

namespace {

// Message boxes do not wait for a click here.
class AnsweringUi : public qzt::QtUserInterface {
  public:
    using QtUserInterface::QtUserInterface;
    void ShowError(const std::string& text) override { std::printf("error: %s\n", text.c_str()); }
    void ShowInformation(const std::string& text) override {
        std::printf("information: %s\n", text.c_str());
    }
    // Save As answers with this path.
    std::optional<std::string> ChooseFileToSave(const qzt::FileDialogOptions&) override {
        return saveAs;
    }
    std::optional<std::string> saveAs;
};

// Lets the program run until `done`, ten seconds at most.
bool RunUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    return done();
}

// The simulated unit becomes another unit: only its serial number differs.
bool ConnectUnit(const std::string& path, unsigned long serialNumber) {
    const std::optional<qzt::SimUnitFile> unit = qzt::SimUnitFile::LoadOrCreate(path);
    if (!unit) {
        return false;
    }
    qzt::ConfigImage memory = unit->Memory();
    for (unsigned i = 0; i < qzt::kSerialNumberBytes.count; ++i) {
        const unsigned shift = 8 * (qzt::kSerialNumberBytes.count - 1 - i);
        memory[qzt::kSerialNumberBytes.first + i] =
            static_cast<std::uint8_t>(serialNumber >> shift);
    }
    return unit->Save(memory);
}

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
    auto ui = std::make_unique<AnsweringUi>(frmMain);
    AnsweringUi* answering = ui.get();
    frmMain.SetUserInterface(std::move(ui));
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
    connection->Prepare();
    connection->show();
    connection->btnTestClick();
    ok = Save(*connection, folder + "/connection.png") && ok;
    connection->hide();

    // A ward's series: the configuration saved as a file, a plan of three
    // beds, one unit after another.
    QTemporaryDir ward;
    const QString plan = ward.filePath("Ward 3 East.csv");
    QFile planFile(plan);
    planFile.open(QIODevice::WriteOnly);
    planFile.write(
        "Label,Allow user,Pad on,Pad off,On pad,Out of pad,Technical\n"
        "Room 301 bed,4B11,4B12,4B13,4B14,4B15,4B1F\n"
        "Room 302 bed,4B21,4B22,4B23,4B24,4B25,4B2F\n"
        "Room 303 window,4B31,4B32,4B33,4B34,4B35,4B3F\n");
    planFile.close();
    answering->saveAs = ward.filePath("Ward 3 East.Qzt").toStdString();
    frmMain.findChild<QAction*>("mnuFileSaveAs")->trigger();
    auto* series = frmMain.SeriesDialog();
    series->Prepare();
    series->findChild<QLineEdit*>("edtPlan")->setText(plan);
    series->show();
    series->btnStartClick();
    const std::string unit = frmMain.Device().path;
    auto* units = series->findChild<QTableWidget*>("tblUnits");
    const unsigned long next[] = {204117, 204123};
    for (int done = 1; done <= 3; ++done) {
        ok = RunUntil([&] { return units->rowCount() == done; }) && ok;
        if (done <= 2) {
            ok = ConnectUnit(unit, next[done - 1]) && ok;
        }
    }
    ok = RunUntil([&] { return !series->Running(); }) && ok;
    ok = Save(*series, folder + "/series.png") && ok;
    return ok ? 0 : 1;
}
