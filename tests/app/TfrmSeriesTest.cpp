// Communication > Program a series of units on the offscreen platform, on a
// simulated unit in zero time: the unit programmed with the form as it is
// (not as saved), listed and recorded; Stop while the series waits and while
// the unit is programmed, the plan's end, a record that stops taking rows;
// the window's configuration, title and file name untouched all along.

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <string>

#include "StartedWindow.h"
#include "TempDir.h"
#include "app/TfrmSeries.h"
#include "app/WindowHelpers.h"
#include "core/WindowTitle.h"
#include "device/sim/SimUnitFile.h"
#include "series/SeriesEngine.h"

using namespace qzt;
using test::StartedWindow;

namespace {

// Another unit connected: the simulated unit's memory with another serial
// number (and its checksum renewed).
void ConnectUnit(const std::string& path, unsigned serial) {
    ConfigImage memory = SimUnitFile::LoadOrCreate(path)->Memory();
    for (unsigned i = 0; i < kSerialNumberBytes.count; ++i) {
        memory[kSerialNumberBytes.first + i] =
            static_cast<std::uint8_t>(serial >> (8 * (kSerialNumberBytes.count - 1 - i)));
    }
    StoreChecksum(memory);
    test::WriteFile(path, std::string(memory.begin(), memory.end()));
}

}  // namespace

class TfrmSeriesTest : public QObject {
    Q_OBJECT

  private slots:
    void namesTheConfigurationAsTheTitleDoes() {
        const std::string file = "/ward/Ward 3.Qzt";
        struct Case {
            ConfigMode state;
            ConfigMode titled;  // what the window's title was last set for
            std::string name;
        };
        const Case cases[] = {
            {ConfigMode::File, ConfigMode::File, file},
            {ConfigMode::Saved, ConfigMode::Saved, file},
            {ConfigMode::Read, ConfigMode::Read, "(Read from QZT)"},
            // File > New keeps the last file's name in CurrentFileName.
            {ConfigMode::Default, ConfigMode::Default, "(Default)"},
            // Written to a unit: the title still names the source.
            {ConfigMode::Written, ConfigMode::File, file},
            {ConfigMode::Written, ConfigMode::Read, "(Read from QZT)"},
            {ConfigMode::Written, ConfigMode::Default, "(Default)"},
        };
        for (const Case& c : cases) {
            ProgramState state;
            state.ConfigState = c.state;
            state.CurrentFileName = file;
            QCOMPARE(SeriesConfigurationName(state, *WindowTitleFor(c.titled, file)), c.name);
        }
    }

