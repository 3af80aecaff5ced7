#pragma once
// A simulated KVD box on the far end of a pseudo-terminal: the program opens
// the terminal's slave side as it would open /dev/ttyUSB0 (--device=tty:PATH)
// and talks to the box through the kernel's serial code. The box answers on
// a thread of its own as soon as a frame is in; the kernel carries the bytes,
// so no line timing is modelled here. The unit's memory comes from the
// settings' file and goes back to it when the server stops.

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "config/ConfigImage.h"
#include "device/sim/KvdBox.h"
#include "device/sim/SimSettings.h"
#include "device/sim/SimUnitFile.h"

namespace qzt {

class PtyKvdServer {
  public:
    explicit PtyKvdServer(SimSettings settings);
    ~PtyKvdServer();
    PtyKvdServer(const PtyKvdServer&) = delete;
    PtyKvdServer& operator=(const PtyKvdServer&) = delete;

    // Loads the unit, opens the pseudo-terminal and starts answering. False
    // when the memory file or the terminal cannot be had.
    bool Start();
    // The terminal the program opens.
    const std::string& PortPath() const { return portPath_; }
    // Stops answering and writes the unit's memory back when it changed.
    void Stop();

    ConfigImage Memory() const;

  private:
    void Serve();

    SimSettings settings_;
    std::optional<SimUnitFile> file_;
    std::optional<KvdBox> box_;
    mutable std::mutex mutex_;
    bool saved_ = false;
    int master_ = -1;
    int slave_ = -1;  // held open so the terminal lives between the program's sessions
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::string portPath_;
    std::thread thread_;
};

}  // namespace qzt
