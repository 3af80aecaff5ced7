#pragma once
// The program's only path to the hardware: one open handle on the KVD
// interface box, its serial settings, the request/reply exchange of framed
// commands, and the box's commands on top of it: the connection check, the
// box's information text, and block reads and writes of the QZT unit's
// 256-byte memory with their retries.
//
// Every device operation opens the link at its start and closes it on every
// path; no handle stays open between operations. Single-threaded.
//
// No reply is ever taken for another exchange. The box has no sequence
// numbers: a reply that comes after its wait gave up looks exactly like the
// answer to the next command, and for a block read it is a block of the
// right length from the wrong address. The purge before each command only
// drops what has already arrived, so after every try that did not end with
// its complete reply the link lets the line settle first: it reads and
// drops whatever still comes until the line has been quiet for longer than
// the box's slowest answer plus the chip's latency, and only then purges and
// sends. Exchanges that went well pay nothing for this.
//
// Still, no timing rule can tell a reply that comes later than any bound
// from a fresh one, and a stale reply of the right length taken for a block
// shifts every block after it. So the link notes every irregularity of a
// session (a try without its whole reply, a retry, bytes dropped by a
// settle or found waiting before a command) and uses the bytes of a range
// read only when they are confirmed: read while nothing had gone irregular
// in the session, or read again, on a quiet line, by a pass with no
// irregularity that agrees with an earlier read of them. A session in which
// nothing went wrong pays nothing for this.
//
// A box that is gone (unplugged mid-command) is noticed at the next look at
// the chip: every later exchange of the session fails at once, so the
// command ends with the message of the step it was in instead of waiting
// out three tries for every remaining block.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "device/link/D2xx.h"
#include "device/link/KvdProtocol.h"
#include "text/Result.h"

namespace qzt {

// How the link operations fail, by the box's own result numbers.
enum class LinkFault {
    LinkNotFound = 1,
    LinkNoAnswer = 2,
    LinkReadError = 4,
    LinkWriteError = 5,
};
using enum LinkFault;
// How a link operation ended: LinkOk, or its fault.
using LinkResult = Result<void, LinkFault>;
inline constexpr LinkResult LinkOk{};

class TUsbInterface {
  public:
    // Called after each block of a range read or write: `block` of `blocks`
    // (1-based), so a command can show progress between exchanges.
    using ProgressHandler = std::function<void(std::size_t block, std::size_t blocks)>;

    // Reply waits, in milliseconds of the link's clock.
    static constexpr std::chrono::milliseconds kConnectionWait{350};
    static constexpr std::chrono::milliseconds kReplyWait{250};
    static constexpr std::chrono::milliseconds kQuietLineExtension{250};
    // The box answers within the connection check's 350 ms or not at all;
    // the chip passes a reply on within its latency timer (16 ms at most as
    // the backends leave it) and 50 bytes take under 10 ms on the line. A
    // line quiet this long after a failed try carries no late reply.
    static constexpr std::chrono::milliseconds kSlowestAnswer{350};
    static constexpr std::chrono::milliseconds kLongestChipLatency{16};
    static constexpr std::chrono::milliseconds kSettleTime{400};
    static_assert(kSettleTime >
                  kSlowestAnswer + kLongestChipLatency + std::chrono::milliseconds(10));
    // Bounds for a box that babbles without end: one wait and one settle
    // never last longer than this, whatever arrives.
    static constexpr std::chrono::milliseconds kLongestWait{1000};
    static constexpr std::chrono::milliseconds kLongestSettle{1000};
    // Chip time-outs set before every wait.
    static constexpr std::uint32_t kReadTimeoutMs = 10;
    static constexpr std::uint32_t kWriteTimeoutMs = 100;
    // The frame buffer: STX, at most 95 payload characters, two checksum
    // characters, ETX and a terminating NUL.
    static constexpr std::size_t kFrameBufferSize = 100;
    static constexpr std::size_t kMaxPayload = kFrameBufferSize - 5;
    // A reply is read into 50 bytes, so a framed reply carries at most 46
    // payload characters.
    static constexpr std::size_t kReplyBufferSize = 50;
    static constexpr std::size_t kMaxReplyPayload = kReplyBufferSize - 4;
    static constexpr int kTries = 3;
    static constexpr std::size_t kInterfaceInfoLength = 11;

