#pragma once
// The KVD interface box with a QZT unit behind it, as the program sees them
// over the serial line: the box collects each frame, checks its envelope and
// checksum, and answers
//   "O"              ACK when a unit is connected
//   "v"              its 11-character information text, framed
//   "R" AAAA CC      the unit's CC bytes from address AAAA, framed as hex pairs
//   "W" AAAA CC data the bytes written to the unit, then ACK
// and NAK to every other frame: a wrong checksum, an unknown command, lower-
// case digits, an address above 0x00FF, a count outside 1 to 16, a block
// running past the end of the memory, data of the wrong length.
//
// The unit's product information (bytes 240-255) is programmed at the
// factory: the box acknowledges a write there, but the unit keeps its bytes,
// so a program that writes them learns so from its read-back.
//
// Faults of SimFault change the answers and when they come. No clock here:
// the caller puts the pieces of each answer on the line at their times.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigImage.h"
#include "device/sim/SimSettings.h"

namespace qzt {

class KvdBox {
  public:
    static constexpr std::string_view kInfoText = "KVD-USB 1.4";
    // Noise the line carries before each reply under stray-bytes.
    static constexpr std::string_view kStrayBytes{"\x00\xFF", 2};
    static constexpr std::size_t kMaxFrame = 128;

    // Bytes the box sends, `after` the frame's last byte came in (or the
    // previous piece was sent, whichever is later).
    struct Piece {
        std::chrono::milliseconds after{0};
        std::string bytes;
    };

    struct Exchange {
        std::string frame;   // STX to ETX, as received
        std::string answer;  // the bytes the box sends back; empty: silence
        // How the answer goes out: after a delay, in pieces, behind stray
        // bytes (see Pieces).
        std::chrono::milliseconds delay{0};
        std::chrono::milliseconds splitGap{0};
        std::string garbage;
        std::chrono::milliseconds garbageLead{0};
        // The box vanished as this frame came in: it was not acted on, and
        // the box hears and answers nothing more.
        bool unplugged = false;

        // The answer as the line carries it.
        std::vector<Piece> Pieces() const;
    };

    // What garbage-before puts on the line.
    static constexpr std::string_view kGarbage{"\xFF\x00\x7E", 3};

    KvdBox(const ConfigImage& memory, std::vector<SimFault> faults);

    // One byte from the line. Bytes outside a frame are ignored; an STX
    // (re)starts a frame and an ETX completes it.
    std::optional<Exchange> Receive(std::uint8_t byte);
    // The answer to the contents of a complete frame (between STX and ETX).
    std::string Answer(std::string_view body);

    const ConfigImage& Memory() const { return memory_; }
    bool Changed() const { return changed_; }
    // Pulled out (unplug): gone for good.
    bool Gone() const { return gone_; }

  private:
    struct ActiveFault {
        SimFault fault;
        unsigned used = 0;
    };

    // True when a fault of `kind` applies to a block (address, count) and
    // still has strikes left; takes one.
    // The first fault of `kind` that applies to a block (address, count)
    // and still has strikes left, with one taken; null when none.
    ActiveFault* Strike(SimFaultKind kind, unsigned address, unsigned count);
    ActiveFault* StrikeFrame(SimFaultKind kind, std::string_view body);
    bool Strikes(SimFaultKind kind, unsigned address = 0, unsigned count = 0);
    // The value of the first fault of `kind` that strikes this frame's block
    // (or `fallback` when it has none); nothing when none strikes.
    std::optional<unsigned> StrikeValue(SimFaultKind kind, std::string_view body,
                                        unsigned fallback);
    bool UnplugStrikes(std::string_view body);
    std::string AnswerRead(std::string_view payload);
    std::string AnswerWrite(std::string_view payload);

    ConfigImage memory_;
    std::vector<ActiveFault> faults_;
    bool changed_ = false;
    bool gone_ = false;
    bool inFrame_ = false;
    bool overflow_ = false;
    std::string frame_;
};

}  // namespace qzt
