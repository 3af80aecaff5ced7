// Communication > Connection on the offscreen platform: the list over a fake
// sysfs tree whose port is a pseudo-terminal with the simulated box behind
// it (usable, held by another program, closed to us, no serial port, none),
// the Test button, and the choice stored as Setup/Device and used at once and
// at the next start.
//
// The port tree and the pseudo-terminal box are Linux's (sysfs, ptys, a
// holder process with flock): on Windows the first two tests are skipped.
// What the dialog lists there (the D2XX driver's boxes, COM ports) comes
// from FindRouteDevices, whose reasons the device tests check over the fake
// ftd2xx.dll.

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <optional>

#ifndef _WIN32
#include <unistd.h>

#include "FakeKvdPorts.h"
#include "PtyKvdServer.h"
#endif
#include "SimLink.h"
#include "StartedWindow.h"
#include "app/TfrmAbout.h"
#include "app/TfrmConnection.h"
#include "app/WindowHelpers.h"
#include "core/VersionInfo.h"
#include "device/DeviceDiscovery.h"
#include "device/link/KvdProtocol.h"
#include "text/Text.h"

using namespace qzt;
using test::StartedWindow;

namespace {

const std::string kBox(kvd::kDescription);

struct Row {
    QString device;
    QString place;
    QString state;
};

std::vector<Row> Rows(TfrmConnection& dialog) {
    auto* list = dialog.findChild<QTreeWidget*>("lvDevices");
    std::vector<Row> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        rows.push_back({item->data(0, Qt::UserRole).toString(), item->text(1),
                        item->data(0, Qt::UserRole + 1).toString()});
    }
    return rows;
}

// Opens Communication > Connection on `w`, lets `answer` work the dialog and
// returns what the dialog ended with.
int RunConnection(StartedWindow& w, const std::function<int(TfrmConnection&)>& answer) {
    int result = -1;
    w.recording->onDialog = [&](QDialog& dialog) {
        auto* connection = qobject_cast<TfrmConnection*>(&dialog);
        result = connection != nullptr ? answer(*connection) : int(QDialog::Rejected);
        return result;
    };
    w.Get<QAction>("mnuComConnection")->trigger();
    w.recording->onDialog = nullptr;
    return result;
}

int Click(TfrmConnection& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
    return dialog.result();
}

// What the dialog lists and which entry it selects when it opens, then
// cancelled.
std::pair<std::vector<Row>, std::string> Listed(StartedWindow& w) {
    std::pair<std::vector<Row>, std::string> listed;
    RunConnection(w, [&](TfrmConnection& dialog) {
        listed = {Rows(dialog), dialog.Choice()};
        return Click(dialog, "btnCancel");
    });
    return listed;
}

std::string StoredDevice(StartedWindow& w) {
    return w.window.State().Values.ReadValue("Setup", "Device");
}

#ifdef _WIN32
constexpr const char* kLinuxPortsOnly =
    "ttyUSB ports in sysfs and the pseudo-terminal box are Linux's";
#else
// The box behind a pseudo-terminal that the fake sysfs shows as ttyUSB0.
struct PortOfTheBox {
    PortOfTheBox() : server(Settings(unit / "unit.bin")) { started = server.Start(); }
    // The pseudo-terminal's box answers on the steady clock.
    static SimSettings Settings(const std::string& path) {
        SimSettings settings = test::ZeroTimeSim(path);
        settings.zeroTime = false;
        return settings;
    }
    test::TempDir unit;
    PtyKvdServer server;
    bool started = false;
};
#endif

// Where the dialog looks for ports: a tree without any, so that this
// machine's own ports stay out of the lists (Windows' routes take no tree).
TtyPaths NoPorts() {
#ifdef _WIN32
    return {};
#else
    return test::FakeSysfs().paths;
#endif
}

}  // namespace

class TfrmConnectionTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { qunsetenv("QZT_DEVICE"); }

    void listsWhatIsFoundAndWhyItCannotBeUsed() {
#ifdef _WIN32
        QSKIP(kLinuxPortsOnly);
#else
        enum class Port { Usable, Held, NotPermitted, NotASerialPort, None };
        struct Case {
            const char* name;
            Port port;
        };
        const Case cases[] = {
            {"the box's port", Port::Usable},
            {"held by another program", Port::Held},
            {"closed to this user", Port::NotPermitted},
            {"no serial port", Port::NotASerialPort},
            {"nothing", Port::None},
        };
        // A port closed to this user is one without read and write for
        // anyone; root opens it all the same, so there the case is skipped.
        const bool root = ::geteuid() == 0;
        for (const Case& c : cases) {
            if (c.port == Port::NotPermitted && root) {
                qWarning("%s: skipped, root may open any port", c.name);
                continue;
            }
            test::FakeSysfs sysfs;
            PortOfTheBox box;
            QVERIFY2(box.started, c.name);
            std::optional<test::PortHolder> holder;
            const std::string node = sysfs.Node("ttyUSB0");
            std::string expected;
            switch (c.port) {
                case Port::Usable:
                    sysfs.AddPort("ttyUSB0", "0403", kBox, box.server.PortPath());
                    expected = Text(txt::DeviceUsable);
                    break;
                case Port::Held:
                    sysfs.AddPort("ttyUSB0", "0403", kBox, box.server.PortPath());
                    holder.emplace(box.server.PortPath());
                    QVERIFY2(holder->Locked(), c.name);
                    expected = TextF(txt::ReasonPortBusy, node);
                    break;
                case Port::NotPermitted:
                    sysfs.AddPort("ttyUSB0", "0403", kBox, box.server.PortPath());
                    std::filesystem::permissions(box.server.PortPath(),
                                                 std::filesystem::perms::none);
                    expected = TextF(txt::ReasonPortNotPermitted, node);
                    break;
                case Port::NotASerialPort:
                    // A file where the port should be.
                    sysfs.AddPort("ttyUSB0", "0403", kBox,
                                  test::WriteFile(box.unit / "not-a-port", ""));
                    expected = TextF(txt::ReasonNotASerialPort, node);
                    break;
                case Port::None:
                    // Another maker's adapter is no box.
                    sysfs.AddPort("ttyUSB0", "067b", "USB-Serial Controller", "/dev/null");
                    break;
            }
            StartedWindow w;
            w.window.ConnectionDialog()->SetTtyPaths(sysfs.paths);
            const auto [rows, selected] = Listed(w);
            QCOMPARE(selected, std::string("auto"));
            QVERIFY2(!rows.empty(), c.name);
            QCOMPARE(rows[0].device, QString("auto"));
            if (c.port == Port::None) {
                QVERIFY2(rows.size() == 1, c.name);
                QCOMPARE(rows[0].state, Q(Text(txt::ReasonNoBox)));
                continue;
            }
            QVERIFY2(rows.size() == 2, c.name);
            QCOMPARE(rows[1].device, Q("tty:" + node));
            QCOMPARE(rows[1].state, Q(expected));
            // Automatic would take this port, and says how that would go.
            QVERIFY2(rows[0].place.contains(rows[1].device), c.name);
            QCOMPARE(rows[0].state, rows[1].state);
            QCOMPARE(StoredDevice(w), std::string());
        }
#endif
    }

    void testShowsTheBoxAndOkStoresTheChoice() {
#ifdef _WIN32
        QSKIP(kLinuxPortsOnly);
#else
        test::FakeSysfs sysfs;
        PortOfTheBox box;
        QVERIFY(box.started);
        sysfs.AddPort("ttyUSB0", "0403", kBox, box.server.PortPath());
        const std::string device = "tty:" + sysfs.Node("ttyUSB0");
        StartedWindow w;
        w.window.ConnectionDialog()->SetTtyPaths(sysfs.paths);

        QString tested;
        QString heldTested;
        const int result = RunConnection(w, [&](TfrmConnection& dialog) {
            if (!dialog.Select(device)) {
                return int(QDialog::Rejected);
            }
            {
                test::PortHolder holder(box.server.PortPath());
                Click(dialog, "btnTest");
                heldTested = dialog.TestResult();
            }
            Click(dialog, "btnTest");
            tested = dialog.TestResult();
            return Click(dialog, "btnOK");
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(heldTested, Q(Text(txt::KvdNotFound) + "\n" +
                               TextF(txt::ReasonPortBusy, sysfs.Node("ttyUSB0"))));
        QCOMPARE(tested, QString("KVD info: KVD-USB 1.4\nThe box and the QZT unit answer."));

        QCOMPARE(StoredDevice(w), device);
        QCOMPARE(w.window.Device().kind, DeviceKind::Tty);
        QCOMPARE(w.window.Device().path, sysfs.Node("ttyUSB0"));
        // The window's own link goes there now.
        QCOMPARE(w.window.Link().Open(), LinkOk);
        QCOMPARE(w.window.Link().CheckConnection(), LinkOk);
        w.window.Link().Close();
#endif
    }

    // The simulated unit of the command line is listed and tested; choosing
    // Automatic replaces it for the window and its about box at once, and a
    // cancelled dialog changes nothing.
    void choosingReplacesTheRunsDeviceAtOnce() {
        test::TempDir unit;
        const std::string sim = "sim:" + (unit / "unit.bin");
        StartedWindow w({}, {"--device=" + sim, "--sim-timing=zero"});
        w.window.ConnectionDialog()->SetTtyPaths(NoPorts());

        QString tested;
        QCOMPARE(RunConnection(w,
                               [&](TfrmConnection& dialog) {
                                   Click(dialog, "btnTest");  // the window's device is selected
                                   tested = dialog.TestResult();
                                   dialog.Select("auto");
                                   return Click(dialog, "btnCancel");
                               }),
                 int(QDialog::Rejected));
        QCOMPARE(tested, QString("KVD info: KVD-USB 1.4\nThe box and the QZT unit answer."));
        QCOMPARE(w.window.Device().kind, DeviceKind::Added);
        QCOMPARE(StoredDevice(w), std::string());

        auto* about = w.window.findChild<TfrmAbout*>();
        about->FormShow();
        QCOMPARE(about->findChild<QLabel*>("lblKvdVersion")->text(),
                 QString("KVD info: KVD-USB 1.4"));

        QCOMPARE(RunConnection(w,
                               [&](TfrmConnection& dialog) {
                                   dialog.Select("auto");
                                   return Click(dialog, "btnOK");
                               }),
                 int(QDialog::Accepted));
        QCOMPARE(StoredDevice(w), std::string("auto"));
        QCOMPARE(w.window.Device().kind, DeviceKind::Auto);
        // The simulator's own options stay with the run.
        QVERIFY(ParseSimSettings(w.window.Device()).value().zeroTime);
        // Automatic finds no box here, unless this machine has a real one.
        if (FindDevices(DeviceOptions{}).empty()) {
            about->FormShow();
            QCOMPARE(about->findChild<QLabel*>("lblKvdVersion")->text(), QString());
        }
    }

    // At start-up the stored choice is used unless --device= names another
    // for this run; a stored value that is no device is passed over. A
    // stored choice that is not found now stays listed and selected.
    void theStoredChoiceAtTheNextStart() {
        test::TempDir unit;
        const std::string sim = "sim:" + (unit / "unit.bin");
        struct Case {
            const char* name;
            std::string stored;
            std::vector<std::string> arguments;
            std::string device;
        };
        const std::vector<Case> cases = {
            {"stored", sim, {"--sim-timing=zero"}, sim},
            {"command line wins", sim, {"--device=tty:/dev/kvd-gone"}, "tty:/dev/kvd-gone"},
            {"stored port that is gone", "tty:/dev/kvd-gone", {}, "tty:/dev/kvd-gone"},
            {"stored nonsense", "kvd please", {}, "auto"},
        };
        for (const Case& c : cases) {
            const std::string stored = c.stored;
            StartedWindow w(
                [&stored](test::FakeFolders& folders) {
                    const std::filesystem::path folder =
                        std::filesystem::path(*folders.appData) / "ORVI/QZT Programmer (EN)";
                    std::filesystem::create_directories(folder);
                    test::WriteFile(
                        (folder / "Values.ini").string(),
                        "[Setup]\nAppVersion=" + FileVersionString() + "\nDevice=" + stored + "\n");
                },
                c.arguments);
            w.window.ConnectionDialog()->SetTtyPaths(NoPorts());
            const auto [rows, selected] = Listed(w);
            QCOMPARE(selected, c.device);
            const auto row = std::find_if(rows.begin(), rows.end(),
                                          [&](const Row& r) { return r.device == Q(c.device); });
            QVERIFY2(row != rows.end(), c.name);
            if (c.device.starts_with("tty:")) {
                QCOMPARE(row->state, Q(Text(txt::ConnectionNotFoundNow)));
                QCOMPARE(row->place, QString("/dev/kvd-gone"));
            } else if (c.device.starts_with("sim:")) {
                QCOMPARE(row->state, Q(Text(txt::DeviceUsable)));
            }
            // Looking is not choosing.
            QCOMPARE(StoredDevice(w), c.stored);
        }
    }
};

QTEST_MAIN(TfrmConnectionTest)
#include "TfrmConnectionTest.moc"