    // On the backend `library` (MakeBackend builds the one the options name;
    // tests keep a hand on a simulated box).
    explicit TUsbInterface(std::shared_ptr<FtLibrary> library);
    ~TUsbInterface();
    TUsbInterface(const TUsbInterface&) = delete;
    TUsbInterface& operator=(const TUsbInterface&) = delete;

    // Finds the box by its USB description and sets 57600 baud, 8 data bits,
    // 2 stop bits, no parity, no flow control and DTR cleared. LinkOk, or
    // LinkNotFound when the box is absent or a setting failed; a failed
    // setting leaves the handle open for the caller's Close.
    LinkResult Open();
    // Drops what is still waiting and releases the handle.
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }
    // The box went away during this session: every exchange fails at once
    // until the next Open.
    bool IsGone() const { return gone_; }
    // After an Open that gave LinkNotFound: why, and what to do about it
    // (empty when not known).
    std::string NotFoundReason() const;

    // SendCommand then ReceiveReply. The result is the number of characters
    // placed in `reply`: 0 no usable reply, 1 one raw byte, n > 1 the payload
    // of a valid framed reply (the caller compares it with what it expects).
    std::size_t Transact(std::string_view payload, std::span<std::uint8_t> reply,
                         std::chrono::milliseconds initialWait, std::size_t expectedLength);
    // Lets the line settle when the last exchange did not end cleanly, purges
    // both queues and writes the payload in its frame. Bytes written; 0 for
    // an empty payload or one longer than the frame buffer holds.
    std::size_t SendCommand(std::string_view payload);
    // Waits for the reply: up to `initialWait` for the first bytes, each
    // growth of the queue moving the end to 250 ms after it; early once
    // exactly the expected count is waiting (expectedLength for a raw byte
    // when at most 1, else expectedLength + 4 for the envelope), and never
    // longer than kLongestWait.
    std::size_t ReceiveReply(std::span<std::uint8_t> reply, std::chrono::milliseconds initialWait,
                             std::size_t expectedLength);

    // Received bytes waiting; 0 when closed or when the chip cannot tell.
    std::uint32_t QueueCount();
    // Reads at most area.size() bytes and at most what is waiting.
    std::size_t ReadBytes(std::span<std::uint8_t> area);
    std::size_t WriteText(std::string_view bytes);
    bool PurgeQueues();

    // c - '0' for c up to '9', else c - 55, modulo 256: '0'..'9' give 0..9,
    // 'A'..'F' 10..15, lower-case letters values above 15.
    static std::uint8_t HexDigitValue(char c);

    // "O": LinkOk when the box answers ACK within 350 ms, else LinkNoAnswer.
    LinkResult CheckConnection();
    // "v": the box's 11-character information text, or nothing when the box
    // did not answer.
    std::optional<std::string> ReadInterfaceInfo();
    // Writes image[first..last] in blocks of 16 bytes from `first`, each
    // tried up to three times. LinkWriteError when a block was refused (NAK)
    // on its third try; a block that was never answered is not reported here
    // but shows up in the read-back that follows every write.
    LinkResult WriteRange(std::span<const std::uint8_t, kvd::kMemorySize> image, unsigned first,
                          unsigned last);
    // Reads the unit's bytes first..last into buffer[first..last] in blocks
    // of 16, each tried up to three times in a pass, and confirms them as
    // the header says: at most kTries passes and kTries tries a block in
    // all. LinkReadError when a block could not be read or its bytes could
    // not be confirmed; the bytes not confirmed are then left as they were.
    LinkResult ReadRange(std::span<std::uint8_t, kvd::kMemorySize> buffer, unsigned first,
                         unsigned last);
    LinkResult ReadImage(std::span<std::uint8_t, kvd::kMemorySize> buffer);

