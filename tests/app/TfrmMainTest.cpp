#include <sys/stat.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <map>
#include <utility>

#include "StartedWindow.h"
#include "TempDir.h"
#include "app/QtUserInterface.h"
#include "app/TfrmAbout.h"
#include "app/TfrmMain.h"
#include "app/TfrmSelectDirectory.h"
#include "app/TfrmWriteRadioCodes.h"
#include "app/WindowHelpers.h"
#include "core/FileSystem.h"

using namespace qzt;
using test::StartedWindow;

namespace {

// The title and frame of the modal window that `open` shows, closed at once.
std::pair<QString, QRect> WhileModal(const std::function<void()>& open) {
    std::pair<QString, QRect> seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            seen = {dialog->windowTitle(), dialog->frameGeometry()};
            dialog->done(QDialog::Rejected);
        }
    });
    poll.start(5);
    open();
    return seen;
}

}  // namespace

class TfrmMainTest : public QObject {
    Q_OBJECT

  private slots:
    void runTimeCaptionsReplaceTheDesignTimeOnes() {
        StartedWindow w;
        const std::map<const char*, const char*> expected = {
            {"mnuFile", "&File"},
            {"mnuFileNew", "&New"},
            {"mnuFileOpen", "&Open..."},
            {"mnuFileSave", "&Save"},
            {"mnuFileSaveAs", "Save &As..."},
            {"mnuFileSelectDefaultDirectory", "Select &default folder..."},
            {"mnuFileExit", "E&xit"},
            {"mnuCom", "&Communication"},
            {"mnuComReadFromDevice", "&Read from device"},
            {"mnuComWriteToDevice", "&Write to device"},
            {"mnuComChangeDeviceRadioCodes", "&Change Radio Codes in device"},
            {"mnuHelp", "&Help"},
            {"mnuHelpAbout", "&About..."},
            {"pumnuView", "View settings..."},
            {"gbxInputs", "Inputs"},
            {"lblSendAlarm", "Send Alarm"},
            {"lblInputsRadioCode", "Radio Code"},
            {"lblAlarmType", "Alarm Type"},
            {"lblAlarmWhenAllowUser", "Allow user out of pad (bed/chair)"},
            {"lblAlarmWhenDoorClosed", "Pad connection (on)"},
            {"lblAlarmWhenDoorOpened", "Pad connection (off)"},
            {"lblAlarmWhenInputClosed", "On pad (bed/chair)"},
            {"lblAlarmWhenInputOpened", "Out of pad (bed/chair)"},
            {"gbxAlarmDelay", "Alarm Delay"},
            {"lblInPassageDelay", "On pad delay (s)"},
            {"lblOutPassageDelay", "Out of pad delay (s)"},
            {"lblAutoResetTime", "Time allowed out of pad (s)"},
            {"gbxTechnicalAlarms", "Technical Alarms"},
            {"lblTechnicalRadioCode", "Radio Code"},
            {"lblRadioTestAlarmPeriod", "Radio test alarm period (h, 0=OFF)"},
            {"lblBatteryAlarmPeriod", "Battery alarm period (h, 0=OFF)"},
            {"lblInactivityTimeLimit", "Inactivity time limit (1-256h)"},
            {"gbxTimeSchedule", "Time Schedule"},
            {"lblEnableTimeSchedule", "Enable time schedule"},
            {"lblActivationTime", "Activation time"},
            {"lblInactivationTime", "Inactinavtion time"},
            {"lblDaylightSavingTimeRegion", "Daylight saving time region"},
            {"lblMostRecentDateTime", "Most recent date/time in QZT (power switch 1-0)"},
            {"lblDate", "Date"},
            {"lblTime", "Time"},
            {"gbxRadioParameters", "Radio Parameters"},
            {"lblNumberOfShortTransmissions", "Number of short transmissions"},
            {"lblNumberOfLongTransmissions", "Number of long transmissions"},
            {"lblIgnoreReceivedAcknowledge", "Ignore received acknowledge"},
            {"gbxMiscellaneous", "Miscellaneous"},
            {"lblIgnorePowerSwitch", "Ignore power switch"},
            {"gbxPeekFunction", "Peek Function"},
            {"lblEnablePeekFunction", "Enable peek function"},
            {"lblDoorMatSensorType", "Door mat sensor type"},
            {"lblMaxTimeOutsideDoor", "Max time outside door (s)"},
            {"gbxProductInformation", "Product Information"},
            {"lblProgramVersion", "Program version"},
            {"lblSerialNumber", "Serial number"},
            {"lblProductionDate", "Production date"},
            {"lblRadioCalibration", "Radio calibration"},
        };
        for (const auto& [name, caption] : expected) {
            QCOMPARE(w.CaptionOf(name), QString(caption));
        }
        // The start-up New has loaded the default configuration.
        QCOMPARE(w.window.windowTitle(), QString("(Default) - QZT Programmer"));
        QCOMPARE(w.window.StatusText(), QString("Default config loaded"));
        QVERIFY(w.script.boxes.empty());
    }

