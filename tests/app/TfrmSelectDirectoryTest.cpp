#include <sys/stat.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "StartedWindow.h"
#include "app/TfrmSelectDirectory.h"

using namespace qzt;
using test::StartedWindow;

namespace {

// Opens File > Select default folder..., lets `drive` work the dialog and
// returns what the dialog was closed with.
void SelectFolder(StartedWindow& w, const std::function<int(TfrmSelectDirectory&)>& drive) {
    w.recording->onDialog = [&](QDialog& dialog) {
        auto* frm = qobject_cast<TfrmSelectDirectory*>(&dialog);
        return frm ? drive(*frm) : int(QDialog::Rejected);
    };
    w.Get<QAction>("mnuFileSelectDefaultDirectory")->trigger();
}

QLineEdit* EditOf(TfrmSelectDirectory& dialog) {
    return dialog.findChild<QLineEdit*>("edtActiveConfigDirectory");
}

std::string StoredFolder(StartedWindow& w) {
    return w.window.State().Values.ReadValue("Setup", "ConfigDirectory");
}

}  // namespace

class TfrmSelectDirectoryTest : public QObject {
    Q_OBJECT

  private slots:
    void captionsAndLayout() {
        StartedWindow w;
        auto* dialog = w.window.findChild<TfrmSelectDirectory*>();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->windowTitle(), QString("Select Default Folder"));
        QCOMPARE(dialog->findChild<QGroupBox*>("gbxSelectDirectory")->title(),
                 QString("Default Folder"));
        auto* info = dialog->findChild<QLabel*>("lblDirectoryInfo");
        QCOMPARE(info->text(), QString("The folder below specifies where to load and save QZT "
                                       "configurations by default."));
        QVERIFY(info->wordWrap());
        QCOMPARE(info->width(),
                 dialog->findChild<QGroupBox*>("gbxSelectDirectory")->width() * 9 / 10);
        QCOMPARE(dialog->findChild<QPushButton*>("btnBrowse")->text(), QString("&Browse..."));
        QVERIFY(dialog->findChild<QPushButton*>("btnOK") != nullptr);
        QVERIFY(dialog->findChild<QPushButton*>("btnCancel") != nullptr);
        QVERIFY(EditOf(*dialog)->text().isEmpty());
    }

    void cancelChangesNothingEvenAfterBrowse() {
        StartedWindow w;
        const std::string active = w.window.State().ActiveConfigDirectory;
        const std::string ini = test::ReadFile(w.window.State().Values.FileName());
        w.script.paths.push_back(w.dir.Path());
        QString shown;
        SelectFolder(w, [&](TfrmSelectDirectory& dialog) {
            shown = EditOf(dialog)->text();
            dialog.findChild<QPushButton*>("btnBrowse")->click();
            return int(QDialog::Rejected);
        });
        // The edit showed the active folder, Browse started there.
        QCOMPARE(shown.toStdString(), active);
        QCOMPARE(w.script.dialogs.size(), size_t(1));
        QCOMPARE(w.script.dialogs[0].title, std::string("Select new default folder"));
        QCOMPARE(w.script.dialogs[0].startFolder, active);
        QCOMPARE(w.window.State().ActiveConfigDirectory, active);
        QCOMPARE(test::ReadFile(w.window.State().Values.FileName()), ini);
    }

    void okStoresTheFolderWithoutTrailingSeparators() {
        const struct {
            const char* typed;
            const char* stored;
        } cases[] = {
            {"/srv/sites//", "/srv/sites"},
            {"/srv/100%s sites", "/srv/100%s sites"},
            {"", ""},
            {"/", "/"},
        };
        for (const auto& c : cases) {
            StartedWindow w;
            SelectFolder(w, [&](TfrmSelectDirectory& dialog) {
                EditOf(dialog)->setText(c.typed);
                return int(QDialog::Accepted);
            });
            QCOMPARE(w.window.State().ActiveConfigDirectory, std::string(c.stored));
            QCOMPARE(StoredFolder(w), std::string(c.stored));
            QVERIFY(w.script.boxes.empty());
        }
    }

    void browseFillsTheEditWithTheChosenFolder() {
        StartedWindow w;
        w.script.paths.push_back(w.dir.Path() + "/");
        SelectFolder(w, [&](TfrmSelectDirectory& dialog) {
            EditOf(dialog)->setText("/no/such/folder");
            dialog.btnBrowseClick();
            return int(QDialog::Accepted);
        });
        QCOMPARE(w.window.State().ActiveConfigDirectory, w.dir.Path());
        QCOMPARE(w.script.dialogs.back().startFolder, std::string("/no/such/folder"));
    }

    void refusedWriteKeepsTheFolderForTheRun() {
        StartedWindow w;
        const std::string ini = w.window.State().Values.FileName();
        const std::string before = test::ReadFile(ini);
        ::chmod(ini.c_str(), 0444);
        SelectFolder(w, [&](TfrmSelectDirectory& dialog) {
            EditOf(dialog)->setText("/srv/new");
            return int(QDialog::Accepted);
        });
        QCOMPARE(w.script.boxes.size(), size_t(1));
        QCOMPARE(w.script.boxes[0].kind, test::RecordedBox::Error);
        QCOMPARE(w.script.boxes[0].text, "Unable to write to " + ini);
        QCOMPARE(w.window.State().ActiveConfigDirectory, std::string("/srv/new"));
        QCOMPARE(test::ReadFile(ini), before);
    }
};

QTEST_MAIN(TfrmSelectDirectoryTest)
#include "TfrmSelectDirectoryTest.moc"