    void SetProgressHandler(ProgressHandler handler) { progress_ = std::move(handler); }
    // Called while the link waits for the box, about every
    // kWaitHandlerPeriod, so that a caller can keep a window answering
    // through waits that last up to a second.
    using WaitHandler = std::function<void()>;
    static constexpr std::chrono::milliseconds kWaitHandlerPeriod{20};
    void SetWaitHandler(WaitHandler handler) { wait_ = std::move(handler); }

    // The clock its waits run on (the simulator's own in zero time).
    LinkClock& Clock() { return clock_; }

    // What the link met since it was made, for benchmarks and tests.
    struct Counters {
        std::size_t irregularities = 0;
        std::size_t confirmingPasses = 0;  // passes that read a range again
        std::size_t readsGivenUp = 0;      // range reads that ended in LinkReadError
    };
    const Counters& Count() const { return counters_; }
    // Off: a range read takes its first pass as it comes, whatever went
    // irregular (only tests turn this off, to show what it guards against).
    void SetConfirmReads(bool on) { confirmReads_ = on; }

  private:
    void AppendToFrame(std::uint8_t byte);
    // Sleeps on the link's clock, calling the wait handler when it is due.
    void Pause(LinkClock::Duration duration);
    // The payload of a framed reply, or the one raw byte, as ReceiveReply
    // returns it.
    static std::size_t Unframe(std::span<const std::uint8_t> bytes, std::span<std::uint8_t> reply);
    // Notes a chip call's result: a gone chip ends the session's exchanges.
    bool Check(FtStatus status);
    // After a try that did not end cleanly: drops what still arrives until
    // the line has been quiet for kSettleTime.
    void Settle();
    // Tries to read one block, at most kTries times and at most `triesLeft`
    // times, each try counted off `triesLeft`.
    bool ReadBlock(std::span<std::uint8_t, kvd::kMemorySize> buffer, unsigned address,
                   unsigned count, int& triesLeft);
    // One range read's blocks and passes, and one pass over the blocks not
    // yet confirmed; false when a block failed its tries or the box went.
    struct RangeRead;
    bool ReadPass(RangeRead& range, std::size_t pass);
    // Something went irregular: replies may be on their way that the line's
    // quiet no longer proves gone.
    void NoteIrregularity();
    // Waits until the line has been quiet for kSettleTime, whatever the
    // last exchange did.
    void SettleNow();
    enum class BlockWrite { Written, Refused, Unanswered };
    BlockWrite WriteBlock(std::span<const std::uint8_t, kvd::kMemorySize> image, unsigned address,
                          unsigned count);
    // Runs `transfer(address, count)` on each block of first..last, reporting
    // progress after each; true when every block's transfer succeeded.
    bool ForEachBlock(unsigned first, unsigned last,
                      const std::function<bool(unsigned, unsigned)>& transfer);

    std::shared_ptr<FtLibrary> library_;
    LinkClock& clock_;
    std::unique_ptr<FtHandle> handle_;  // null: closed
    std::array<std::uint8_t, kFrameBufferSize> frameBuffer_{};
    std::uint8_t frameLength_ = 0;
    std::uint8_t frameSum_ = 0;
    ProgressHandler progress_;
    WaitHandler wait_;
    LinkClock::TimePoint lastWaitCall_{};
    bool gone_ = false;
    bool settingsRefused_ = false;
    // The last exchange may still have bytes on their way, the latest of
    // them (or the end of the frame sent) at lastActivity_.
    bool unsettled_ = false;
    LinkClock::TimePoint lastActivity_{};
    // Something went irregular in this session.
    bool suspect_ = false;
    bool confirmReads_ = true;
    Counters counters_;
};

}  // namespace qzt
