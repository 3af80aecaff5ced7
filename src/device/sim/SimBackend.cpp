#include "device/sim/SimBackend.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <deque>
#include <optional>

#include "core/FileSystem.h"
#include "device/link/KvdProtocol.h"
#include "device/sim/KvdBox.h"
#include "device/sim/SimUnitFile.h"
#include "text/Text.h"

namespace qzt {

namespace {

// The faults of a box without a unit behind it: those of the options, and
// no unit for as long as the session lasts.
std::vector<SimFault> WithoutUnit(std::vector<SimFault> faults) {
    faults.push_back(SimFault{SimFaultKind::NoUnit});
    return faults;
}

}  // namespace

struct SimLibrary::State {
    SimSettings settings;
    VirtualLinkClock virtualClock;
    SimTraffic traffic;
    std::deque<std::string> scriptedReplies;
    bool open = false;
    bool unplugged = false;
    // A queue of units (the path is a folder): the unit files, taken at the
    // first open; `current` is the connected one, units->size() when the
    // technician has taken the last one away.
    std::optional<std::vector<std::string>> units;
    std::size_t current = 0;
    unsigned sessionsWithCurrent = 0;
    SimLibrary::UnitChooser chooser;

    LinkClock& Clock() {
        return settings.zeroTime ? static_cast<LinkClock&>(virtualClock) : SteadyLinkClock();
    }

    // Lists the folder's units once, filling a folder without any with fresh
    // ones. False (nothing taken) when the folder cannot be read or no unit
    // could be made in it.
    bool TakeQueue() {
        std::optional<std::vector<std::string>> listed = ListSimUnitFiles(settings.path);
        if (listed && listed->empty()) {
            FillWithFreshUnits(settings.path);
            listed = ListSimUnitFiles(settings.path);
        }
        if (!listed || listed->empty()) {
            return false;
        }
        units = std::move(listed);
        return true;
    }

    // The unit connected now, loaded as its file is at this moment, with
    // the faults of its session; a unit whose file (or faults file) cannot
    // be loaded is broken, and the technician moves on to the next. No file
    // once the queue is done: the box without a unit.
    struct Connected {
        std::optional<SimUnitFile> file;
        std::vector<SimFault> faults;
    };
    Connected ConnectUnit() {
        if (chooser) {
            const std::optional<std::string> chosen = chooser();
            std::optional<Connected> unit = chosen ? Load(*chosen) : std::nullopt;
            return unit ? std::move(*unit) : Connected{std::nullopt, WithoutUnit(settings.faults)};
        }
        for (; current < units->size(); ++current, sessionsWithCurrent = 0) {
            if (std::optional<Connected> unit = Load((*units)[current])) {
                ++sessionsWithCurrent;
                return std::move(*unit);
            }
        }
        return {std::nullopt, WithoutUnit(settings.faults)};
    }

    // A unit file with its faults; nothing for a broken unit.
    std::optional<Connected> Load(const std::string& unitFile) const {
        std::optional<SimUnitFile> file = SimUnitFile::Load(unitFile);
        std::optional<std::vector<SimFault>> faults = file ? UnitFaults(unitFile) : std::nullopt;
        if (!faults) {
            return std::nullopt;
        }
        return Connected{std::move(file), std::move(*faults)};
    }

    // The connected unit's own faults, from NAME.faults beside its file
    // (the --sim-faults syntax), after those of the options: one unit of a
    // ward can misbehave. A list that does not parse makes the unit broken.
    std::optional<std::vector<SimFault>> UnitFaults(const std::string& unitFile) const {
        std::vector<SimFault> faults = settings.faults;
        Result<std::string> text =
            ReadWholeFile(unitFile + std::string(kSimUnitFaultsSuffix), 4096);
        if (!text) {
            // No file: no faults of its own; one that cannot be read: broken.
            return text.error().code == ENOENT ? std::optional(faults) : std::nullopt;
        }
        // One fault a line is a list too.
        std::replace(text->begin(), text->end(), '\n', ',');
        while (!text->empty() &&
               (text->back() == ',' || std::isspace(static_cast<unsigned char>(text->back())))) {
            text->pop_back();
        }
        const Result<std::vector<SimFault>> own = ParseSimFaults(*text);
        if (!own) {
            return std::nullopt;
        }
        faults.insert(faults.end(), own->begin(), own->end());
        return faults;
    }

