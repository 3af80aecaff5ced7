// Any bytes arriving from the box after any command: the input is a list of
// commands, each followed by the reply the box sends (a length byte, then
// that many bytes). The link must never read out of bounds, hang, or hand
// on more than the caller's area holds.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <span>

#include "device/link/D2xx.h"
#include "device/link/LinkClock.h"
#include "device/link/TUsbInterface.h"

using namespace qzt;

namespace {

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
    std::span<const std::uint8_t> Bytes(std::size_t n) {
        n = std::min(n, size_ - std::min(at_, size_));
        std::span<const std::uint8_t> s(data_ + at_, n);
        at_ += n;
        return s;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A chip that answers every frame written to it with the next reply of the
// input, at once.
class ScriptedChip : public FtHandle {
  public:
    explicit ScriptedChip(Input& input) : input_(input) {}
    FtStatus SetBaudRate(std::uint32_t) override { return FtStatus::Ok; }
    FtStatus SetDataCharacteristics(std::uint8_t, std::uint8_t, std::uint8_t) override {
        return FtStatus::Ok;
    }
    FtStatus SetFlowControl(std::uint16_t, std::uint8_t, std::uint8_t) override {
        return FtStatus::Ok;
    }
    FtStatus ClrDtr() override { return FtStatus::Ok; }
    FtStatus Purge(std::uint32_t mask) override {
        if (mask & kFtPurgeRx) {
            waiting_.clear();
        }
        return FtStatus::Ok;
    }
    FtStatus SetTimeouts(std::uint32_t, std::uint32_t) override { return FtStatus::Ok; }
    FtStatus GetQueueStatus(std::uint32_t& waiting) override {
        waiting = static_cast<std::uint32_t>(waiting_.size());
        return FtStatus::Ok;
    }
    FtStatus Read(std::span<std::uint8_t> buffer, std::uint32_t& read) override {
        const std::size_t n = std::min(buffer.size(), waiting_.size());
        std::copy_n(waiting_.begin(), n, buffer.begin());
        waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(n));
        read = static_cast<std::uint32_t>(n);
        return FtStatus::Ok;
    }
    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override {
        // A length byte of 255 stands for a long flood of line noise.
        const std::uint8_t length = input_.Byte();
        if (length == 255) {
            waiting_.insert(waiting_.end(), 1000, input_.Byte());
        } else {
            for (std::uint8_t b : input_.Bytes(length)) {
                waiting_.push_back(b);
            }
        }
        written = static_cast<std::uint32_t>(bytes.size());
        return FtStatus::Ok;
    }
    FtStatus Close() override { return FtStatus::Ok; }

  private:
    Input& input_;
    std::deque<std::uint8_t> waiting_;
};

class ScriptedLibrary : public FtLibrary {
  public:
    explicit ScriptedLibrary(Input& input) : input_(input) {}
    FtStatus OpenByDescription(std::string_view, std::unique_ptr<FtHandle>& handle) override {
        handle = std::make_unique<ScriptedChip>(input_);
        return FtStatus::Ok;
    }
    LinkClock& Clock() override { return clock_; }

  private:
    Input& input_;
    VirtualLinkClock clock_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    TUsbInterface link(std::make_shared<ScriptedLibrary>(input));
    if (link.Open() != LinkOk) {
        std::abort();
    }
    std::array<std::uint8_t, 256> memory{};
    for (int commands = 0; !input.Empty() && commands < 64; ++commands) {
        const std::uint8_t command = input.Byte();
        const unsigned first = input.Byte();
        const unsigned last = std::min<unsigned>(255, first + input.Byte() % 48);
        switch (command % 5) {
            case 0:
                link.CheckConnection();
                break;
            case 1: {
                const std::optional<std::string> text = link.ReadInterfaceInfo();
                if (text && text->size() != 11) {
                    std::abort();
                }
                break;
            }
            case 2:
                link.ReadRange(memory, first, last);
                break;
            case 3:
                link.WriteRange(memory, first, last);
                break;
            case 4: {
                std::array<std::uint8_t, 8> small{};
                if (link.Transact("R00F004", small, std::chrono::milliseconds(250), 8) >
                    small.size()) {
                    std::abort();
                }
                break;
            }
        }
    }
    link.Close();
    return 0;
}