    void controlsHaveTheirLimitsAndStates() {
        StartedWindow w;
        struct Edit {
            const char* name;
            int maxLength;  // 0: read-only, never typed into
            bool enabled;
        };
        const Edit edits[] = {
            {"edtAllowUserRadioCode", 0, false},
            {"edtDoorClosedRadioCode", 0, false},
            {"edtDoorOpenedRadioCode", 0, false},
            {"edtInputClosedRadioCode", 0, false},
            {"edtInputOpenedRadioCode", 0, false},
            {"edtTechnicalRadioCode", 0, false},
            {"edtInPassageDelay", 3, true},
            {"edtOutPassageDelay", 3, true},
            {"edtAutoResetTime", 4, true},
            {"edtRadioTestAlarmPeriod", 3, true},
            {"edtBatteryAlarmPeriod", 3, true},
            {"edtInactivityTimeLimit", 3, true},
            {"edtNumberOfShortTransmissions", 3, true},
            {"edtNumberOfLongTransmissions", 3, true},
            {"edtActivationHour", 2, false},
            {"edtActivationMinute", 2, false},
            {"edtInactivationHour", 2, false},
            {"edtInactivationMinute", 2, false},
            {"edtMaxTimeOutsideDoor", 4, false},
            {"edtProgramVersion", 0, false},
            {"edtSerialNumber", 0, false},
            {"edtProductionDate", 0, false},
            {"edtRadioCalibration", 0, false},
            {"edtDate", 0, false},
            {"edtTime", 0, false},
        };
        for (const Edit& e : edits) {
            QLineEdit* edit = w.Get<QLineEdit>(e.name);
            QVERIFY2(edit->isEnabled() == e.enabled, e.name);
            QVERIFY2(edit->isReadOnly() == (e.maxLength == 0), e.name);
            // The maximum length limits typing; a longer text from the
            // program is kept whole so that encoding can refuse it.
            edit->setText("1234567");
            QCOMPARE(edit->text(), QString("1234567"));
            if (e.maxLength > 0) {
                edit->setEnabled(true);
                edit->clear();
                QTest::keyClicks(edit, "98765");
                QCOMPARE(edit->text(), QString("98765").left(e.maxLength));
                edit->setEnabled(e.enabled);
            }
        }
        w.script.boxes.clear();  // the warnings of the long texts
        // The radio-code edits can never be typed into.
        QLineEdit* code = w.Get<QLineEdit>("edtAllowUserRadioCode");
        code->clear();
        QTest::keyClicks(code, "1234");
        QCOMPARE(code->text(), QString());

        QVERIFY(!w.Get<QCheckBox>("cbEnablePeekFunction")->isEnabled());
        QVERIFY(!w.Get<QCheckBox>("cbIgnorePowerSwitch")->isEnabled());
        QVERIFY(!w.Get<QComboBox>("cbbxDaylightSavingTimeRegion")->isEnabled());
        QVERIFY(!w.Get<QComboBox>("cbbxDoorMatSensorType")->isEnabled());
        for (const char* name : {"cbbxAllowUserAlarmType", "cbbxDaylightSavingTimeRegion"}) {
            QVERIFY(!w.Get<QComboBox>(name)->isEditable());
        }

        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QVERIFY(!w.Get<QGroupBox>("gbxMiscellaneous")->isVisible());
        QVERIFY(!w.Get<QGroupBox>("gbxPeekFunction")->isVisible());
        QVERIFY(w.Get<QGroupBox>("gbxProductInformation")->isVisible());
        QCOMPARE(w.window.minimumSize(), w.window.maximumSize());
        // No caption is cut: every visible label has at least the room its
        // text needs.
        for (QLabel* label : w.window.findChildren<QLabel*>()) {
            if (label->isVisible() && label->objectName().startsWith("lbl")) {
                QVERIFY2(label->width() >= label->sizeHint().width(),
                         qPrintable(label->objectName()));
            }
        }
    }