    // The program looked at the unit again without writing to it: it is
    // done with this one, and the technician takes it away. The first
    // session with a unit is the program noticing it, so it never ends a
    // turn.
    void EndSession(bool wrote) {
        if (!chooser && !wrote && sessionsWithCurrent > 1) {
            ++current;
            sessionsWithCurrent = 0;
        }
    }
};

namespace {

void KeepFrame(SimTraffic& traffic, const std::string& frame) {
    ++traffic.frameCount;
    if (traffic.frames.size() == SimTraffic::kKeptFrames) {
        traffic.frames.erase(traffic.frames.begin(),
                             traffic.frames.begin() + SimTraffic::kKeptFrames / 2);
    }
    traffic.frames.push_back(frame);
}

class SimHandle : public FtHandle {
  public:
    // `file` null: the box has no unit (the queue is done).
    SimHandle(std::shared_ptr<SimLibrary::State> state, std::optional<SimUnitFile> file,
              std::vector<SimFault> faults)
        : state_(std::move(state)),
          clock_(state_->Clock()),
          file_(std::move(file)),
          box_(file_ ? file_->Memory() : ConfigImage{}, std::move(faults)) {
        state_->open = true;
        ++state_->traffic.opens;
    }

    ~SimHandle() override { Close(); }

    FtStatus SetBaudRate(std::uint32_t baudRate) override {
        if (closed_) {
            return FtStatus::InvalidHandle;
        }
        if (baudRate < 300 || baudRate > 3'000'000) {
            return FtStatus::InvalidBaudRate;
        }
        baudRate_ = baudRate;
        return FtStatus::Ok;
    }

    FtStatus SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override {
        if (closed_) {
            return FtStatus::InvalidHandle;
        }
        if ((wordLength != kFtBits7 && wordLength != kFtBits8) ||
            (stopBits != kFtStopBits1 && stopBits != kFtStopBits2) || parity > 4) {
            return FtStatus::InvalidParameter;
        }
        wordLength_ = wordLength;
        stopBits_ = stopBits;
        parity_ = parity;
        return FtStatus::Ok;
    }

    FtStatus SetFlowControl(std::uint16_t, std::uint8_t, std::uint8_t) override {
        return closed_ ? FtStatus::InvalidHandle : FtStatus::Ok;
    }

    FtStatus ClrDtr() override { return closed_ ? FtStatus::InvalidHandle : FtStatus::Ok; }

    FtStatus Purge(std::uint32_t mask) override {
        if (closed_) {
            return FtStatus::InvalidHandle;
        }
        // Only what has reached the chip can be dropped; a reply still on
        // the wire comes in afterwards. What the program sent is with the
        // box already.
        if (mask & kFtPurgeRx) {
            const auto now = clock_.Now();
            while (!received_.empty() && received_.front().at <= now) {
                received_.pop_front();
            }
        }
        return FtStatus::Ok;
    }

    FtStatus SetTimeouts(std::uint32_t readMs, std::uint32_t) override {
        if (closed_) {
            return FtStatus::InvalidHandle;
        }
        readTimeout_ = std::chrono::milliseconds(readMs);
        return FtStatus::Ok;
    }

    FtStatus GetQueueStatus(std::uint32_t& waiting) override {
        waiting = 0;
        if (closed_) {
            return FtStatus::InvalidHandle;
        }
        if (Gone()) {
            return FtStatus::IoError;
        }
        waiting = static_cast<std::uint32_t>(Arrived(clock_.Now()));
        return FtStatus::Ok;
    }