    void programsUnitsUntilItEnds() {
        enum class End { StopWhileWaiting, StopWhileProgramming, PlanEnds, RecordFails };
        struct Case {
            const char* name;
            const char* delay;  // typed into the form before the series
            End end;
            unsigned firstCode;  // the unit's first radio code afterwards
        };
        // In this order: the plan's codes stay in the unit.
        const Case cases[] = {
            {"stopped while waiting for the unit's removal", "30", End::StopWhileWaiting, 0x3A41},
            {"stopped while the unit is programmed", "45", End::StopWhileProgramming, 0x3A41},
            {"the plan's one row used up", "50", End::PlanEnds, 0x3B01},
            {"the record refuses the unit's row", "55", End::RecordFails, 0x3B01},
        };

        test::TempDir dir;
        const std::string unitPath = dir / "unit.bin";
        StartedWindow w({}, {"--device=sim:" + unitPath, "--sim-timing=zero"});
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        // The configuration is a file; each case changes the form only.
        const std::string file = dir / "Ward 3.Qzt";
        w.script.paths.push_back(file);
        w.Get<QAction>("mnuFileSaveAs")->trigger();
        QCOMPARE(w.window.State().CurrentFileName, file);
        const QString title = w.window.windowTitle();
        const std::string plan =
            test::WriteFile(dir / "plan.csv",
                            "Label,Allow user,Pad on,Pad off,On pad,Out of pad,Technical\n"
                            "Bed 1,3b01,3B02,3B03,3B04,3B05,3B06\n");
        const std::string record =
            DefaultCommissioningRecord(w.window.State().ProgramDataDirectory);
        const std::string refusing = dir / "refusing.csv";

        std::size_t recorded = 0;
        unsigned serial = 123456;
        for (const Case& c : cases) {
            // Each case a unit of its own: the record keeps the series'
            // units done, and one done is not written again.
            ConnectUnit(unitPath, serial);
            const QString serialText = QString::number(serial++);
            QLineEdit* delay = w.Get<QLineEdit>("edtInPassageDelay");
            delay->clear();
            QTest::keyClicks(delay, c.delay);
            FormModel form;
            w.window.ReadForm(form);

            auto run = [&](TfrmSeries& series) {
                auto* table = series.findChild<QTableWidget*>("tblUnits");
                auto* start = series.findChild<QPushButton*>("btnStart");
                auto* stop = series.findChild<QPushButton*>("btnStop");
                auto* close = series.findChild<QPushButton*>("btnClose");
                auto* bar = series.findChild<QProgressBar*>("pbUnit");
                series.show();
                QCOMPARE(series.findChild<QLineEdit*>("edtConfiguration")->text(), Q(file));
                QCOMPARE(series.findChild<QLineEdit*>("edtRecord")->text(), Q(record));
                series.findChild<QLineEdit*>("edtPlan")->clear();
                if (c.end == End::PlanEnds) {
                    w.script.paths.push_back(plan);
                    QTest::mouseClick(series.findChild<QPushButton*>("btnBrowsePlan"),
                                      Qt::LeftButton);
                }
                if (c.end == End::RecordFails) {
                    series.findChild<QLineEdit*>("edtRecord")->setText(Q(refusing));
                }
                // A click on Stop that arrives while the unit's blocks go out.
                QString statusWhileStopping;
                QMetaObject::Connection midway;
                if (c.end == End::StopWhileProgramming) {
                    midway = connect(bar, &QProgressBar::valueChanged, &series, [&](int block) {
                        if (block == 3) {
                            QMetaObject::invokeMethod(stop, "click", Qt::QueuedConnection);
                        } else if (block == 10) {
                            statusWhileStopping = series.StatusLine();
                        }
                    });
                }
                QTest::mouseClick(start, Qt::LeftButton);
                QVERIFY(series.Running());
                QVERIFY(!start->isEnabled() && !close->isEnabled() && stop->isEnabled());
                if (c.end == End::RecordFails) {
                    // The record, written when the series started, is a
                    // folder before the first unit's row comes.
                    std::filesystem::remove(refusing);
                    std::filesystem::create_directory(refusing);
                }
                // Neither Escape nor the close box ends the dialog meanwhile.
                QTest::keyClick(&series, Qt::Key_Escape);
                series.close();
                QVERIFY(series.isVisible());

                if (c.end == End::StopWhileWaiting) {
                    QTRY_COMPARE(series.StatusLine(),
                                 QString("Take the unit away and connect the next one."));
                    QTest::mouseClick(stop, Qt::LeftButton);
                }
                QTRY_VERIFY(!series.Running());
                disconnect(midway);
                if (c.end == End::StopWhileProgramming) {
                    QCOMPARE(statusWhileStopping, QString("Stopping after this unit..."));
                }
                const QString summary("Done: 1, failed: 0, skipped: 0, not answering: 0.");
                QCOMPARE(series.StatusLine(),
                         c.end == End::PlanEnds ? "Every row of the plan has its unit.\n" + summary
                                                : summary);
                QVERIFY(start->isEnabled() && close->isEnabled() && !stop->isEnabled());
                QCOMPARE(table->rowCount(), 1);
                QCOMPARE(table->item(0, 0)->text(), QString(c.end == End::PlanEnds ? "Bed 1" : ""));
                QCOMPARE(table->item(0, 1)->text(), serialText);
                QCOMPARE(table->item(0, 2)->text(), QString("done"));
                QTest::mouseClick(close, Qt::LeftButton);
                QVERIFY(!series.isVisible());
            };
            int shown = 0;
            w.recording->onDialog = [&](QDialog& dialog) {
                if (auto* series = qobject_cast<TfrmSeries*>(&dialog)) {
                    ++shown;
                    run(*series);
                }
                return int(QDialog::Rejected);
            };
            w.Get<QAction>("mnuComSeries")->trigger();
            w.recording->onDialog = nullptr;
            QCOMPARE(shown, 1);
            if (QTest::currentTestFailed()) {
                qWarning("case: %s", c.name);
                return;
            }

            // The unit holds the form as typed; with the plan, its codes.
            const ConfigImage memory = SimUnitFile::LoadOrCreate(unitPath)->Memory();
            QCOMPARE(int(memory[49]), std::stoi(c.delay));
            QCOMPARE(memory[2] << 8 | memory[3], int(c.firstCode));
            QVERIFY(ChecksumMatches(memory));
            // The window is as it was.
            FormModel after;
            w.window.ReadForm(after);
            QVERIFY2(after == form, c.name);
            QCOMPARE(w.window.windowTitle(), title);
            QCOMPARE(w.window.State().CurrentFileName, file);
            QCOMPARE(w.window.State().ConfigState, ConfigMode::Saved);
            QVERIFY(w.Get<QAction>("mnuComSeries")->isEnabled());

            if (c.end == End::RecordFails) {
                // Told after the series has ended, not taken for recorded.
                QCOMPARE(w.script.boxes.size(), std::size_t(1));
                QCOMPARE(w.script.boxes[0].text,
                         "The commissioning record " + refusing + " cannot be written.");
                continue;
            }
            QVERIFY(w.script.boxes.empty());
            // One more row in the record, naming the file.
            const std::string rows = test::ReadFile(record);
            QCOMPARE(static_cast<std::size_t>(std::count(rows.begin(), rows.end(), '\n')),
                     1 + ++recorded);
            const std::string last = rows.substr(rows.rfind('\n', rows.size() - 2) + 1);
            for (const std::string& part : {serialText.toStdString(), file, std::string("done")}) {
                QVERIFY2(last.find(part) != std::string::npos, last.c_str());
            }
        }
    }

