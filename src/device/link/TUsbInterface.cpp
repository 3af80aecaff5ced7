#include "device/link/TUsbInterface.h"

#include <algorithm>
#include <cstdio>

#include "text/HexText.h"
#include "text/Text.h"

namespace qzt {
namespace {

constexpr std::chrono::microseconds kMaxSleep{500};

std::string AddressAndCount(char command, unsigned address, unsigned count) {
    char text[16];
    std::snprintf(text, sizeof text, "%c%04X%02X", command, address, count);
    return text;
}

}  // namespace

TUsbInterface::TUsbInterface(std::shared_ptr<FtLibrary> library)
    : library_(std::move(library)), clock_(library_->Clock()) {}

TUsbInterface::~TUsbInterface() {
    Close();
}

LinkResult TUsbInterface::Open() {
    if (handle_) {
        handle_->Close();
        handle_.reset();
    }
    gone_ = false;
    suspect_ = false;
    unsettled_ = false;
    settingsRefused_ = false;
    if (library_->OpenByDescription(kvd::kDescription, handle_) != FtStatus::Ok) {
        handle_.reset();
        return LinkNotFound;
    }
    // All four settings are made even when one fails, so the chip ends up as
    // close to the box's line settings as it allows.
    bool ok = handle_->SetBaudRate(kvd::kBaudRate) == FtStatus::Ok;
    ok = handle_->SetDataCharacteristics(kFtBits8, kFtStopBits2, kFtParityNone) == FtStatus::Ok &&
         ok;
    ok = handle_->SetFlowControl(kFtFlowNone, 0, 0) == FtStatus::Ok && ok;
    ok = handle_->ClrDtr() == FtStatus::Ok && ok;
    settingsRefused_ = !ok;
    return ok ? LinkOk : LinkNotFound;
}

std::string TUsbInterface::NotFoundReason() const {
    return settingsRefused_ ? Text(txt::ReasonSettingsRefused) : library_->OpenFailureReason();
}

void TUsbInterface::Close() {
    if (handle_) {
        handle_->Purge(kFtPurgeRx);
        handle_->Close();
        handle_.reset();
    }
}

std::size_t TUsbInterface::Transact(std::string_view payload, std::span<std::uint8_t> reply,
                                    std::chrono::milliseconds initialWait,
                                    std::size_t expectedLength) {
    SendCommand(payload);
    return ReceiveReply(reply, initialWait, expectedLength);
}

void TUsbInterface::AppendToFrame(std::uint8_t byte) {
    frameBuffer_[frameLength_] = byte;
    ++frameLength_;
}

bool TUsbInterface::Check(FtStatus status) {
    if (IsDeviceGone(status)) {
        gone_ = true;
    }
    return status == FtStatus::Ok;
}

void TUsbInterface::Settle() {
    if (!unsettled_ || !handle_) {
        return;
    }
    const LinkClock::TimePoint start = clock_.Now();
    std::array<std::uint8_t, kReplyBufferSize> dropped{};
    for (LinkClock::TimePoint now = start; !gone_; now = clock_.Now()) {
        const LinkClock::Duration quiet = now - lastActivity_;
        const LinkClock::Duration settling = now - start;
        if (quiet >= kSettleTime || settling >= kLongestSettle) {
            break;
        }
        if (ReadBytes(dropped) > 0) {
            lastActivity_ = clock_.Now();
            NoteIrregularity();
            continue;
        }
        Pause(std::min<LinkClock::Duration>(
            {kSettleTime - quiet, kLongestSettle - settling, kMaxSleep}));
    }
    unsettled_ = false;
}

void TUsbInterface::SettleNow() {
    unsettled_ = handle_ && !gone_;
    Settle();
}

void TUsbInterface::NoteIrregularity() {
    ++counters_.irregularities;
    suspect_ = true;
}

void TUsbInterface::Pause(LinkClock::Duration duration) {
    clock_.SleepFor(duration);
    if (wait_ && clock_.Now() - lastWaitCall_ >= kWaitHandlerPeriod) {
        lastWaitCall_ = clock_.Now();
        wait_();
    }
}

std::size_t TUsbInterface::SendCommand(std::string_view payload) {
    if (payload.empty() || payload.size() > kMaxPayload || gone_) {
        return 0;
    }
    // Stale bytes of an earlier exchange (a late answer to a try that timed
    // out) must never be taken for this command's reply: what may still be
    // on its way is waited for, then everything that arrived is dropped.
    Settle();
    // Bytes that came after the last reply was taken belong to no exchange
    // of ours that is still waiting: something answered late.
    if (QueueCount() > 0) {
        NoteIrregularity();
    }
    PurgeQueues();

    frameLength_ = 0;
    frameSum_ = 0;
    AppendToFrame(kvd::kStx);
    for (char c : payload) {
        const auto byte = static_cast<std::uint8_t>(c);
        AppendToFrame(byte);
        frameSum_ = static_cast<std::uint8_t>(frameSum_ + byte);
    }
    for (char c : ByteToHex(frameSum_)) {
        AppendToFrame(static_cast<std::uint8_t>(c));
    }
    AppendToFrame(kvd::kEtx);
    frameBuffer_[frameLength_] = 0;

    const std::size_t written = WriteText(
        std::string_view(reinterpret_cast<const char*>(frameBuffer_.data()), frameLength_));
    // The box answers after the frame's last byte: the line counts as
    // busy until then.
    lastActivity_ = clock_.Now() + kvd::LineTime(frameLength_);
    return written;
}

std::size_t TUsbInterface::ReceiveReply(std::span<std::uint8_t> reply,
                                        std::chrono::milliseconds initialWait,
                                        std::size_t expectedLength) {
    const std::size_t target = expectedLength <= 1 ? expectedLength : expectedLength + 4;
    if (gone_) {
        return 0;
    }
    if (handle_) {
        handle_->SetTimeouts(kReadTimeoutMs, kWriteTimeoutMs);
    }

    // The wait ends early only when exactly the expected count is waiting.
    // Without any byte it lasts the whole initial wait; each growth of the
    // queue moves the end to 250 ms after that moment, so a reply that keeps
    // arriving is never cut off, and a longer one is taken once the line has
    // been quiet for 250 ms. Between looks at the queue the thread sleeps
    // for at most half a millisecond, so a wait costs next to no processor
    // time and still ends within half a millisecond of its rule. `seen` is as wide as
    // the queue count: a flood of more than 255 bytes cannot wrap it. A box
    // that trickles bytes without end is given up after kLongestWait.
    const LinkClock::TimePoint start = clock_.Now();
    LinkClock::TimePoint deadline = start + initialWait;
    std::uint32_t seen = QueueCount();
    for (LinkClock::TimePoint now = start; now < deadline && now - start < kLongestWait && !gone_;
         now = clock_.Now()) {
        if (QueueCount() > seen) {
            seen = QueueCount();
            lastActivity_ = clock_.Now();
            deadline = lastActivity_ + kQuietLineExtension;
        }
        if (seen == target) {
            break;
        }
        const LinkClock::Duration left = deadline - clock_.Now();
        if (left > LinkClock::Duration::zero()) {
            Pause(std::min<LinkClock::Duration>(left, kMaxSleep));
        }
    }

    std::array<std::uint8_t, kReplyBufferSize> bytes{};
    const std::size_t k = ReadBytes(bytes);
    const std::size_t result = Unframe(std::span(bytes).first(k), reply);
    // The exchange ended cleanly when the box's whole answer came: a single
    // ACK or NAK, or a valid frame of the expected length. Anything else
    // (nothing, noise, a frame cut short or of another length) may still
    // have bytes on their way, which the next command waits out.
    const bool answer = k == 1 && (bytes[0] == kvd::kAck || bytes[0] == kvd::kNak);
    unsettled_ = handle_ && !gone_ && !answer && !(expectedLength > 1 && result == expectedLength);
    if (unsettled_) {
        NoteIrregularity();
    }
    return result;
}

std::size_t TUsbInterface::Unframe(std::span<const std::uint8_t> bytes,
                                   std::span<std::uint8_t> reply) {
    const std::size_t k = bytes.size();
    if (k == 0 || reply.empty()) {
        return 0;
    }
    if (k == 1) {
        reply[0] = bytes[0];
        return 1;
    }
    // The envelope: STX, payload, the payload's sum as two upper-case
    // hexadecimal digits, ETX. Anything else (also lower-case or non-digit
    // checksum characters that happen to give the right value) is no reply.
    if (k < 4 || bytes[0] != kvd::kStx || bytes[k - 1] != kvd::kEtx) {
        return 0;
    }
    const std::string_view frame(reinterpret_cast<const char*>(bytes.data()), k);
    const std::string_view payload = frame.substr(1, k - 4);
    if (frame.substr(k - 3, 2) != ByteToHex(kvd::PayloadSum(payload))) {
        return 0;
    }
    // A reply that does not fit the caller's area is of no use to it; cutting
    // it to size could pass a wrong reply off as one of the expected length.
    if (payload.size() > reply.size()) {
        return 0;
    }
    std::copy(payload.begin(), payload.end(), reply.begin());
    return payload.size();
}

std::uint32_t TUsbInterface::QueueCount() {
    std::uint32_t waiting = 0;
    if (!handle_ || gone_ || !Check(handle_->GetQueueStatus(waiting))) {
        return 0;
    }
    return waiting;
}

std::size_t TUsbInterface::ReadBytes(std::span<std::uint8_t> area) {
    if (!handle_ || gone_) {
        return 0;
    }
    const std::size_t count = std::min<std::size_t>(area.size(), QueueCount());
    if (count == 0) {
        return 0;
    }
    std::uint32_t read = 0;
    if (!Check(handle_->Read(area.first(count), read))) {
        return 0;
    }
    return std::min<std::size_t>(read, count);
}

std::size_t TUsbInterface::WriteText(std::string_view bytes) {
    if (!handle_ || gone_) {
        return 0;
    }
    std::uint32_t written = 0;
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             bytes.size());
    if (!Check(handle_->Write(data, written))) {
        return 0;
    }
    return written;
}