    FtStatus Read(std::span<std::uint8_t> buffer, std::uint32_t& read) override {
        read = 0;
        if (closed_) {
            return FtStatus::InvalidHandle;
        }
        if (Gone()) {
            return FtStatus::IoError;
        }
        const auto deadline = clock_.Now() + readTimeout_;
        while (true) {
            const auto now = clock_.Now();
            while (read < buffer.size() && !received_.empty() && received_.front().at <= now) {
                buffer[read++] = received_.front().byte;
                received_.pop_front();
            }
            if (read == buffer.size() || now >= deadline) {
                return FtStatus::Ok;
            }
            auto until = deadline;
            if (!received_.empty()) {
                until = std::min(until, received_.front().at);
            }
            clock_.SleepFor(until - now);
        }
    }

    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override {
        written = 0;
        if (closed_) {
            return FtStatus::InvalidHandle;
        }
        if (Gone()) {
            return FtStatus::IoError;
        }
        const auto start = std::max(clock_.Now(), hostLineFree_);
        const bool understood = baudRate_ == kvd::kBaudRate && wordLength_ == kFtBits8 &&
                                stopBits_ == kFtStopBits2 && parity_ == kFtParityNone;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (!understood) {
                continue;
            }
            std::optional<KvdBox::Exchange> exchange = box_.Receive(bytes[i]);
            if (!exchange) {
                continue;
            }
            KeepFrame(state_->traffic, exchange->frame);
            if (exchange->frame.size() > 1 && exchange->frame[1] == 'W') {
                wrote_ = true;
            }
            if (exchange->unplugged) {
                // The unit keeps what it was given before the box went.
                Unplugged(start + kvd::LineTime(i + 1));
                break;
            }
            if (!state_->scriptedReplies.empty()) {
                exchange->answer = std::move(state_->scriptedReplies.front());
                state_->scriptedReplies.pop_front();
            }
            SendToProgram(*exchange, start + kvd::LineTime(i + 1));
        }
        hostLineFree_ = start + kvd::LineTime(bytes.size());
        state_->traffic.bytesToBox += bytes.size();
        written = static_cast<std::uint32_t>(bytes.size());
        return FtStatus::Ok;
    }

    FtStatus Close() override {
        if (closed_) {
            return FtStatus::InvalidHandle;
        }
        closed_ = true;
        if (file_ && box_.Changed() && !box_.Gone()) {
            file_->Save(box_.Memory());
        }
        if (file_ && state_->units) {
            state_->EndSession(wrote_);
        }
        state_->open = false;
        ++state_->traffic.closes;
        return FtStatus::Ok;
    }

  private:
    struct Arrival {
        std::chrono::steady_clock::time_point at;
        std::uint8_t byte;
    };

    // The box goes as the frame's last byte reaches it: from then on the
    // chip is gone for the program too.
    void Unplugged(std::chrono::steady_clock::time_point at) {
        if (file_ && box_.Changed()) {
            file_->Save(box_.Memory());
        }
        state_->unplugged = true;
        state_->traffic.unpluggedAt = at;
        goneAt_ = at;
    }

    bool Gone() const { return goneAt_ && clock_.Now() >= *goneAt_; }

    // The box starts each piece of a reply once the frame is in (or the
    // piece before it was sent), its delay has passed and its own line is
    // free; the chip passes a piece on one latency period after its last
    // byte.
    void SendToProgram(const KvdBox::Exchange& exchange,
                       std::chrono::steady_clock::time_point frameEnd) {
        auto ready = frameEnd;
        for (const KvdBox::Piece& piece : exchange.Pieces()) {
            const auto start = std::max(ready + piece.after, boxLineFree_);
            boxLineFree_ = start + kvd::LineTime(piece.bytes.size());
            ready = boxLineFree_;
            const auto visible = boxLineFree_ + state_->settings.ChipLatency();
            for (char c : piece.bytes) {
                received_.push_back({visible, static_cast<std::uint8_t>(c)});
            }
            state_->traffic.bytesFromBox += piece.bytes.size();
        }
    }

