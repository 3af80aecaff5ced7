#pragma once
// A simulated KVD box on the far end of a pseudo-terminal: the program opens
// the terminal's slave side as it would open /dev/ttyUSB0 (--device=tty:PATH)
// and talks to the box through the kernel's serial code. The box answers on
// a thread of its own, each piece of an answer at its time on the steady
// clock (late, slow, split and garbled answers as the faults make them); the
// kernel carries the bytes at once, so the line's time is modelled only as
// far as the box's side goes: one answer starts after the one before it has
// gone out.
// When the box is unplugged the master side closes: the program sees its
// port hang up, and the unit keeps what it was given until then. The unit's
// memory comes from the settings' file and goes back to it when the server
// stops (or the box is unplugged).

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
    // Answers frames and plays their pieces until stopped or unplugged.
    void Serve();
    // The box vanished: saves the unit and closes the master side.
    void Unplug();

    SimSettings settings_;
    std::optional<SimUnitFile> file_;
    std::optional<KvdBox> box_;
    mutable std::mutex mutex_;
    bool saved_ = false;
    int master_ = -1;  // the box's side; the serving thread owns it while it runs
    int slave_ = -1;   // held open so the terminal lives between the program's sessions
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::string portPath_;
    std::thread thread_;
};

}  // namespace qzt