bool TUsbInterface::PurgeQueues() {
    return handle_ && handle_->Purge(kFtPurgeRx | kFtPurgeTx) == FtStatus::Ok;
}

std::uint8_t TUsbInterface::HexDigitValue(char c) {
    const auto byte = static_cast<std::uint8_t>(c);
    return static_cast<std::uint8_t>(byte <= '9' ? byte - 0x30 : byte - 55);
}

LinkResult TUsbInterface::CheckConnection() {
    std::array<std::uint8_t, 1> reply{};
    if (Transact("O", reply, kConnectionWait, 1) == 1 && reply[0] == kvd::kAck) {
        return LinkOk;
    }
    return LinkNoAnswer;
}

std::optional<std::string> TUsbInterface::ReadInterfaceInfo() {
    std::array<std::uint8_t, 16> reply{};
    if (Transact("v", reply, kReplyWait, kInterfaceInfoLength) != kInterfaceInfoLength) {
        return std::nullopt;
    }
    return std::string(reply.begin(), reply.begin() + kInterfaceInfoLength);
}

TUsbInterface::BlockWrite TUsbInterface::WriteBlock(
    std::span<const std::uint8_t, kvd::kMemorySize> image, unsigned address, unsigned count) {
    std::string payload = AddressAndCount('W', address, count);
    for (unsigned i = 0; i < count; ++i) {
        payload += ByteToHex(image[address + i]);
    }
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        std::array<std::uint8_t, 1> reply{};
        const std::size_t n = Transact(payload, reply, kReplyWait, 1);
        if (n == 1 && reply[0] == kvd::kAck) {
            return BlockWrite::Written;
        }
        NoteIrregularity();
        if (attempt == kTries && n == 1 && reply[0] == kvd::kNak) {
            return BlockWrite::Refused;
        }
    }
    return BlockWrite::Unanswered;
}