    std::size_t Arrived(std::chrono::steady_clock::time_point now) const {
        std::size_t count = 0;
        while (count < received_.size() && received_[count].at <= now) {
            ++count;
        }
        return count;
    }

    std::shared_ptr<SimLibrary::State> state_;
    LinkClock& clock_;
    std::optional<SimUnitFile> file_;
    KvdBox box_;
    bool closed_ = false;
    // The box received a block write (even one it refused) in this session.
    bool wrote_ = false;
    // The chip's power-on settings until the program sets its own.
    std::uint32_t baudRate_ = 9600;
    std::uint8_t wordLength_ = kFtBits8;
    std::uint8_t stopBits_ = kFtStopBits1;
    std::uint8_t parity_ = kFtParityNone;
    LinkClock::Duration readTimeout_{};
    std::deque<Arrival> received_;
    std::optional<std::chrono::steady_clock::time_point> goneAt_;
    std::chrono::steady_clock::time_point hostLineFree_{};
    std::chrono::steady_clock::time_point boxLineFree_{};
};

}  // namespace

SimLibrary::SimLibrary(SimSettings settings) : state_(std::make_shared<State>()) {
    state_->settings = std::move(settings);
}

SimLibrary::~SimLibrary() = default;

FtStatus SimLibrary::OpenByDescription(std::string_view description,
                                       std::unique_ptr<FtHandle>& handle) {
    // Like the chip: a box in use by another handle cannot be opened again.
    problem_.clear();
    if (state_->settings.Has(SimFaultKind::NoBox) || description != kvd::kDescription ||
        state_->unplugged) {
        problem_ = Text(txt::ReasonNoBox);
        return FtStatus::DeviceNotFound;
    }
    const std::string& path = state_->settings.path;
    if (state_->units || IsSimUnitFolder(path)) {
        if (state_->open || (!state_->units && !state_->TakeQueue())) {
            problem_ = TextF(txt::ReasonSimQueueUnavailable, path);
            return FtStatus::DeviceNotFound;
        }
        State::Connected unit = state_->ConnectUnit();
        handle = std::make_unique<SimHandle>(state_, std::move(unit.file), std::move(unit.faults));
        return FtStatus::Ok;
    }
    std::optional<SimUnitFile> file = state_->open ? std::nullopt : SimUnitFile::LoadOrCreate(path);
    if (!file) {
        problem_ = TextF(txt::ReasonSimUnavailable, path);
        return FtStatus::DeviceNotFound;
    }
    handle = std::make_unique<SimHandle>(state_, std::move(file), state_->settings.faults);
    return FtStatus::Ok;
}

LinkClock& SimLibrary::Clock() {
    return state_->Clock();
}

const SimSettings& SimLibrary::Settings() const {
    return state_->settings;
}

bool SimLibrary::IsOpen() const {
    return state_->open;
}

const SimTraffic& SimLibrary::Traffic() const {
    return state_->traffic;
}

const std::vector<std::string>& SimLibrary::Units() const {
    static const std::vector<std::string> none;
    return state_->units ? *state_->units : none;
}

std::size_t SimLibrary::UnitsTaken() const {
    return state_->units ? state_->current : 0;
}

void SimLibrary::ClearTraffic() {
    state_->traffic = SimTraffic{};
}

void SimLibrary::ChooseUnitsWith(UnitChooser chooser) {
    state_->chooser = std::move(chooser);
}

void SimLibrary::ScriptReplies(std::vector<std::string> replies) {
    state_->scriptedReplies.assign(std::make_move_iterator(replies.begin()),
                                   std::make_move_iterator(replies.end()));
}

std::chrono::nanoseconds SimLibrary::LineLowerBound() const {
    const SimTraffic& traffic = state_->traffic;
    return kvd::LineTime(traffic.bytesToBox + traffic.bytesFromBox) +
           std::chrono::duration_cast<std::chrono::nanoseconds>(state_->settings.ChipLatency()) *
               static_cast<std::int64_t>(traffic.frameCount);
}

}  // namespace qzt
