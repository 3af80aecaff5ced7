// What a user who works by keyboard or with a screen reader meets in every
// window: each control has a name of its own (a drop-down is named by its
// caption, not by the value it shows), and Escape and Enter do in every
// dialog what they do in a careful desktop program.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QtTest>

#include "StartedWindow.h"
#include "app/TfrmConnection.h"
#include "app/TfrmWriteRadioCodes.h"

using namespace qzt;
using test::StartedWindow;

namespace {

// The names a screen reader would announce that are missing or only the
// control's current value.
QStringList Unnamed(QWidget& window) {
    QStringList unnamed;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<QAbstractButton*>(w) ||
                             qobject_cast<QAbstractItemView*>(w) ||
                             qobject_cast<QProgressBar*>(w) ||
                             (qobject_cast<QLabel*>(w) && w->objectName().startsWith("lbl") &&
                              w->objectName().endsWith("Status"));
        // A table's header and corner button are parts of the table; a
        // progress bar counts while it is hidden too.
        const bool part = w->parentWidget() && qobject_cast<QAbstractItemView*>(w->parentWidget());
        if (!control || part || w->window() != &window ||
            (!w->isVisibleTo(&window) && !qobject_cast<QProgressBar*>(w))) {
            continue;
        }
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        const QString name = a ? a->text(QAccessible::Name) : QString();
        auto* combo = qobject_cast<QComboBox*>(w);
        if (name.trimmed().isEmpty() || (combo && name == combo->currentText())) {
            unnamed << window.objectName() + "/" + w->objectName() + " (" +
                           w->metaObject()->className() + ")";
        }
    }
    return unnamed;
}

}  // namespace

class WindowAccessTest : public QObject {
    Q_OBJECT

  private slots:
    void everyControlHasAName() {
        StartedWindow w;
        w.window.ConnectionDialog();
        w.window.SeriesDialog();
        QStringList unnamed = Unnamed(w.window);
        for (QDialog* dialog : w.window.findChildren<QDialog*>()) {
            unnamed << Unnamed(*dialog);
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join("\n")));
    }

    // Escape closes every dialog as Cancel would; Enter, from the field the
    // dialog opens on, does what its default button does. The series dialog
    // has none: a series starts only by its button.
    void escapeAndEnterInEveryDialog() {
        StartedWindow w;
        w.window.RadioCodesDialog()->SetCodes({"3A41", "3A42", "3A43", "3A44", "3A45", "3A4F"});
        const struct {
            const char* dialog;
            const char* focus;  // nullptr: the dialog itself
            bool enterCloses;
        } cases[] = {
            {"frmAbout", "btnOK", true},
            {"frmSelectDirectory", "edtActiveConfigDirectory", true},
            {"frmWriteRadioCodes", "edtRadio2New", true},
            {"frmConnection", "lvDevices", true},
            {"frmSeries", "edtPlan", false},
        };
        // The connection list as the menu opens it: "Automatic" chosen.
        w.window.ConnectionDialog()->Prepare();
        w.window.SeriesDialog();
        for (const auto& c : cases) {
            auto* dialog = w.window.findChild<QDialog*>(c.dialog);
            QVERIFY2(dialog != nullptr, c.dialog);
            QWidget* focus = c.focus ? dialog->findChild<QWidget*>(c.focus) : dialog;
            QVERIFY2(focus != nullptr, c.focus);
            for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
                dialog->setResult(-1);
                dialog->show();
                QTest::keyClick(focus, key);
                const bool escape = key == Qt::Key_Escape;
                const int expected =
                    escape ? QDialog::Rejected : (c.enterCloses ? QDialog::Accepted : -1);
                QVERIFY2(dialog->result() == expected, qPrintable(QString("%1 key %2 result %3")
                                                                      .arg(c.dialog)
                                                                      .arg(key, 0, 16)
                                                                      .arg(dialog->result())));
                QCOMPARE(dialog->isVisible(), expected == -1);
                dialog->hide();
            }
        }
        // Nothing of the radio codes was typed into the field.
        QCOMPARE(w.window.findChild<QLineEdit*>("edtRadio2New")->text(), QString("3A43"));
    }
};

QTEST_MAIN(WindowAccessTest)
#include "WindowAccessTest.moc"
