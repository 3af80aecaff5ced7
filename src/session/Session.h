#pragma once
// What the program holds while it runs, apart from drawing: the program's
// state (images, form state, folders, Values.ini, value lists), the
// machine's folders, the one device choice with the link built from it, and
// the gate that keeps a second device operation from starting inside the
// first. The main window draws it and its dialogs use it; none of them keeps
// a device or a folder of its own. No Qt.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/PlatformFolders.h"
#include "core/ProgramState.h"
#include "device/DeviceOptions.h"
#include "device/link/TUsbInterface.h"
#include "device/sysfs/KernelDevices.h"
#include "text/Result.h"

namespace qzt {

class Session {
  public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    ProgramState& State() { return state_; }
    const ProgramState& State() const { return state_; }

    // The machine's folders (the real ones unless a test gives its own).
    const PlatformFolders& Folders() const { return *folders_; }
    void SetFolders(std::shared_ptr<const PlatformFolders> folders);

    // The device of this run: --device= and QZT_DEVICE of `arguments` and
    // `environmentDevice`, else the stored Setup/Device, else auto. Refused
    // with the message for a device option that cannot be used: the run then
    // reaches no box, and its links say why.
    Result<void> ChooseDevice(std::vector<std::string> arguments, const char* environmentDevice);
    // Makes `device` (a --device= value, with the command line's simulator
    // options) the device of the run and stores it as Setup/Device. A store
    // refused by Values.ini throws ValuesIniWriteError; the device is in use
    // all the same.
    void UseDevice(const std::string& device);
    // The device in use: auto while the options are refused.
    const DeviceOptions& Device() const;
    // Counts the changes of device, so that a holder of a link of its own
    // knows when to build it again.
    std::uint64_t DeviceGeneration() const { return generation_; }

    // Where the kernel's ports are looked up (/sys and /dev unless a test
    // gives a tree of its own).
    const TtyPaths& Paths() const { return paths_; }
    void SetPaths(TtyPaths paths);

    // The link of the device commands.
    TUsbInterface& Link() { return *link_; }
    // A link of its own on the run's device, or on `device` with the
    // command line's simulator options (what the connection dialog tests).
    std::unique_ptr<TUsbInterface> NewLink() const;
    std::unique_ptr<TUsbInterface> NewLink(const std::string& device) const;

    // True while a device operation runs.
    bool Busy() const { return busy_; }
    // Marks a device operation as running for its lifetime; the caller has
    // checked Busy() first.
    class Operation {
      public:
        explicit Operation(Session& session) : session_(session) { session_.busy_ = true; }
        ~Operation() { session_.busy_ = false; }
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

      private:
        Session& session_;
    };

  private:
    void SetDevice(Result<DeviceOptions> device);

    ProgramState state_;
    std::shared_ptr<const PlatformFolders> folders_;
    std::vector<std::string> arguments_;
    Result<DeviceOptions> device_ = DeviceOptions{};
    TtyPaths paths_;
    std::unique_ptr<TUsbInterface> link_;
    std::uint64_t generation_ = 0;
    bool busy_ = false;
};

}  // namespace qzt
