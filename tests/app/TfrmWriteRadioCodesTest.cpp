#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "StartedWindow.h"
#include "app/TfrmWriteRadioCodes.h"
#include "app/WindowHelpers.h"

using namespace qzt;
using test::StartedWindow;

namespace {

const UserInterface::RadioCodes kUnitCodes = {"3A41", "3A42", "3A43", "3A44", "3A45", "3A4F"};
const std::string kReserved = "Entered value cannot be '0000' or 'FFFF'.";
const std::string kIncomplete =
    "One or more radio code fields does not contain a 4 digit code!\nPlease enter a value in "
    "each radio code field.";

QLineEdit* NewField(TfrmWriteRadioCodes& dialog, int row) {
    return dialog.findChild<QLineEdit*>(QString("edtRadio%1New").arg(row));
}
QLineEdit* OldField(TfrmWriteRadioCodes& dialog, int row) {
    return dialog.findChild<QLineEdit*>(QString("edtRadio%1Old").arg(row));
}

}  // namespace

class TfrmWriteRadioCodesTest : public QObject {
    Q_OBJECT

  private slots:
    void captionsFieldsAndLayout() {
        StartedWindow w;
        TfrmWriteRadioCodes& d = *w.window.RadioCodesDialog();
        QCOMPARE(d.windowTitle(), QString("Change Radio Codes in Device"));
        QCOMPARE(d.findChild<QLabel*>("lblRadioCodeTechnicalAlarms")->text(),
                 QString("Technical alarms"));
        QCOMPARE(d.findChild<QLabel*>("lblNewRadioCode")->text(), QString("New radio codes"));
        QCOMPARE(d.findChild<QPushButton*>("btnWriteToDevice")->text(),
                 QString("&Write to device"));
        QCOMPARE(d.findChild<QPushButton*>("btnAbort")->text(), QString("&Abort"));
        // Every row has its caption, and no caption is cut.
        const QList<QLabel*> labels = d.findChildren<QLabel*>();
        QCOMPARE(labels.size(), 8);
        for (QLabel* label : labels) {
            QVERIFY2(!label->text().isEmpty(), qPrintable(label->objectName()));
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
        }
        QCOMPARE(d.minimumSize(), d.maximumSize());

        d.SetCodes(kUnitCodes);
        for (int row = 0; row < 6; ++row) {
            QVERIFY(!OldField(d, row)->isEnabled());
            QCOMPARE(OldField(d, row)->text().toStdString(), kUnitCodes[row]);
            QCOMPARE(NewField(d, row)->text().toStdString(), kUnitCodes[row]);
        }
        // Keyboard order: the new fields top to bottom, then the old ones
        // (skipped while disabled), then the buttons.
        QWidget* widget = NewField(d, 0);
        for (int row = 1; row < 6; ++row) {
            widget = widget->nextInFocusChain();
            QCOMPARE(widget, static_cast<QWidget*>(NewField(d, row)));
        }
        QCOMPARE(widget->nextInFocusChain(), static_cast<QWidget*>(OldField(d, 0)));
        QCOMPARE(OldField(d, 5)->nextInFocusChain(),
                 static_cast<QWidget*>(d.findChild<QPushButton*>("btnAbort")));

        // Shown centred over the main window, frame on frame.
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        d.show();
        QCOMPARE(d.pos(), CentredIn(w.window.frameGeometry(), d.frameGeometry().size()));
        d.hide();
    }

    void onlyHexadecimalKeysAreTyped() {
        StartedWindow w;
        TfrmWriteRadioCodes& d = *w.window.RadioCodesDialog();
        d.SetCodes({});
        const struct {
            const char* typed;
            const char* text;
        } cases[] = {
            {"1g2-Z a", "12a"},  // letters beyond F, signs and blanks dropped
            {"abcdef", "abcd"},  // at most four characters
            {"C0De", "C0De"},
        };
        for (const auto& c : cases) {
            QLineEdit* field = NewField(d, 2);
            field->clear();
            QTest::keyClicks(field, c.typed);
            QCOMPARE(field->text(), QString(c.text));
        }
        QTest::keyClick(NewField(d, 2), Qt::Key_Backspace);
        QCOMPARE(NewField(d, 2)->text(), QString("C0D"));
        QTest::keyClick(NewField(d, 2), Qt::Key_A, Qt::ControlModifier);  // select all: dropped
        QTest::keyClicks(NewField(d, 2), "9");
        QCOMPARE(NewField(d, 2)->text(), QString("C0D9"));
        QVERIFY(w.script.boxes.empty());
    }

    void reservedCodesWarnButStay() {
        StartedWindow w;
        TfrmWriteRadioCodes& d = *w.window.RadioCodesDialog();
        d.SetCodes({});
        const struct {
            const char* typed;
            std::size_t warnings;
        } cases[] = {{"ffff", 1}, {"FFFF", 1}, {"0000", 1}, {"FFF", 0}, {"0001", 0}, {"fFfF", 1}};
        for (const auto& c : cases) {
            w.script.boxes.clear();
            QLineEdit* field = NewField(d, 4);
            field->clear();
            QTest::keyClicks(field, c.typed);
            QCOMPARE(w.script.boxes.size(), c.warnings);
            if (c.warnings > 0) {
                QCOMPARE(w.script.boxes[0].text, kReserved);
                QCOMPARE(w.script.boxes[0].kind, test::RecordedBox::Error);
            }
            QCOMPARE(field->text(), QString(c.typed));
        }
    }

    void writeWantsEveryCodeWholeAndChecksTheTechnicalOneLast() {
        StartedWindow w;
        TfrmWriteRadioCodes& d = *w.window.RadioCodesDialog();
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        const struct {
            UserInterface::RadioCodes codes;
            int focused;  // -1: accepted
        } cases[] = {
            {{"", "", "", "", "", ""}, 1},  // a unit without codes: all must be typed
            {{"", "1111", "2222", "3333", "4444", "5555"}, 0},
            {{"", "1111", "2222", "333", "4444", "5555"}, 3},
            {{"0000", "1111", "2222", "3333", "4444", "GHIJ"}, 5},  // pasted, not hexadecimal
            {{"0000", "ffff", "2222", "3333", "4444", "5555"}, -1},
        };
        for (const auto& c : cases) {
            d.SetCodes(c.codes);
            d.setResult(QDialog::Rejected);
            w.script.boxes.clear();
            QTest::mouseClick(d.findChild<QPushButton*>("btnWriteToDevice"), Qt::LeftButton);
            if (c.focused < 0) {
                QCOMPARE(d.result(), int(QDialog::Accepted));
                QVERIFY(w.script.boxes.empty());
                QCOMPARE(d.NewCodes(), c.codes);
                d.show();
            } else {
                QCOMPARE(d.result(), int(QDialog::Rejected));
                QVERIFY(d.isVisible());
                QCOMPARE(w.script.boxes.size(), std::size_t(1));
                QCOMPARE(w.script.boxes[0].text, kIncomplete);
                QCOMPARE(d.focusWidget(), static_cast<QWidget*>(NewField(d, c.focused)));
            }
        }
        QTest::mouseClick(d.findChild<QPushButton*>("btnAbort"), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(!d.isVisible());
    }
};

QTEST_MAIN(TfrmWriteRadioCodesTest)
#include "TfrmWriteRadioCodesTest.moc"
