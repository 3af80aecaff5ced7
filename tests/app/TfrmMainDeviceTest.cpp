#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "StartedWindow.h"
#include "TempDir.h"
#include "TestLocale.h"
#include "app/TfrmWriteRadioCodes.h"
#include "device/link/TUsbInterface.h"
#include "device/sim/SimUnitFile.h"

using namespace qzt;
using test::StartedWindow;

namespace {

// A window on a simulated unit in zero time, its memory in a file of the
// test's own.
struct UnitWindow {
    explicit UnitWindow(const char* faults = "")
        : w({}, {"--device=sim:" + (unit / "unit.bin"), "--sim-timing=zero",
                 std::string("--sim-faults=") + faults}) {
        w.window.show();
        exposed = QTest::qWaitForWindowExposed(&w.window);
    }
    ConfigImage Memory() const { return SimUnitFile::LoadOrCreate(unit / "unit.bin")->Memory(); }
    void Trigger(const char* action) { w.Get<QAction>(action)->trigger(); }
    QString Field(const char* name) { return w.Get<QLineEdit>(name)->text(); }
    std::string LastBox() const {
        return w.script.boxes.empty() ? std::string() : w.script.boxes.back().text;
    }

    test::TempDir unit;
    StartedWindow w;
    bool exposed = false;
};

}  // namespace

class TfrmMainDeviceTest : public QObject {
    Q_OBJECT

  private slots:
    void readEditWriteAndChangeCodesThroughTheMenus() {
        UnitWindow u;
        QVERIFY(u.exposed);
        u.Trigger("mnuComReadFromDevice");
        QCOMPARE(u.LastBox(), std::string("Read complete"));
        QCOMPARE(u.w.window.StatusText(), QString("Read complete"));
        QCOMPARE(u.w.window.windowTitle(), QString("(Read from QZT) - QZT Programmer"));
        QCOMPARE(u.Field("edtSerialNumber"), QString("123456"));
        QCOMPARE(u.Field("edtAllowUserRadioCode"), QString("3A41"));

        QLineEdit* delay = u.w.Get<QLineEdit>("edtInPassageDelay");
        delay->clear();
        QTest::keyClicks(delay, "30");
        u.Trigger("mnuComWriteToDevice");
        QCOMPARE(u.LastBox(), std::string("Configuration in QZT was updated."));
        QCOMPARE(u.w.window.StatusText(), QString("Write and Verify complete"));
        QCOMPARE(u.w.window.windowTitle(), QString("(Read from QZT) - QZT Programmer"));
        QCOMPARE(u.Memory()[49], std::uint8_t{30});

        // The dialog shows the unit's codes; the user types a new first one.
        QStringList shownOld;
        u.w.recording->onDialog = [&](QDialog& dialog) {
            auto* codes = qobject_cast<TfrmWriteRadioCodes*>(&dialog);
            if (codes == nullptr) {
                return int(QDialog::Rejected);
            }
            for (int row = 0; row < 6; ++row) {
                shownOld << codes->findChild<QLineEdit*>(QString("edtRadio%1Old").arg(row))->text();
            }
            QLineEdit* first = codes->findChild<QLineEdit*>("edtRadio0New");
            first->clear();
            QTest::keyClicks(first, "beef");
            QTest::mouseClick(codes->findChild<QPushButton*>("btnWriteToDevice"), Qt::LeftButton);
            return codes->result();
        };
        u.Trigger("mnuComChangeDeviceRadioCodes");
        QCOMPARE(shownOld, QStringList({"3A41", "3A42", "3A43", "3A44", "3A45", "3A4F"}));
        QCOMPARE(u.LastBox(), std::string("Configuration in QZT was updated."));
        const ConfigImage memory = u.Memory();
        QCOMPARE(memory[2], std::uint8_t{0xBE});
        QCOMPARE(memory[3], std::uint8_t{0xEF});
        QVERIFY(ChecksumMatches(memory));
        // The window still shows its own configuration.
        QCOMPARE(u.Field("edtAllowUserRadioCode"), QString("3A41"));
        QCOMPARE(u.w.window.State().ConfigState, ConfigMode::Written);
        QVERIFY(!u.w.window.Link().IsOpen());
        QCOMPARE(u.w.script.boxes.size(), std::size_t(3));
    }