    void dropDownsAreFilledFromTheSettings() {
        StartedWindow w;
        const char* alarmTypes[] = {"cbbxAllowUserAlarmType", "cbbxDoorClosedAlarmType",
                                    "cbbxDoorOpenedAlarmType", "cbbxInputClosedAlarmType",
                                    "cbbxInputOpenedAlarmType"};
        QComboBox* first = w.Get<QComboBox>(alarmTypes[0]);
        QVERIFY(first->count() > 1);
        for (const char* name : alarmTypes) {
            QComboBox* combo = w.Get<QComboBox>(name);
            QCOMPARE(combo->count(), first->count());
            QCOMPARE(combo->itemText(1), first->itemText(1));
        }
        QComboBox* region = w.Get<QComboBox>("cbbxDaylightSavingTimeRegion");
        QCOMPARE(region->itemText(0), QString("No daylight saving time"));
        QCOMPARE(region->count(),
                 w.window.State().List(DropDown::DaylightSavingTimeRegion).Count());
    }

    void menusCarryTheirShortcuts() {
        StartedWindow w;
        const std::map<const char*, QKeySequence> shortcuts = {
            {"mnuFileNew", QKeySequence("Ctrl+N")},
            {"mnuFileOpen", QKeySequence("Ctrl+O")},
            {"mnuFileSave", QKeySequence("Ctrl+S")},
            {"mnuFileSaveAs", QKeySequence("Ctrl+Shift+S")},
            {"mnuComReadFromDevice", QKeySequence("Ctrl+R")},
            {"mnuComWriteToDevice", QKeySequence("Ctrl+W")},
            {"mnuComChangeDeviceRadioCodes", QKeySequence()},
        };
        for (const auto& [name, keys] : shortcuts) {
            QCOMPARE(w.Get<QAction>(name)->shortcut(), keys);
        }
    }

    void refusedSettingsWriteLeavesDesignTimeCaptions() {
        std::string ini;
        StartedWindow w([&](test::FakeFolders& folders) {
            const std::string data = *folders.appData + "/ORVI/QZT Programmer (EN)/";
            ini = test::WriteFile(data + "Values.ini", "[Setup]\nAppVersion=0.0.0.1\n");
            ::chmod(ini.c_str(), 0444);
        });
        QCOMPARE(w.script.boxes.size(), size_t(1));
        QCOMPARE(w.script.boxes[0].text, "Unable to write to " + ini);
        QCOMPARE(w.CaptionOf("lblActivationTime"), QString("Activation time (hh:mm)"));
        QCOMPARE(w.Get<QComboBox>("cbbxAllowUserAlarmType")->count(), 0);
        QCOMPARE(w.Get<QComboBox>("cbbxAllowUserAlarmType")->currentIndex(), -1);
    }

    void titleFollowsTheConfigState() {
        StartedWindow w;
        ProgramState& state = w.window.State();
        state.CurrentFileName = "/home/tech/A/b.qzt";
        const struct {
            ConfigMode state;
            const char* title;
        } cases[] = {
            {ConfigMode::Default, "(Default) - QZT Programmer"},
            {ConfigMode::File, "b.qzt - QZT Programmer"},
            {ConfigMode::Read, "(Read from QZT) - QZT Programmer"},
            {ConfigMode::Written, "(Read from QZT) - QZT Programmer"},  // unchanged
            {ConfigMode::Saved, "b.qzt - QZT Programmer"},
        };
        for (const auto& c : cases) {
            state.ConfigState = c.state;
            w.window.RefreshTitle();
            QCOMPARE(w.window.windowTitle(), QString(c.title));
        }
    }