bool TUsbInterface::ReadBlock(std::span<std::uint8_t, kvd::kMemorySize> buffer, unsigned address,
                              unsigned count, int& triesLeft) {
    const std::string payload = AddressAndCount('R', address, count);
    for (int attempt = 1; attempt <= kTries && triesLeft > 0 && !gone_; ++attempt) {
        --triesLeft;
        std::array<std::uint8_t, kMaxReplyPayload> reply{};
        const std::size_t n = Transact(payload, reply, kReplyWait, 2 * count);
        // The unit's bytes come as upper-case hexadecimal pairs; any other
        // character would decode to a wrong byte, so such a reply is retried.
        const std::string_view digits(reinterpret_cast<const char*>(reply.data()), n);
        if (n != 2 * count || !std::all_of(digits.begin(), digits.end(), kvd::IsUpperHexDigit)) {
            NoteIrregularity();
            continue;
        }
        for (unsigned j = 0; j < count; ++j) {
            buffer[address + j] = static_cast<std::uint8_t>(HexDigitValue(digits[2 * j]) * 16 +
                                                            HexDigitValue(digits[2 * j + 1]));
        }
        return true;
    }
    return false;
}

bool TUsbInterface::ForEachBlock(unsigned first, unsigned last,
                                 const std::function<bool(unsigned, unsigned)>& transfer) {
    // Blocks start at `first` and are 16 bytes long except the last one. A
    // block that fails does not stop the range: the others are still tried.
    const std::size_t blocks = (last - first) / kvd::kMaxBlock + 1;
    // Once the box is gone, the remaining blocks fail without an exchange.
    bool allDone = true;
    std::size_t block = 0;
    for (unsigned address = first; address <= last;) {
        const unsigned count = std::min(kvd::kMaxBlock, last - address + 1);
        allDone = !gone_ && transfer(address, count) && allDone;
        address += count;
        if (progress_) {
            progress_(++block, blocks);
        }
    }
    return allDone;
}

