#include "device/sim/KvdBox.h"

#include "device/link/KvdProtocol.h"
#include "text/HexText.h"

namespace qzt {
namespace {

std::string Single(std::uint8_t byte) {
    return std::string(1, static_cast<char>(byte));
}

struct Block {
    unsigned address;
    unsigned count;
};

// "R"/"W", four address digits, two count digits; the block must lie inside
// the unit's memory.
std::optional<Block> ParseBlock(std::string_view payload) {
    if (payload.size() < 7) {
        return std::nullopt;
    }
    const auto address = kvd::ParseUpperHex(payload.substr(1, 4));
    const auto count = kvd::ParseUpperHex(payload.substr(5, 2));
    if (!address || !count || *address > 0xFF || *count < 1 || *count > kvd::kMaxBlock ||
        *address + *count > kvd::kMemorySize) {
        return std::nullopt;
    }
    return Block{*address, *count};
}

// The block a frame's body (payload and checksum) reads or writes, for the
// faults that apply to the blocks covering one address.
std::optional<Block> BlockOfBody(std::string_view body) {
    if (body.size() < 3 || (body.front() != 'R' && body.front() != 'W')) {
        return std::nullopt;
    }
    return ParseBlock(body.substr(0, body.size() - 2));
}

// A fault with an address strikes only the blocks that hold it.
bool Covers(const SimFault& fault, const Block& block) {
    return !fault.address ||
           (*fault.address >= block.address && *fault.address < block.address + block.count);
}

}  // namespace

std::vector<KvdBox::Piece> KvdBox::Exchange::Pieces() const {
    std::vector<Piece> pieces;
    if (answer.empty()) {
        return pieces;
    }
    std::chrono::milliseconds first = delay;
    if (!garbage.empty()) {
        pieces.push_back({delay, garbage});
        first = garbageLead;
    }
    if (splitGap.count() <= 0 || answer.size() < 3) {
        pieces.push_back({first, answer});
        return pieces;
    }
    const std::size_t third = answer.size() / 3;
    pieces.push_back({first, answer.substr(0, third)});
    pieces.push_back({splitGap, answer.substr(third, third)});
    pieces.push_back({splitGap, answer.substr(2 * third)});
    return pieces;
}

KvdBox::KvdBox(const ConfigImage& memory, std::vector<SimFault> faults) : memory_(memory) {
    for (const SimFault& fault : faults) {
        faults_.push_back({fault});
    }
}

KvdBox::ActiveFault* KvdBox::Strike(SimFaultKind kind, unsigned address, unsigned count) {
    for (ActiveFault& active : faults_) {
        const SimFault& fault = active.fault;
        if (fault.kind != kind) {
            continue;
        }
        if (!Covers(fault, Block{address, count})) {
            continue;
        }
        if (fault.count && active.used >= *fault.count) {
            continue;
        }
        ++active.used;
        return &active;
    }
    return nullptr;
}

bool KvdBox::Strikes(SimFaultKind kind, unsigned address, unsigned count) {
    return Strike(kind, address, count) != nullptr;
}

KvdBox::ActiveFault* KvdBox::StrikeFrame(SimFaultKind kind, std::string_view body) {
    // A frame that reads or writes no block is struck only by faults without
    // an address.
    const Block block = BlockOfBody(body).value_or(Block{0, 0});
    return Strike(kind, block.address, block.count);
}

std::optional<unsigned> KvdBox::StrikeValue(SimFaultKind kind, std::string_view body,
                                            unsigned fallback) {
    const ActiveFault* struck = StrikeFrame(kind, body);
    return struck ? std::optional(struck->fault.value.value_or(fallback)) : std::nullopt;
}

bool KvdBox::UnplugStrikes(std::string_view body) {
    // Every frame an unplug applies to counts; the box goes at the N-th.
    const Block block = BlockOfBody(body).value_or(Block{0, 0});
    for (ActiveFault& active : faults_) {
        if (active.fault.kind == SimFaultKind::Unplug && Covers(active.fault, block) &&
            ++active.used == active.fault.value.value_or(1)) {
            return true;
        }
    }
    return false;
}

std::optional<KvdBox::Exchange> KvdBox::Receive(std::uint8_t byte) {
    if (gone_) {
        return std::nullopt;
    }
    if (byte == kvd::kStx) {
        inFrame_ = true;
        overflow_ = false;
        frame_.assign(1, static_cast<char>(byte));
        return std::nullopt;
    }
    if (!inFrame_) {
        return std::nullopt;
    }
    if (byte != kvd::kEtx) {
        if (frame_.size() < kMaxFrame) {
            frame_ += static_cast<char>(byte);
        } else {
            overflow_ = true;
        }
        return std::nullopt;
    }
    inFrame_ = false;
    frame_ += static_cast<char>(byte);
    Exchange exchange;
    exchange.frame = frame_;
    const std::string_view body = std::string_view(frame_).substr(1, frame_.size() - 2);
    if (UnplugStrikes(body)) {
        gone_ = true;
        exchange.unplugged = true;
        return exchange;
    }
    // A frame longer than the box's buffer is refused as a whole.
    exchange.answer = overflow_ ? Single(kvd::kNak) : Answer(body);
    if (exchange.answer.empty()) {
        return exchange;
    }
    if (Strikes(SimFaultKind::StrayBytes)) {
        exchange.answer.insert(0, kStrayBytes);
    }
    using std::chrono::milliseconds;
    if (const auto slow = StrikeValue(SimFaultKind::SlowBox, body, 220)) {
        exchange.delay = milliseconds(*slow);
    }
    if (const auto late = StrikeValue(SimFaultKind::LateReplies, body, 260)) {
        exchange.delay = milliseconds(*late);
    }
    if (const auto gap = StrikeValue(SimFaultKind::SplitReplies, body, 100)) {
        exchange.splitGap = milliseconds(*gap);
    }
    if (const auto lead = StrikeValue(SimFaultKind::GarbageBefore, body, 5)) {
        exchange.garbage = kGarbage;
        exchange.garbageLead = milliseconds(*lead);
    }
    return exchange;
}

std::string KvdBox::Answer(std::string_view body) {
    if (body.size() < 3) {
        return Single(kvd::kNak);
    }
    const std::string_view payload = body.substr(0, body.size() - 2);
    if (body.substr(body.size() - 2) != ByteToHex(kvd::PayloadSum(payload))) {
        return Single(kvd::kNak);
    }
    if (payload == "v") {
        return kvd::BuildFrame(kInfoText);
    }
    if (payload == "O") {
        return Strikes(SimFaultKind::NoUnit) ? std::string() : Single(kvd::kAck);
    }
    if (payload.front() == 'R') {
        return AnswerRead(payload);
    }
    if (payload.front() == 'W') {
        return AnswerWrite(payload);
    }
    return Single(kvd::kNak);
}

std::string KvdBox::AnswerRead(std::string_view payload) {
    const std::optional<Block> block = ParseBlock(payload);
    if (!block || payload.size() != 7) {
        return Single(kvd::kNak);
    }
    if (Strikes(SimFaultKind::NoUnit) ||
        Strikes(SimFaultKind::SilentReads, block->address, block->count)) {
        return {};
    }
    std::string data;
    for (unsigned i = block->address; i < block->address + block->count; ++i) {
        std::uint8_t value = memory_[i];
        if (i == kProductTypeOffset && Strikes(SimFaultKind::WrongProduct)) {
            value = kQztProductType - 1;
        }
        data += ByteToHex(value);
    }
    std::string frame = kvd::BuildFrame(data);
    if (Strikes(SimFaultKind::CorruptReads, block->address, block->count)) {
        // One off in the low checksum digit, still a hexadecimal digit.
        char& digit = frame[frame.size() - 2];
        digit = digit == 'F' ? 'E' : (digit == '9' ? 'A' : static_cast<char>(digit + 1));
    }
    return frame;
}

std::string KvdBox::AnswerWrite(std::string_view payload) {
    const std::optional<Block> block = ParseBlock(payload);
    if (!block || payload.size() != 7 + 2 * block->count) {
        return Single(kvd::kNak);
    }
    ConfigImage written = memory_;
    for (unsigned i = 0; i < block->count; ++i) {
        const auto value = kvd::ParseUpperHex(payload.substr(7 + 2 * i, 2));
        if (!value) {
            return Single(kvd::kNak);
        }
        written[block->address + i] = static_cast<std::uint8_t>(*value);
    }
    if (Strikes(SimFaultKind::NoUnit) ||
        Strikes(SimFaultKind::SilentWrites, block->address, block->count)) {
        return {};
    }
    if (Strikes(SimFaultKind::NakWrites, block->address, block->count)) {
        return Single(kvd::kNak);
    }
    for (unsigned i = block->address; i < block->address + block->count; ++i) {
        if (i < kProductInformation.first && memory_[i] != written[i]) {
            memory_[i] = written[i];
            changed_ = true;
        }
    }
    // Written all the same: the program cannot know.
    if (Strikes(SimFaultKind::LostAcks, block->address, block->count)) {
        return {};
    }
    return Single(kvd::kAck);
}

}  // namespace qzt
