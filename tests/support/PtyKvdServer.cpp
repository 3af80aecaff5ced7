#include "PtyKvdServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <vector>

#include "core/FileHandle.h"
#include "device/link/KvdProtocol.h"

namespace qzt {
namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

PtyKvdServer::PtyKvdServer(SimSettings settings) : settings_(std::move(settings)) {}

PtyKvdServer::~PtyKvdServer() {
    Stop();
}

bool PtyKvdServer::Start() {
    if (thread_.joinable()) {
        return true;
    }
    file_ = SimUnitFile::LoadOrCreate(settings_.path);
    if (!file_) {
        return false;
    }
    box_.emplace(file_->Memory(), settings_.faults);
    saved_ = false;

    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    const char* name = master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0
                           ? ::ptsname(master_)
                           : nullptr;
    if (name != nullptr) {
        portPath_ = name;
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    int wake[2] = {-1, -1};
    if (slave_ < 0 || ::pipe2(wake, O_CLOEXEC) != 0) {
        CloseFd(slave_);
        CloseFd(master_);
        return false;
    }
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    // Raw until the program sets its own settings: no echo of the answers.
    termios t{};
    if (::tcgetattr(slave_, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(slave_, TCSANOW, &t);
    }
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void PtyKvdServer::Serve() {
    using Clock = std::chrono::steady_clock;
    // Pieces of answers not yet sent, in the order the box sends them.
    struct Due {
        Clock::time_point at;
        std::string bytes;
    };
    std::deque<Due> due;
    Clock::time_point lineFree{};
    std::array<std::uint8_t, 256> chunk{};
    while (true) {
        while (!due.empty() && due.front().at <= Clock::now()) {
            if (!WriteAll(master_, due.front().bytes)) {
                return;
            }
            due.pop_front();
        }
        int timeout = -1;
        if (!due.empty()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(due.front().at - Clock::now());
            timeout = static_cast<int>(std::max<std::int64_t>(0, left.count()));
        }
        std::array<pollfd, 2> fds{{{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}}};
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents == 0) {
            continue;
        }
        const ssize_t n = ::read(master_, chunk.data(), chunk.size());
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            return;
        }
        const Clock::time_point frameEnd = Clock::now();
        std::vector<KvdBox::Exchange> exchanges;
        {
            std::lock_guard lock(mutex_);
            for (ssize_t i = 0; i < n; ++i) {
                if (auto exchange = box_->Receive(chunk[static_cast<std::size_t>(i)])) {
                    exchanges.push_back(std::move(*exchange));
                }
            }
        }
        for (const KvdBox::Exchange& exchange : exchanges) {
            if (exchange.unplugged) {
                Unplug();
                return;
            }
            // Each piece `after` its delay from the frame's end or the piece
            // before, and only once the box's line is free: the box sends
            // one answer after the other, each taking its time on the line.
            Clock::time_point previous = frameEnd;
            for (const KvdBox::Piece& piece : exchange.Pieces()) {
                const Clock::time_point start = std::max(previous + piece.after, lineFree);
                lineFree = start + std::chrono::duration_cast<Clock::duration>(
                                       kvd::LineTime(piece.bytes.size()));
                previous = start;
                due.push_back({start, piece.bytes});
            }
        }
    }
}

void PtyKvdServer::Unplug() {
    {
        std::lock_guard lock(mutex_);
        if (box_->Changed()) {
            saved_ = file_->Save(box_->Memory());
        }
    }
    CloseFd(master_);
}

void PtyKvdServer::Stop() {
    if (thread_.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &stop, 1);
        thread_.join();
    }
    CloseFd(wakeRead_);
    CloseFd(wakeWrite_);
    CloseFd(slave_);
    CloseFd(master_);
    std::lock_guard lock(mutex_);
    if (box_ && box_->Changed() && !saved_) {
        saved_ = file_->Save(box_->Memory());
    }
}

ConfigImage PtyKvdServer::Memory() const {
    std::lock_guard lock(mutex_);
    return box_ ? box_->Memory() : (file_ ? file_->Memory() : ConfigImage{});
}

}  // namespace qzt
