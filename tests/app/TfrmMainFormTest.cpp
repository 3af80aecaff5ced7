// The main window's form: decoding into the widgets, encoding from them, and
// what the user meets while typing.

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include "StartedWindow.h"
#include "TestLocale.h"
#include "config/DefaultImage.h"
#include "config/ImageFields.h"
#include "core/FormCodec.h"

using namespace qzt;
using test::StartedWindow;

namespace {

// Errors shown since the script was last cleared.
QStringList Errors(const test::ScriptedUserInterface& script) {
    QStringList texts;
    for (const test::RecordedBox& box : script.boxes) {
        if (box.kind == test::RecordedBox::Error) {
            texts << QString::fromStdString(box.text);
        }
    }
    return texts;
}

// What Decode and Encode return when every field is valid.
constexpr int kNoFailure = -1;

int Decode(StartedWindow& w, ConfigImage& image, ConfigMode mode = ConfigMode::File) {
    const auto fault = DecodeIntoForm(w.window.State(), w.window.Ui(), image, mode);
    return fault ? fault->index : kNoFailure;
}

int Encode(StartedWindow& w, ConfigImage& image, ConfigMode mode, std::string* fieldName = nullptr,
           std::string* valueText = nullptr) {
    const auto fault = EncodeFromForm(w.window.State(), w.window.Ui(), image, mode);
    if (fieldName != nullptr) {
        *fieldName = fault ? fault->fieldName : "";
    }
    if (valueText != nullptr) {
        *valueText = fault ? fault->valueText : "";
    }
    return fault ? fault->index : kNoFailure;
}

}  // namespace

class TfrmMainFormTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void typingWarnsOnlyBeyondTheLimit() {
        StartedWindow w;
        QLineEdit* delay = w.Get<QLineEdit>("edtInPassageDelay");
        delay->clear();
        QTest::keyClick(delay, Qt::Key_2);
        QTest::keyClick(delay, Qt::Key_4);
        QVERIFY(Errors(w.script).isEmpty());
        QTest::keyClick(delay, Qt::Key_1);
        QCOMPARE(delay->text(), QString("241"));
        QCOMPARE(Errors(w.script), QStringList{"On pad delay must be 7 to 240."});
        delay->selectAll();
        QTest::keyClick(delay, Qt::Key_Backspace);
        QCOMPARE(delay->text(), QString());
        QTest::keyClick(delay, Qt::Key_3);  // below 7 waits for encoding
        QCOMPARE(Errors(w.script).size(), 1);

