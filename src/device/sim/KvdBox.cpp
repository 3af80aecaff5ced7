#include "device/sim/KvdBox.h"

#include "device/link/KvdProtocol.h"
#include "text/HexText.h"

namespace qzt {
namespace {

constexpr unsigned kProductInformationStart = 240;

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

}  // namespace

KvdBox::KvdBox(const ConfigImage& memory, std::vector<SimFault> faults) : memory_(memory) {
    for (const SimFault& fault : faults) {
        faults_.push_back({fault});
    }
}

bool KvdBox::Strikes(SimFaultKind kind, unsigned address, unsigned count) {
    for (ActiveFault& active : faults_) {
        const SimFault& fault = active.fault;
        if (fault.kind != kind) {
            continue;
        }
        if (fault.address && (*fault.address < address || *fault.address >= address + count)) {
            continue;
        }
        if (fault.count && active.used >= *fault.count) {
            continue;
        }
        ++active.used;
        return true;
    }
    return false;
}

std::optional<KvdBox::Exchange> KvdBox::Receive(std::uint8_t byte) {
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
    // A frame longer than the box's buffer is refused as a whole.
    exchange.answer = overflow_ ? Single(kvd::kNak)
                                : Answer(std::string_view(frame_).substr(1, frame_.size() - 2));
    if (!exchange.answer.empty() && Strikes(SimFaultKind::StrayBytes)) {
        exchange.answer.insert(0, kStrayBytes);
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
        if (i < kProductInformationStart && memory_[i] != written[i]) {
            memory_[i] = written[i];
            changed_ = true;
        }
    }
    return Single(kvd::kAck);
}

}  // namespace qzt
