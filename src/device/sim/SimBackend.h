#pragma once
// The backend `sim:PATH`: a simulated KVD box with a QZT unit, reached as if
// through the chip. Each open loads the unit's memory from PATH (creating it
// when missing); the close writes it back when it changed.
//
// When PATH is a folder, the box has a queue of units behind it, as when a
// technician programs a ward's units one after another: the folder's unit
// files (sim/SimUnitFile.h: ListSimUnitFiles, taken at the first open; a
// folder without any is first given five fresh ones). The first is
// connected at the start. A session (open to close) in which the box
// received no block write, and which is not the first with this unit, is the
// program looking at a unit it is done with: the technician takes the unit
// away, and the next open finds the next one. A unit whose file cannot be
// loaded when its turn comes is skipped. After the last unit the box has no
// unit: it answers its information text and nothing that needs the unit, as
// under no-unit. A symbolic link to another unit's file is that unit
// connected again; its memory is written back through the link.
//
// The line is modelled as the real one behaves: every character takes 11 bits
// at 57600 baud in each direction, the box answers a frame once its ETX has
// arrived, and the chip hands each reply to the program one latency period
// after its last byte came in. The box only understands the program when the
// chip is set to 57600 baud, 8 data bits, 2 stop bits, no parity; otherwise it
// hears noise and stays silent. In zero-time mode the whole model runs on a
// clock of its own that moves only when the link sleeps: no real waiting,
// the same timing to the nanosecond.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/link/D2xx.h"
#include "device/sim/SimSettings.h"

namespace qzt {

// What crossed the simulated line since the library was made (or the
// traffic was cleared).
struct SimTraffic {
    // The frames the box received, STX to ETX: the latest kKeptFrames of
    // them, so a box looked at for hours keeps flat memory.
    static constexpr std::size_t kKeptFrames = 1 << 12;
    std::vector<std::string> frames;
    std::uint64_t frameCount = 0;  // all of them
    std::uint64_t bytesToBox = 0;
    std::uint64_t bytesFromBox = 0;
    unsigned opens = 0;
    unsigned closes = 0;
    // When the box was pulled out (unplug), on the library's clock.
    std::optional<std::chrono::steady_clock::time_point> unpluggedAt;
};

class SimLibrary : public FtLibrary {
  public:
    explicit SimLibrary(SimSettings settings);
    ~SimLibrary() override;

    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override;
    LinkClock& Clock() override;
    std::string OpenFailureReason() const override { return problem_; }

    const SimSettings& Settings() const;
    // A handle of this library is open (the box is in use).
    bool IsOpen() const;
    const SimTraffic& Traffic() const;
    void ClearTraffic();

    // The queue's unit files in the order they are connected; empty before
    // the first open and for a box with a single unit file.
    const std::vector<std::string>& Units() const;
    // How many of the queue's units have had their turn: taken away after
    // the program was done with them, or skipped as broken. Units().size()
    // once the box has no unit left.
    std::size_t UnitsTaken() const;

    // The technician's hand for a box with a folder of units: asked at each
    // open which unit file is connected for that session (nothing: none),
    // in place of the queue's one-after-another order. Tests play a ward's
    // comings and goings with it.
    using UnitChooser = std::function<std::optional<std::string>()>;
    void ChooseUnitsWith(UnitChooser chooser);

    // Replaces the box's answers to the next frames: each entry, as raw bytes,
    // answers one frame; an empty entry is silence. The box still sees the
    // frame but its own answer is dropped. For tests of what the link makes
    // of replies the box itself never sends.
    void ScriptReplies(std::vector<std::string> replies);

    // The shortest time the modelled line needs for the traffic so far:
    // every byte in both directions plus one latency per frame.
    std::chrono::nanoseconds LineLowerBound() const;

    struct State;

  private:
    std::shared_ptr<State> state_;
    std::string problem_;
};

}  // namespace qzt