        QLineEdit* hour = w.Get<QLineEdit>("edtActivationHour");
        hour->setEnabled(true);
        hour->clear();
        QTest::keyClicks(hour, "24");
        QCOMPARE(Errors(w.script).last(), QString("Entered value must be 0...23"));
        hour->clear();  // an empty hour counts as 0
        QCOMPARE(Errors(w.script).size(), 2);
    }

    void keyFiltersDropWhatCannotBelong() {
        StartedWindow w;
        const struct {
            const char* edit;
            const char* typed;
            const char* expected;
        } cases[] = {
            {"edtInPassageDelay", "a-1b+2 ", "12"},
            {"edtAutoResetTime", "3.6,0e0", "3600"},
            {"edtNumberOfShortTransmissions", "x9y9", "99"},
            {"edtInactivityTimeLimit", "1.5", "1.5"},  // the English decimal point
            {"edtInactivityTimeLimit", "1,5", "15"},
        };
        for (const auto& c : cases) {
            QLineEdit* edit = w.Get<QLineEdit>(c.edit);
            edit->clear();
            QTest::keyClicks(edit, c.typed);
            QCOMPARE(edit->text(), QString(c.expected));
        }

        // A German locale separates decimals with a comma.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QLineEdit* limit = w.Get<QLineEdit>("edtInactivityTimeLimit");
        limit->clear();
        QTest::keyClicks(limit, "1.,5");
        QCOMPARE(limit->text(), QString("1,5"));
        QCOMPARE(Errors(w.script).last(), QString("Entered value must be 1...256"));
    }

    void editingKeysWorkAndCtrlAOrZDoNot() {
        StartedWindow w;
        QLineEdit* edit = w.Get<QLineEdit>("edtOutPassageDelay");
        edit->clear();
        QTest::keyClicks(edit, "12");
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);  // would select all
        QTest::keyClick(edit, Qt::Key_3);
        QCOMPARE(edit->text(), QString("123"));
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);  // would undo
        QCOMPARE(edit->text(), QString("123"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QString("12"));
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(edit->text(), QString("2"));
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, "456");  // the third character fits, the fourth not
        QCOMPARE(edit->text(), QString("245"));
        edit->setSelection(1, 1);  // typing over a selection replaces it
        QTest::keyClick(edit, Qt::Key_7);
        QCOMPARE(edit->text(), QString("275"));
        edit->setText("24");
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("24"));
        QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(edit->text(), QString());
    }

    // Pasting is not filtered, only cut to the room the field has.
    void pastingIsLimitedNotFiltered() {
        StartedWindow w;
        QLineEdit* time = w.Get<QLineEdit>("edtAutoResetTime");
        time->clear();
        QGuiApplication::clipboard()->setText("98765\n4");
        QTest::keyClick(time, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(time->text(), QString("9876"));
        time->setSelection(1, 2);
        QGuiApplication::clipboard()->setText("12345");
        QTest::keyClick(time, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(time->text(), QString("9126"));

        QLineEdit* transmissions = w.Get<QLineEdit>("edtNumberOfShortTransmissions");
        transmissions->clear();
        w.script.boxes.clear();
        QGuiApplication::clipboard()->setText("abc");
        QTest::keyClick(transmissions, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(transmissions->text(), QString("abc"));
        QVERIFY(Errors(w.script).isEmpty());  // counts as 0 until encoding

        // The edit menu's Paste is cut the same way.
        transmissions->setText("1");
        transmissions->setCursorPosition(1);
        QGuiApplication::clipboard()->setText("2345");
        bool pasted = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            for (QAction* action : menu->actions()) {
                if (action->text().startsWith("&Paste")) {
                    action->trigger();
                    pasted = true;
                }
            }
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(2, 2),
                                transmissions->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(transmissions, &event);
        QVERIFY(pasted);
        QCOMPARE(transmissions->text(), QString("123"));
    }

    // A decoded value beyond a field's limit is shown whole and silently;
    // decoding reports it, and encoding refuses it until it is corrected.
    void decodedValuesAreShownWholeWithoutWarnings() {
        StartedWindow w;
        ConfigImage image = BuildDefaultImage();
        image[49] = 250;
        image[50] = 0xFF;
        image[51] = 0xFF;
        image[38] = 0;
        QCOMPARE(Decode(w, image), 50);
        QVERIFY(!w.window.State().DecodingInProgress);
        QVERIFY(w.script.boxes.empty());
        QCOMPARE(w.Get<QLineEdit>("edtInPassageDelay")->text(), QString("250"));
        QCOMPARE(w.Get<QLineEdit>("edtAutoResetTime")->text(), QString("65535"));
        QCOMPARE(w.Get<QLineEdit>("edtInactivityTimeLimit")->text(), QString("256"));

        std::string fieldName, valueText;
        QCOMPARE(Encode(w, image, ConfigMode::Saved, &fieldName, &valueText), 50);
        QCOMPARE(fieldName, std::string("Time allowed out of pad (s)"));
        QCOMPARE(valueText, std::string("65535"));
        w.Get<QLineEdit>("edtAutoResetTime")->setText("600");
        w.Get<QLineEdit>("edtInPassageDelay")->setText("30");
        QCOMPARE(Encode(w, image, ConfigMode::Saved), kNoFailure);
        QCOMPARE(int(image[49]), 30);
        QCOMPARE(int(Get16(image, 50)), 600);
        QCOMPARE(int(image[38]), 0);
    }

    // What the window shows encodes back to the same image.
    void windowRoundTrip() {
        StartedWindow w;
        ConfigImage image = BuildDefaultImage();
        image[2] = 0x1A;
        image[3] = 0x2B;
        image[91] = 1;
        image[52] = 1;
        image[82] = 0;
        image[0] = 0x5A;  // carried, never shown
        image[200] = 0xC3;
        const ConfigImage original = image;
        QCOMPARE(Decode(w, image, ConfigMode::Read), kNoFailure);
        QCOMPARE(w.Get<QLineEdit>("edtAllowUserRadioCode")->text(), QString("1A2B"));
        QVERIFY(w.Get<QCheckBox>("cbIgnoreReceivedAcknowledge")->isChecked());
        QCOMPARE(Encode(w, image, ConfigMode::Saved), kNoFailure);
        QVERIFY(image == original);

        w.Get<QCheckBox>("cbAllowUserSendAlarm")->setChecked(true);
        w.Get<QComboBox>("cbbxDoorMatSensorType")->setCurrentIndex(1);
        QCOMPARE(Encode(w, image, ConfigMode::Saved), kNoFailure);
        QCOMPARE(int(image[17]), 1);
        QCOMPARE(int(image[53]), 1);
    }

    void couplingsFollowTheCheckBoxes() {
        StartedWindow w;
        const char* scheduled[] = {"edtActivationHour", "edtActivationMinute",
                                   "edtInactivationHour", "edtInactivationMinute",
                                   "cbbxDaylightSavingTimeRegion"};
        ConfigImage image = BuildDefaultImage();
        image[91] = 1;
        image[52] = 1;
        Decode(w, image);
        for (const char* name : scheduled) {
            QVERIFY2(w.Get<QWidget>(name)->isEnabled(), name);
        }
        QVERIFY(w.Get<QComboBox>("cbbxDoorMatSensorType")->isEnabled());
        QVERIFY(w.Get<QLineEdit>("edtMaxTimeOutsideDoor")->isEnabled());

        w.Get<QCheckBox>("cbEnableTimeSchedule")->click();
        for (const char* name : scheduled) {
            QVERIFY2(!w.Get<QWidget>(name)->isEnabled(), name);
        }
        image[52] = 0;
        Decode(w, image);
        QVERIFY(!w.Get<QComboBox>("cbbxDoorMatSensorType")->isEnabled());
        QVERIFY(!w.Get<QLineEdit>("edtMaxTimeOutsideDoor")->isEnabled());
        QVERIFY(!w.Get<QCheckBox>("cbEnablePeekFunction")->isEnabled());  // never the user's
    }

    void productionDateUsesTheShortFormatAndWidens() {
        StartedWindow w;
        QLineEdit* serial = w.Get<QLineEdit>("edtSerialNumber");
        QLineEdit* date = w.Get<QLineEdit>("edtProductionDate");
        ConfigImage image = BuildDefaultImage();
        image[240] = 0x20;
        image[241] = 0x24;
        image[242] = 0x02;
        image[243] = 0x29;

        Decode(w, image);  // the window's own locale: English (United States)
        QCOMPARE(date->text(), QLocale().toString(QDate(2024, 2, 29), QLocale::ShortFormat));
        QCOMPARE(date->minimumWidth(), serial->minimumWidth());

        test::TestLocale longDates;
        w.recording->locale = &longDates;
        Decode(w, image);
        QCOMPARE(date->text(), QString("29 Feb 2024"));
        QCOMPARE(date->minimumWidth(), 2 * serial->minimumWidth());

        image[243] = 0x30;
        Decode(w, image);
        QCOMPARE(date->text(), QString("---"));
        QCOMPARE(date->minimumWidth(), serial->minimumWidth());
    }

    void unitClockIsShownAfterAReadWithTheScheduleOn() {
        StartedWindow w;
        ConfigImage image = BuildDefaultImage();
        image[91] = 1;
        image[231] = 25;
        image[232] = 0;
        image[233] = 59;  // 1 March 2025
        image[234] = 6;
        image[235] = 5;
        Decode(w, image, ConfigMode::Read);
        QCOMPARE(w.Get<QLineEdit>("edtDate")->text(),
                 QLocale().toString(QDate(2025, 3, 1), QLocale::ShortFormat));
        QCOMPARE(w.Get<QLineEdit>("edtTime")->text(), QString("06:05"));
        Decode(w, image, ConfigMode::File);
        QCOMPARE(w.Get<QLineEdit>("edtDate")->text(), QString("---"));
    }

    void viewSettingsShowsTheRuleWithLocaleNames() {
        StartedWindow w;
        QComboBox* region = w.Get<QComboBox>("cbbxDaylightSavingTimeRegion");
        QAction* view = w.Get<QAction>("pumnuView");
        region->setCurrentIndex(1);  // Central Europe: 5,1,3,2,0,5,1,10,3,0,60
        view->trigger();
        QCOMPARE(w.script.boxes.size(), size_t(1));
        QCOMPARE(w.script.boxes[0].kind, test::RecordedBox::Information);
        QCOMPARE(w.script.boxes[0].text,
                 std::string("Daylight Saving time:\n"
                             "Start Date/Time: Last Sunday of March at 02:00:00\n"
                             "Stop Date/Time: Last Sunday of October at 03:00:00\n"
                             "Daylight Bias: 60 minutes."));

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        view->trigger();
        QCOMPARE(w.script.boxes.back().text.substr(0, 60),
                 std::string("Daylight Saving time:\nStart Date/Time: Last Sonntag of März"));

        region->setCurrentIndex(0);
        view->trigger();
        QCOMPARE(w.script.boxes.back().text,
                 std::string("No daylight saving time in selected region"));
        region->setCurrentIndex(-1);
        view->trigger();
        QCOMPARE(w.script.boxes.size(), size_t(3));
    }

    // Written to the unit at 23:59:58 on New Year's Eve, the unit's clock
    // and tables start with the new year.
    void writeModeStampsThePinnedClock() {
        StartedWindow w;
        ConfigImage image = BuildDefaultImage();
        Decode(w, image);
        QCOMPARE(Encode(w, image, ConfigMode::Written), kNoFailure);
        const std::uint8_t clock[] = {26, 0, 0, 0, 0, 1, 1};
        for (std::size_t i = 0; i < 7; ++i) {
            QCOMPARE(int(image[231 + i]), int(clock[i]));
        }
        QCOMPARE(int(image[111]), 26);
        QCOMPARE(int(Get16(image, 112)), 87);
    }
};

QTEST_MAIN(TfrmMainFormTest)
#include "TfrmMainFormTest.moc"