    // Stop, then Start again: the series goes on from its record. The beds
    // it holds and the bed given again (Redo row, naming its unit) are
    // confirmed first; the unit done is left alone, the next units get the
    // bed given again and the last free one.
    void startedAgainGoesOnFromTheRecord() {
        test::TempDir dir;
        const std::string unitPath = dir / "unit.bin";
        StartedWindow w({}, {"--device=sim:" + unitPath, "--sim-timing=zero"});
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        ConnectUnit(unitPath, 500001);
        const std::string plan =
            test::WriteFile(dir / "plan.csv",
                            "Label,Allow user,Pad on,Pad off,On pad,Out of pad,Technical\n"
                            "Bed 1,1101,1102,1103,1104,1105,1106\n"
                            "Bed 2,1201,1202,1203,1204,1205,1206\n");
        auto run = [&](TfrmSeries& series) {
            auto* table = series.findChild<QTableWidget*>("tblUnits");
            auto* start = series.findChild<QPushButton*>("btnStart");
            auto cell = [table](int row, int column) {
                return table->item(row, column) ? table->item(row, column)->text() : QString();
            };
            series.show();
            series.findChild<QLineEdit*>("edtPlan")->setText(Q(plan));
            QTest::mouseClick(start, Qt::LeftButton);
            QTRY_COMPARE(series.StatusLine(),
                         QString("Take the unit away and connect the next one."));
            QTest::mouseClick(series.findChild<QPushButton*>("btnStop"), Qt::LeftButton);
            QVERIFY(!series.Running());
            QVERIFY(w.script.boxes.empty());

            series.findChild<QLineEdit*>("edtRedo")->setText("Bed 1");
            w.script.answers.push_back(UserInterface::Answer::Yes);
            QTest::mouseClick(start, Qt::LeftButton);
            QCOMPARE(w.script.boxes.size(), std::size_t(1));
            const std::string& asked = w.script.boxes[0].text;
            QVERIFY2(asked.find("already holds 1 of the plan's 2 rows") != std::string::npos &&
                         asked.find("Row \"Bed 1\" was given to unit 500001") != std::string::npos,
                     asked.c_str());
            QTRY_COMPARE(cell(0, 2), QString("skipped: already programmed in this series"));
            ConnectUnit(unitPath, 500002);
            QTRY_COMPARE(cell(1, 1), QString("500002"));
            ConnectUnit(unitPath, 500003);
            QTRY_VERIFY(!series.Running());
            QCOMPARE(cell(1, 0), QString("Bed 1"));
            QCOMPARE(cell(2, 0), QString("Bed 2"));
            QCOMPARE(series.StatusLine(),
                     QString("Every row of the plan has its unit.\n"
                             "Done: 2, failed: 0, skipped: 1, not answering: 0."));
            // Once more: every bed is on record, nothing is left to do.
            w.script.answers.push_back(UserInterface::Answer::Yes);
            QTest::mouseClick(start, Qt::LeftButton);
            QVERIFY(!series.Running());
            QVERIFY(series.StatusLine().startsWith("Every row of the plan has its unit."));
            QTest::mouseClick(series.findChild<QPushButton*>("btnClose"), Qt::LeftButton);
        };
        w.recording->onDialog = [&](QDialog& dialog) {
            if (auto* series = qobject_cast<TfrmSeries*>(&dialog)) {
                run(*series);
            }
            return int(QDialog::Rejected);
        };
        w.Get<QAction>("mnuComSeries")->trigger();
        w.recording->onDialog = nullptr;
        const ConfigImage memory = SimUnitFile::LoadOrCreate(unitPath)->Memory();
        QCOMPARE(memory[2] << 8 | memory[3], 0x1201);
        QVERIFY(ChecksumMatches(memory));
    }
};

QTEST_MAIN(TfrmSeriesTest)
#include "TfrmSeriesTest.moc"