    void statusBarShowsOneLine() {
        StartedWindow w;
        w.window.SetStatusText("No connection with QZT!\nPlease verify");
        QCOMPARE(w.window.StatusText(), QString("No connection with QZT!\nPlease verify"));
        QCOMPARE(w.Get<QLabel>("sbStatusText")->text(),
                 QString("No connection with QZT! Please verify"));
        const QSize before = w.window.sizeHint();
        w.window.SetStatusText(QString(500, 'x'));
        QCOMPARE(w.window.sizeHint().width(), before.width());
    }

    void centringRoundsTowardZero() {
        const struct {
            QRect outer;
            QSize inner;
            QPoint expected;
        } cases[] = {
            {{0, 0, 1920, 1080}, {1031, 620}, {444, 230}},
            {{0, 0, 800, 600}, {1031, 620}, {-115, -10}},    // -115.5 and -10
            {{100, 50, 1027, 559}, {479, 307}, {374, 176}},  // a dialog over the window
            {{1920, 0, 1280, 1024}, {1031, 621}, {2044, 201}},
        };
        for (const auto& c : cases) {
            QCOMPARE(CentredIn(c.outer, c.inner), c.expected);
        }
        // The shown window sits centred on its screen (the offscreen
        // platform may shift it by its frame margins).
        StartedWindow w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        const QPoint centre = w.window.frameGeometry().center();
        const QPoint screenCentre = w.window.screen()->geometry().center();
        QVERIFY(std::abs(centre.x() - screenCentre.x()) <= 4);
        QVERIFY(std::abs(centre.y() - screenCentre.y()) <= 4);
    }

    void dialogsCarryTheirOwnTitlesAndSitCentred() {
        // On a simulated box, whose information line widens the about box.
        test::TempDir unit;
        StartedWindow w({}, {"--device=sim:" + (unit / "unit.bin"), "--sim-timing=zero"});
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QtUserInterface real(w.window);  // not the test's recording
        const std::pair<const char*, QDialog*> dialogs[] = {
            {"Change Radio Codes in Device", w.window.findChild<TfrmWriteRadioCodes*>()},
            {"Select Default Folder", w.window.findChild<TfrmSelectDirectory*>()},
            {"About QZT Programmer", w.window.findChild<TfrmAbout*>()}};
        for (const auto& [title, dialog] : dialogs) {
            const auto [shown, frame] = WhileModal([&, d = dialog] { real.ExecDialog(*d); });
            QCOMPARE(shown, QString(title));
            QVERIFY2((frame.center() - w.window.frameGeometry().center()).manhattanLength() <= 2,
                     title);
        }
        // No display name, which the window system would append to every
        // title ("Select Default Folder — QZT Programmer").
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());