LinkResult TUsbInterface::WriteRange(std::span<const std::uint8_t, kvd::kMemorySize> image,
                                     unsigned first, unsigned last) {
    if (first > last) {
        return LinkOk;
    }
    // Only a block refused on its third try fails the range here; one never
    // answered shows up in the read-back. A box that went away during the
    // range is a failed write at once.
    const bool written =
        last < kvd::kMemorySize && ForEachBlock(first, last, [&](unsigned a, unsigned n) {
            return WriteBlock(image, a, n) != BlockWrite::Refused;
        });
    return written && !gone_ ? LinkOk : LinkWriteError;
}

// The blocks of one range read and what each pass read of them.
struct TUsbInterface::RangeRead {
    static constexpr std::size_t kMostBlocks = kvd::kMemorySize / kvd::kMaxBlock;
    using Bytes = std::array<std::uint8_t, kvd::kMemorySize>;

    RangeRead(unsigned from, unsigned to)
        : first(from), last(to), blocks((to - from) / kvd::kMaxBlock + 1) {}

    unsigned AddressOf(std::size_t b) const {
        return first + static_cast<unsigned>(b) * kvd::kMaxBlock;
    }
    unsigned CountOf(std::size_t b) const {
        return std::min(kvd::kMaxBlock, last - AddressOf(b) + 1);
    }
    void Confirm(std::size_t b, const Bytes& from) {
        confirmed[b] = true;
        std::copy_n(from.begin() + AddressOf(b), CountOf(b), result.begin() + AddressOf(b));
    }
    bool AllConfirmed() const {
        return std::all_of(confirmed.begin(), confirmed.begin() + blocks, [](bool c) { return c; });
    }
    // A pass without any irregularity confirms each block that an earlier
    // pass read the same.
    void ConfirmAgreeing(std::size_t pass) {
        for (std::size_t b = 0; b < blocks; ++b) {
            const auto at = passes[pass].begin() + AddressOf(b);
            for (std::size_t earlier = 0; earlier < pass && !confirmed[b]; ++earlier) {
                if (readIn[earlier][b] &&
                    std::equal(at, at + CountOf(b), passes[earlier].begin() + AddressOf(b))) {
                    Confirm(b, passes[pass]);
                }
            }
        }
    }