    void windowHoldsStillWhateverTheDateHolds() {
        // "9/14/23", and "14 Sep 2023", which doubles the production date's width.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        for (const bool longDates : {false, true}) {
            UnitWindow u;
            QVERIFY(u.exposed);
            test::TestLocale elevenCharacters;
            u.w.recording->locale = longDates ? &elevenCharacters : nullptr;
            const QRect before = u.w.window.geometry();
            auto* date = u.w.Get<QLineEdit>("edtProductionDate");
            auto* group = u.w.Get<QGroupBox>("gbxProductInformation");
            for (const char* command : {"mnuComReadFromDevice", "mnuFileNew"}) {
                u.Trigger(command);
                QCoreApplication::processEvents();
                const int widths = longDates && command[3] == 'C' ? 2 : 1;
                QCOMPARE(date->width(), widths * u.w.Get<QLineEdit>("edtSerialNumber")->width());
                QCOMPARE(u.w.window.geometry(), before);
                QVERIFY(group->contentsRect().contains(
                    QRect(date->mapTo(group, QPoint(0, 0)), date->size())));
            }
        }
    }

    void progressShowsAndNothingElseRunsMeanwhile() {
        UnitWindow u;
        const QSize size = u.w.window.size();
        const QString delayBefore = u.Field("edtInPassageDelay");
        const bool sendBefore = u.w.Get<QCheckBox>("cbAllowUserSendAlarm")->isChecked();
        auto* bar = u.w.Get<QProgressBar>("pbProgress");
        QVERIFY(!bar->isVisible());

        int seen = 0;
        bool barShown = true;
        bool sizeKept = true;
        u.w.recording->onProgress = [&](std::size_t block, std::size_t blocks) {
            ++seen;
            barShown = barShown && bar->isVisible() && bar->value() == int(block) &&
                       bar->maximum() == int(blocks);
            sizeKept = sizeKept && u.w.window.size() == size;
            if (block != 3) {
                return;
            }
            // What a user might do while the unit is busy: the menu, its
            // shortcut queued for later, the handler itself, a dropped file,
            // the close box.
            for (const char* name : {"mnuComReadFromDevice", "mnuFileNew", "mnuFileExit"}) {
                QAction* action = u.w.Get<QAction>(name);
                QVERIFY(!action->isEnabled());
                action->trigger();
                QMetaObject::invokeMethod(action, "trigger", Qt::QueuedConnection);
            }
            QMetaObject::invokeMethod(
                &u.w.window, [&] { u.w.window.mnuComChangeDeviceRadioCodesClick(); },
                Qt::QueuedConnection);
            u.w.window.mnuComReadFromDeviceClick();
            // Typing and clicking into the form are swallowed too.
            QLineEdit* delay = u.w.Get<QLineEdit>("edtInPassageDelay");
            QTest::keyClicks(delay, "7");
            QCoreApplication::postEvent(
                delay, new QKeyEvent(QEvent::KeyPress, Qt::Key_8, Qt::NoModifier, "8"));
            QTest::mouseClick(u.w.Get<QCheckBox>("cbAllowUserSendAlarm"), Qt::LeftButton);
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(
                QString::fromStdString(u.w.window.State().ProgramDataDirectory + "Default.bin"))});
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&u.w.window, &drop);
            u.w.window.close();
        };
        u.Trigger("mnuComWriteToDevice");
        QCOMPARE(seen, 49);  // the unit's backup, its own bytes, the write and the read-back
        QVERIFY(barShown);
        QVERIFY(sizeKept);
        QVERIFY(!bar->isVisible());
        QVERIFY(u.w.window.isVisible());
        QCOMPARE(u.w.script.boxes.size(), std::size_t(1));
        QCOMPARE(u.LastBox(), std::string("Configuration in QZT was updated."));
        QCOMPARE(u.w.window.State().ConfigState, ConfigMode::Written);
        QCOMPARE(u.w.recording->dialogsShown, 0);
        QCOMPARE(u.Field("edtInPassageDelay"), delayBefore);
        QCOMPARE(u.w.Get<QCheckBox>("cbAllowUserSendAlarm")->isChecked(), sendBefore);

        // Afterwards the commands are back.
        u.w.recording->onProgress = {};
        QVERIFY(u.w.Get<QAction>("mnuComReadFromDevice")->isEnabled());
        u.Trigger("mnuComReadFromDevice");
        QCOMPARE(u.LastBox(), std::string("Read complete"));
    }
};

QTEST_MAIN(TfrmMainDeviceTest)
#include "TfrmMainDeviceTest.moc"
