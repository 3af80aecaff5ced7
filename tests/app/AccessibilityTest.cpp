#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include "StartedWindow.h"
#include "TempDir.h"
#include "app/TfrmAbout.h"
#include "app/TfrmSelectDirectory.h"
#include "app/TfrmWriteRadioCodes.h"
#include "config/FormModel.h"

using namespace qzt;
using test::StartedWindow;

namespace {

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

// The controls of a window a user works with, as shown.
QList<QWidget*> VisibleControls(QWidget& window) {
    QList<QWidget*> controls;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(widget) != nullptr ||
                             qobject_cast<QLineEdit*>(widget) != nullptr ||
                             qobject_cast<QComboBox*>(widget) != nullptr ||
                             qobject_cast<QPlainTextEdit*>(widget) != nullptr;
        if (control && widget->isVisible() && widget->window() == &window) {
            controls << widget;
        }
    }
    return controls;
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

  private slots:
    void everyControlIsNamedByItsCaption() {
        test::TempDir unit;  // the about box asks a simulated box
        StartedWindow w({}, {"--device=sim:" + (unit / "unit.bin"), "--sim-timing=zero"});
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QList<QDialog*> dialogs = {w.window.findChild<TfrmWriteRadioCodes*>(),
                                   w.window.findChild<TfrmSelectDirectory*>(),
                                   w.window.findChild<TfrmAbout*>()};
        QList<QWidget*> windows = {&w.window};
        for (QDialog* dialog : dialogs) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            windows << dialog;
        }
        int named = 0;
        for (QWidget* window : windows) {
            for (QWidget* control : VisibleControls(*window)) {
                QVERIFY2(!AccessibleName(control).isEmpty(), qPrintable(control->objectName()));
                ++named;
            }
        }
        QVERIFY(named > 40);

        const struct {
            QWidget* window;
            const char* control;
            const char* name;
        } spots[] = {
            {&w.window, "cbAllowUserSendAlarm", "Allow user out of pad (bed/chair) Send Alarm"},
            {&w.window, "edtDoorClosedRadioCode", "Pad connection (on) Radio Code"},
            {&w.window, "cbbxInputOpenedAlarmType", "Out of pad (bed/chair) Alarm Type"},
            {&w.window, "edtInPassageDelay", "On pad delay (s)"},
            {&w.window, "edtTechnicalRadioCode", "Radio Code"},
            {&w.window, "edtActivationHour", "Activation time (hh)"},
            {&w.window, "edtInactivationMinute", "Inactinavtion time (mm)"},
            {&w.window, "cbbxDaylightSavingTimeRegion", "Daylight saving time region"},
            {&w.window, "edtProductionDate", "Production date"},
            {dialogs[0], "edtRadio1New", "Pad connection (on) New radio codes"},
            {dialogs[0], "edtRadio5Old", "Technical alarms Old radio codes"},
            {dialogs[0], "btnWriteToDevice", "Write to device"},
            {dialogs[1], "edtActiveConfigDirectory", "Default Folder"},
        };
        for (const auto& s : spots) {
            QWidget* control = s.window->findChild<QWidget*>(s.control);
            QVERIFY2(control != nullptr, s.control);
            // Qt on Linux names a drop-down by its entry and leaves the
            // caption to the name given to it and to its label.
            QCOMPARE(qobject_cast<QComboBox*>(control) != nullptr ? control->accessibleName()
                                                                  : AccessibleName(control),
                     QString(s.name));
        }
        // Captions that label their control for a screen reader.
        const struct {
            const char* control;
            const char* label;
        } labelled[] = {
            {"cbbxDaylightSavingTimeRegion", "Daylight saving time region"},
            {"edtActivationHour", "Activation time"},
            {"edtInPassageDelay", "On pad delay (s)"},
            {"cbAllowUserSendAlarm", "Allow user out of pad (bed/chair)"},
        };
        for (const auto& l : labelled) {
            QStringList labels;
            QAccessibleInterface* control =
                QAccessible::queryAccessibleInterface(w.Get<QWidget>(l.control));
            for (const auto& relation : control->relations(QAccessible::Label)) {
                labels << relation.first->text(QAccessible::Name);
            }
            QVERIFY2(labels.contains(l.label), l.control);
        }
        for (QDialog* dialog : dialogs) {
            dialog->hide();
        }
    }

    void tabFollowsTheForm() {
        StartedWindow w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        // The form's keyboard order, as far as its controls take the focus.
        QStringList expected;
        for (const FormControl& control : kFormControls) {
            auto* widget = w.window.findChild<QWidget*>(
                QString::fromUtf8(control.name.data(), control.name.size()));
            if (widget->isVisible() && widget->isEnabled() &&
                (widget->focusPolicy() & Qt::TabFocus) != 0) {
                expected << widget->objectName();
            }
        }
        QVERIFY(expected.size() > 15);
        w.Get<QWidget>(qPrintable(expected.front()))->setFocus(Qt::TabFocusReason);
        QStringList visited;
        for (qsizetype step = 0; step < expected.size(); ++step) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, expected);
        QCOMPARE(QApplication::focusWidget()->objectName(), expected.front());  // round again
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