    unsigned first;
    unsigned last;
    std::size_t blocks;
    std::array<bool, kMostBlocks> confirmed{};
    std::array<Bytes, kTries> passes{};
    std::array<std::array<bool, kMostBlocks>, kTries> readIn{};
    Bytes result{};
    // The tries of all passes together are what three tries a block have
    // always allowed.
    int triesLeft = 0;
};

bool TUsbInterface::ReadPass(RangeRead& range, std::size_t pass) {
    bool failed = false;
    for (std::size_t b = 0; b < range.blocks; ++b) {
        if (range.confirmed[b]) {
            continue;
        }
        // A block that fails its tries fails the range; the others are
        // still read, as the box has always been asked for them.
        range.readIn[pass][b] =
            ReadBlock(range.passes[pass], range.AddressOf(b), range.CountOf(b), range.triesLeft);
        failed = failed || !range.readIn[pass][b];
        // Read while nothing in the session had gone irregular: no late
        // reply can exist that it could be.
        if (range.readIn[pass][b] && (!suspect_ || !confirmReads_)) {
            range.Confirm(b, range.passes[pass]);
        }
        if (progress_) {
            progress_(b + 1, range.blocks);
        }
    }
    return !failed && !gone_;
}

LinkResult TUsbInterface::ReadRange(std::span<std::uint8_t, kvd::kMemorySize> buffer,
                                    unsigned first, unsigned last) {
    if (first > last) {
        return LinkOk;
    }
    if (last >= kvd::kMemorySize) {
        ++counters_.readsGivenUp;
        return LinkReadError;
    }
    RangeRead range(first, last);
    range.triesLeft = kTries * static_cast<int>(range.blocks);
    // A range read in a session where something already went irregular
    // starts on a quiet line, so that what an earlier exchange still sends
    // does not land in it.
    if (suspect_ && confirmReads_) {
        SettleNow();
    }
    for (std::size_t pass = 0; pass < range.passes.size(); ++pass) {
        counters_.confirmingPasses += pass > 0 ? 1 : 0;
        const std::size_t irregularitiesBefore = counters_.irregularities;
        if (!ReadPass(range, pass) || range.AllConfirmed()) {
            break;
        }
        // What still arrives after the pass belongs to it: a reply taken
        // for another block leaves the real one behind.
        SettleNow();
        if (counters_.irregularities == irregularitiesBefore) {
            range.ConfirmAgreeing(pass);
        }
        if (range.AllConfirmed()) {
            break;
        }
    }
    for (std::size_t b = 0; b < range.blocks; ++b) {
        if (range.confirmed[b]) {
            std::copy_n(range.result.begin() + range.AddressOf(b), range.CountOf(b),
                        buffer.begin() + range.AddressOf(b));
        }
    }
    if (!range.AllConfirmed()) {
        ++counters_.readsGivenUp;
        return LinkReadError;
    }
    return LinkOk;
}

LinkResult TUsbInterface::ReadImage(std::span<std::uint8_t, kvd::kMemorySize> buffer) {
    return ReadRange(buffer, 0, kvd::kMemorySize - 1);
}

}  // namespace qzt
