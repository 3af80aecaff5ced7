#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QtTest>
#include <chrono>

#include "StartedWindow.h"
#include "app/TfrmAbout.h"
#include "core/VersionInfo.h"
#include "device/link/TUsbInterface.h"

using namespace qzt;
using test::StartedWindow;

namespace {

// Opens Help > About... and returns the label and memo as shown.
struct Shown {
    QString kvd;
    QStringList memo;
    bool picture = false;
};

Shown OpenAbout(StartedWindow& w) {
    Shown shown;
    w.recording->onDialog = [&](QDialog& dialog) {
        auto* about = qobject_cast<TfrmAbout*>(&dialog);
        if (about == nullptr) {
            return int(QDialog::Rejected);
        }
        about->FormShow();
        shown.kvd = about->findChild<QLabel*>("lblKvdVersion")->text();
        shown.memo = about->findChild<QPlainTextEdit*>("mmoInfo")->toPlainText().split('\n');
        const QPixmap picture = about->findChild<QLabel*>("ProgramIcon")->pixmap();
        shown.picture = !picture.isNull();
        return int(QDialog::Accepted);
    };
    w.Get<QAction>("mnuHelpAbout")->trigger();
    return shown;
}

}  // namespace

class TfrmAboutTest : public QObject {
    Q_OBJECT

  private slots:
    void simulatedBoxAnswers() {
        test::TempDir unit;
        StartedWindow w({}, {"--device=sim:" + (unit / "unit.bin"), "--sim-timing=zero"});
        const Shown shown = OpenAbout(w);
        QVERIFY(shown.kvd.startsWith("KVD info: "));
        QCOMPARE(shown.kvd.size(), QString("KVD info: ").size() + 11);
        QVERIFY(shown.picture);
        QCOMPARE(shown.memo.value(0), QString("QZT Programmer"));
        QCOMPARE(shown.memo.value(1).toStdString(),
                 "Version: " + FileVersionString() + " " + *ProgramVersionInfo().comments);
        // The comments say what the version is for, as part of its line.
        QVERIFY(QRegularExpression("^Version: [0-9.]+ \\([^,]+, [^)]+\\)$")
                    .match(shown.memo.value(1))
                    .hasMatch());
        QCOMPARE(w.window.findChild<TfrmAbout*>()->windowTitle(), QString("About QZT Programmer"));
    }

    void noBoxLeavesTheLabelEmptyWithinTheWait() {
        test::TempDir unit;
        StartedWindow w({}, {"--device=sim:" + (unit / "unit.bin"), "--sim-faults=no-box",
                             "--sim-timing=zero"});
        // Timed on the link's own clock, which in zero time moves only by the
        // link's waits.
        LinkClock& clock = w.window.findChild<TfrmAbout*>()->Link().Clock();
        const auto start = clock.Now();
        const Shown shown = OpenAbout(w);
        const auto took = clock.Now() - start;
        QCOMPARE(shown.kvd, QString());
        // The question goes unanswered on the closed link: its 250 ms wait,
        // not more than a moment beyond it.
        QVERIFY(took >= std::chrono::milliseconds(240));
        QVERIFY(took < std::chrono::seconds(3));
    }

    void contentIsRebuiltAtEveryShowing() {
        test::TempDir data;
        StartedWindow w([&](test::FakeFolders& folders) {
            // A program folder of its own: the real templates, no picture
            // file, and an About.ini the test edits.
            const std::string program = data / "program/";
            for (const char* name : {"Values.i", "Default.b"}) {
                std::filesystem::create_directories(program);
                std::filesystem::copy_file(folders.executable + name, program + name);
            }
            folders.executable = program;
        });
        const std::string ini = w.window.Folders().ExecutableFolder() + "About.ini";
        Shown shown = OpenAbout(w);
        QCOMPARE(shown.memo.mid(2), QStringList({"ORVI Electronics", "", ""}));
        QVERIFY(shown.picture);  // compiled in: no file needed

        test::WriteFile(ini, "[AboutInfo]\nLines=2\nLine1=first\nWWW=web\nMAIL=mail\n");
        shown = OpenAbout(w);
        QCOMPARE(shown.memo.mid(2), QStringList({"", "first", "", "web", "mail"}));

        // A damaged picture file where one used to be is not read.
        test::WriteFile(w.window.Folders().ExecutableFolder() + "qzt-unit.jpg",
                        std::string("\xFF\xD8\xFF\xE0 truncated", 14));
        shown = OpenAbout(w);
        QVERIFY(shown.picture);
    }
};

QTEST_MAIN(TfrmAboutTest)
#include "TfrmAboutTest.moc"
