// Grabs pictures of the program's windows for the documentation: the main
// window and each dialog, started on the real templates in a scratch home.
// Usage: qzt-screenshots OUTPUT_FOLDER [PROGRAM ARGUMENTS...]
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "app/TfrmMain.h"

namespace {

bool Save(QWidget& widget, const QString& file) {
    widget.show();
    QApplication::processEvents();
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
    frmMain.FormCreate(options);
    frmMain.CreateDialogs();

    bool ok = Save(frmMain, folder + "/main-window.png");
    const struct {
        const char* object;
        const char* file;
    } dialogs[] = {
        {"frmSelectDirectory", "select-default-folder.png"},
        {"frmAbout", "about.png"},
        {"frmWriteRadioCodes", "change-radio-codes.png"},
    };
    for (const auto& d : dialogs) {
        if (auto* dialog = frmMain.findChild<QDialog*>(d.object)) {
            ok = Save(*dialog, folder + "/" + d.file) && ok;
            dialog->hide();
        }
    }
    return ok ? 0 : 1;
}
