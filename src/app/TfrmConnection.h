#pragma once
// Communication > Connection: what this program can find to talk to (the
// kernel ports carrying the KVD box, the boxes on USB, the simulated unit)
// with an "Automatic" entry on top, each with whether it can be used now and,
// when not, why. The user picks one, may test it, and OK makes it the
// window's device (stored in Values.ini by the main window). Created the
// first time it is needed and refilled each time it is shown.

#include <QDialog>
#include <string>
#include <vector>

#include "device/DeviceDiscovery.h"
#include "device/DeviceOptions.h"
#include "device/sysfs/KernelDevices.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qzt {

class Session;

class TfrmConnection : public QDialog {
    Q_OBJECT

  public:
    // Centred over `owner`, on the session's device and ports.
    TfrmConnection(QWidget& owner, Session& session);

    // Where the kernel's ports are looked up, for the session as a whole
    // (/sys and /dev unless a test gives a tree of its own).
    void SetTtyPaths(TtyPaths paths);

    // Fills the list for the session's device, with it selected; the
    // command line's simulator options go with every entry that is tested
    // or chosen.
    void Prepare();
    // Looks for the devices again; the selection stays on the same device
    // when it is still listed.
    void btnRefreshClick();
    // Opens the selected entry, checks the connection and asks the box for
    // its information text; the outcome is shown under the list.
    void btnTestClick();

    // The --device= value of the selected entry ("auto" for Automatic);
    // empty when nothing is selected.
    std::string Choice() const;
    // Selects the entry of this --device= value; false when none is listed.
    bool Select(const std::string& device);
    // What the last Test found, as shown.
    QString TestResult() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Fill(const std::vector<FoundDevice>& found);
    void SelectionChanged();
    // Sets a word-wrapped label's text and makes room for all its lines.
    void SetWrapped(QLabel* label, const QString& text);

    QWidget& owner_;
    Session& session_;
    QTreeWidget* list_ = nullptr;
    QLabel* details_ = nullptr;
    QLabel* testResult_ = nullptr;
    QPushButton* test_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace qzt