        // A box before the main window is shown sits in the middle of the screen.
        auto folders = std::make_shared<test::FakeFolders>(
            dynamic_cast<const test::FakeFolders&>(w.window.Folders()));
        TfrmMain hidden;
        const auto [title, frame] = WhileModal([&] {
            hidden.FormCreate(StartOptions{{"--device=floppy"}, folders});
        });
        QCOMPARE(title, QString("QZT Programmer"));
        const QPoint middle = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY((frame.center() - middle).manhattanLength() <= 4);
    }

    void controlsAreNamedByTheirCaptions() {
        StartedWindow w;
        auto* codes = w.window.findChild<TfrmWriteRadioCodes*>();
        for (QWidget* window : {static_cast<QWidget*>(&w.window), static_cast<QWidget*>(codes)}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            for (QWidget* c : window->findChildren<QWidget*>()) {
                if (c->isVisible() && (qobject_cast<QAbstractButton*>(c) != nullptr ||
                                       qobject_cast<QLineEdit*>(c) != nullptr ||
                                       qobject_cast<QComboBox*>(c) != nullptr)) {
                    QVERIFY2(!QAccessible::queryAccessibleInterface(c)
                                  ->text(QAccessible::Name)
                                  .isEmpty(),
                             qPrintable(c->objectName()));
                }
            }
        }
        // Qt on Linux names a drop-down by its entry; the caption is the name
        // given to it (and its label, where it has one).
        const std::pair<QWidget*, const char*> spots[] = {
            {w.Get<QWidget>("edtDoorClosedRadioCode"), "Pad connection (on) Radio Code"},
            {w.Get<QWidget>("cbAllowUserSendAlarm"),
             "Allow user out of pad (bed/chair) Send Alarm"},
            {w.Get<QWidget>("cbbxInputOpenedAlarmType"), "Out of pad (bed/chair) Alarm Type"},
            {w.Get<QWidget>("edtInactivationMinute"), "Inactinavtion time (mm)"},
            {w.Get<QWidget>("edtInPassageDelay"), "On pad delay (s)"},
            {codes->findChild<QWidget*>("edtRadio1New"), "Pad connection (on) New radio codes"},
        };
        for (const auto& [control, name] : spots) {
            QCOMPARE(qobject_cast<QComboBox*>(control)
                         ? control->accessibleName()
                         : QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name),
                     QString(name));
        }
        codes->hide();
    }

    void windowHelpersKeepTextsAndScaleUp() {
        // Texts are UTF-8 and end where their view ends, not at a NUL.
        const std::string text = "Grüße 7 °C";
        QCOMPARE(Q(std::string_view(text).substr(0, 6)), QString::fromUtf8("Grüß"));
        QCOMPARE(Q(text), QString::fromUtf8("Grüße 7 °C"));

        // Sizes grow with a font wider than the drawing's, never shrink.
        const struct {
            int pixelSize;
            bool grows;
        } fonts[] = {{4, false}, {60, true}};
        for (const auto& f : fonts) {
            QWidget widget;
            QFont font = widget.font();
            font.setPixelSize(f.pixelSize);
            widget.setFont(font);
            const FontScale scaled(widget);
            const int average = widget.fontMetrics().averageCharWidth();
            QCOMPARE(average > 5, f.grows);
            QCOMPARE(scaled(100), f.grows ? 20 * average : 100);
        }
    }

    void droppedFileIsLoaded() {
        StartedWindow w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        std::string bytes = test::ReadFile(w.window.State().ProgramDataDirectory + "Default.bin");
        bytes[49] = 42;
        const std::string path = test::WriteFile(w.dir / "site 7.QZT", bytes);

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        const QPoint at = w.window.rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w.window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w.window, &drop);

        QCOMPARE(w.window.windowTitle(), QString("site 7.QZT - QZT Programmer"));
        QCOMPARE(w.window.StatusText(), QString("Configuration file 'site 7.QZT' opened"));
        QCOMPARE(w.Get<QLineEdit>("edtInPassageDelay")->text(), QString("42"));
        QVERIFY(w.script.boxes.empty());

        // Anything but local files is not taken.
        QMimeData web;
        web.setUrls({QUrl("https://example.org/unit.qzt")});
        QDragEnterEvent refused(at, Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
        refused.setAccepted(false);
        QApplication::sendEvent(&w.window, &refused);
        QVERIFY(!refused.isAccepted());
    }

    void exitAsksAndCancelKeepsTheProgram() {
        const struct {
            UserInterface::Answer answer;
            bool stillOpen;
        } cases[] = {
            {UserInterface::Answer::Cancel, true},
            {UserInterface::Answer::No, false},
            {UserInterface::Answer::Yes, false},
        };
        for (const auto& c : cases) {
            StartedWindow w;
            w.window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w.window));
            w.script.answers.push_back(c.answer);
            w.Get<QAction>("mnuFileExit")->trigger();
            QCOMPARE(w.script.boxes.back().text,
                     std::string("Do you want to save the configuration before exit?"));
            QCOMPARE(w.script.boxes.back().kind, test::RecordedBox::YesNoCancel);
            QCOMPARE(w.window.isVisible(), c.stillOpen);
        }
    }
};

QTEST_MAIN(TfrmMainTest)
#include "TfrmMainTest.moc"
