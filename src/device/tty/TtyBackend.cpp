#include "device/tty/TtyBackend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "device/link/KvdProtocol.h"
#include "device/sysfs/KernelDevices.h"
#include "text/Text.h"

namespace qzt {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kLatencyTimerMs = 2;

// Where the ftdi_sio driver shows a port's latency timer: beside the port's
// node under the tty class, by the name the port was given or the name its
// link resolves to (/dev/serial/by-id/... -> ttyUSB0).
std::optional<fs::path> LatencyTimerOf(const std::string& port, const TtyPaths& paths) {
    std::error_code ec;
    const fs::path resolved = fs::canonical(port, ec);
    for (const fs::path& name : {fs::path(port).filename(), resolved.filename()}) {
        const fs::path attribute =
            fs::path(paths.sysfsRoot) / "class/tty" / name / "device/latency_timer";
        if (!name.empty() && fs::exists(attribute, ec)) {
            return attribute;
        }
    }
    return std::nullopt;
}

// A latency timer value as sysfs shows it: whole milliseconds.
std::optional<unsigned> LatencyValue(const std::string& text) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return static_cast<unsigned>(std::stoul(text));
}

// Lowers the port's latency timer to kLatencyTimerMs where it is higher and
// the attribute is writable for us; returns the timer the chip then runs at,
// or zero when the port shows none (a pseudo-terminal, another driver).
std::chrono::milliseconds LowerLatencyTimer(const std::string& port, const TtyPaths& paths) {
    const std::optional<fs::path> attribute = LatencyTimerOf(port, paths);
    if (!attribute) {
        return {};
    }
    std::optional<unsigned> current = LatencyValue(ReadSysfsAttribute(*attribute));
    if (!current) {
        return {};
    }
    if (*current > kLatencyTimerMs) {
        {
            std::ofstream out(*attribute);
            out << kLatencyTimerMs << '\n';
        }
        // The driver keeps the old value when the write was refused.
        current = LatencyValue(ReadSysfsAttribute(*attribute)).value_or(*current);
    }
    return std::chrono::milliseconds(*current);
}

// errno values that mean the port itself is gone: the USB device was
// removed (the driver hangs the tty up), or the far side of a
// pseudo-terminal closed. Anything else may pass.
bool IsPortGone(int error) {
    return error == EIO || error == ENODEV || error == ENXIO;
}

FtStatus FailureOf(int error) {
    return IsPortGone(error) ? FtStatus::IoError : FtStatus::OtherError;
}

bool IsHungUp(short revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

speed_t SpeedOf(std::uint32_t baudRate) {
    switch (baudRate) {
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return B0;
    }
}

// Milliseconds from now to `deadline`, rounded up, at least 0.
int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

class TtyHandle : public FtHandle {
  public:
    TtyHandle(int fd, std::chrono::milliseconds latency) : fd_(fd), latency_(latency) {}
    ~TtyHandle() override { Close(); }

    FtStatus SetBaudRate(std::uint32_t baudRate) override {
        const speed_t speed = SpeedOf(baudRate);
        if (speed == B0) {
            return FtStatus::InvalidBaudRate;
        }
        return Change([speed](termios& t) {
            return cfsetispeed(&t, speed) == 0 && cfsetospeed(&t, speed) == 0;
        });
    }

    FtStatus SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override {
        if ((wordLength != kFtBits7 && wordLength != kFtBits8) ||
            (stopBits != kFtStopBits1 && stopBits != kFtStopBits2) || parity > kFtParityEven) {
            return FtStatus::InvalidParameter;
        }
        return Change([=](termios& t) {
            t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD);
            t.c_cflag |= wordLength == kFtBits8 ? CS8 : CS7;
            if (stopBits == kFtStopBits2) {
                t.c_cflag |= CSTOPB;
            }
            if (parity != kFtParityNone) {
                t.c_cflag |= PARENB | (parity == kFtParityOdd ? PARODD : 0);
            }
            return true;
        });
    }

    FtStatus SetFlowControl(std::uint16_t flowControl, std::uint8_t xon,
                            std::uint8_t xoff) override {
        if (flowControl != kFtFlowNone && flowControl != kFtFlowRtsCts &&
            flowControl != kFtFlowXonXoff) {
            return FtStatus::NotSupported;
        }
        return Change([=](termios& t) {
            t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
            t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
            if (flowControl == kFtFlowRtsCts) {
                t.c_cflag |= CRTSCTS;
            } else if (flowControl == kFtFlowXonXoff) {
                t.c_iflag |= IXON | IXOFF;
                t.c_cc[VSTART] = static_cast<cc_t>(xon);
                t.c_cc[VSTOP] = static_cast<cc_t>(xoff);
            }
            return true;
        });
    }

    // Only when the link asks: DTR stays as it is during a command.
    FtStatus ClrDtr() override {
        if (fd_ < 0) {
            return FtStatus::InvalidHandle;
        }
        int dtr = TIOCM_DTR;
        if (::ioctl(fd_, TIOCMBIC, &dtr) == 0) {
            return FtStatus::Ok;
        }
        // A port without modem lines (a pseudo-terminal carrying a simulated
        // box) has no DTR to clear.
        return errno == ENOTTY || errno == EINVAL ? FtStatus::Ok : FtStatus::IoError;
    }

    FtStatus Purge(std::uint32_t mask) override {
        if (fd_ < 0) {
            return FtStatus::InvalidHandle;
        }
        const bool rx = (mask & kFtPurgeRx) != 0;
        const bool tx = (mask & kFtPurgeTx) != 0;
        if (!rx && !tx) {
            return FtStatus::Ok;
        }
        const int queue = rx && tx ? TCIOFLUSH : (rx ? TCIFLUSH : TCOFLUSH);
        if (::tcflush(fd_, queue) != 0) {
            return FailureOf(errno);
        }
        // tcflush drops only what the kernel holds. Bytes the chip received
        // just before wait in its buffer until its latency timer runs out and
        // then reach the kernel; one latency period later they are there to
        // be dropped too, as the chip's own purge would drop them.
        if (!rx || latency_.count() == 0) {
            return FtStatus::Ok;
        }
        std::this_thread::sleep_for(latency_);
        return ::tcflush(fd_, queue) == 0 ? FtStatus::Ok : FailureOf(errno);
    }

    FtStatus SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        if (fd_ < 0) {
            return FtStatus::InvalidHandle;
        }
        readTimeout_ = std::chrono::milliseconds(readMs);
        writeTimeout_ = std::chrono::milliseconds(writeMs);
        return FtStatus::Ok;
    }

    FtStatus GetQueueStatus(std::uint32_t& waiting) override {
        waiting = 0;
        if (fd_ < 0) {
            return FtStatus::InvalidHandle;
        }
        // A port whose device went away may still answer FIONREAD (a
        // pseudo-terminal whose far side closed does), but poll reports the
        // hang-up.
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && IsHungUp(p.revents)) {
            return FtStatus::IoError;
        }
        int count = 0;
        if (::ioctl(fd_, FIONREAD, &count) != 0) {
            return FailureOf(errno);
        }
        if (count < 0) {
            return FtStatus::OtherError;
        }
        waiting = static_cast<std::uint32_t>(count);
        return FtStatus::Ok;
    }

    FtStatus Read(std::span<std::uint8_t> buffer, std::uint32_t& read) override {
        read = 0;
        if (fd_ < 0) {
            return FtStatus::InvalidHandle;
        }
        // What arrived before a failure is handed over; the next call reports
        // the failure again.
        const auto failed = [&read](FtStatus status) { return read > 0 ? FtStatus::Ok : status; };
        const auto deadline = std::chrono::steady_clock::now() + readTimeout_;
        while (read < buffer.size()) {
            const ssize_t n = ::read(fd_, buffer.data() + read, buffer.size() - read);
            if (n > 0) {
                read += static_cast<std::uint32_t>(n);
                continue;
            }
            // With VMIN 1 and O_NONBLOCK an empty queue gives EAGAIN, so
            // end-of-file means the port was hung up.
            if (n == 0) {
                return failed(FtStatus::IoError);
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN) {
                return failed(FailureOf(errno));
            }
            pollfd p{fd_, POLLIN, 0};
            const int wait = MillisecondsUntil(deadline);
            if (wait == 0) {
                break;
            }
            const int ready = ::poll(&p, 1, wait);
            if (ready == 0) {
                break;
            }
            if (ready > 0 && IsHungUp(p.revents) && (p.revents & POLLIN) == 0) {
                return failed(FtStatus::IoError);
            }
        }
        return FtStatus::Ok;
    }

    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override {
        written = 0;
        if (fd_ < 0) {
            return FtStatus::InvalidHandle;
        }
        const auto deadline = std::chrono::steady_clock::now() + writeTimeout_;
        while (written < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
            if (n > 0) {
                written += static_cast<std::uint32_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno != EAGAIN) {
                return FailureOf(errno);
            }
            pollfd p{fd_, POLLOUT, 0};
            const int wait = MillisecondsUntil(deadline);
            if (wait == 0) {
                break;
            }
            const int ready = ::poll(&p, 1, wait);
            if (ready == 0) {
                break;
            }
            if (ready > 0 && IsHungUp(p.revents)) {
                return FtStatus::IoError;
            }
        }
        return FtStatus::Ok;
    }

    FtStatus Close() override {
        if (fd_ < 0) {
            return FtStatus::InvalidHandle;
        }
        // The exclusive mode would outlive us while anyone else holds the port.
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
        return FtStatus::Ok;
    }

  private:
    template <typename Edit>
    FtStatus Change(Edit edit) {
        if (fd_ < 0) {
            return FtStatus::InvalidHandle;
        }
        termios t{};
        if (::tcgetattr(fd_, &t) != 0 || !edit(t) || ::tcsetattr(fd_, TCSANOW, &t) != 0) {
            return FtStatus::IoError;
        }
        return FtStatus::Ok;
    }

    int fd_;
    // The chip's latency timer; zero when unknown (no wait in Purge).
    std::chrono::milliseconds latency_;
    std::chrono::milliseconds readTimeout_{0};
    std::chrono::milliseconds writeTimeout_{0};
};

// Why `port` could not be opened, from the failing call's errno.
std::string OpenProblem(const std::string& port, int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return TextF(txt::ReasonPortMissing, port);
        case EACCES:
        case EPERM:
        case EROFS:
            return TextF(txt::ReasonPortNotPermitted, port);
        case EBUSY:
        case EWOULDBLOCK:
            return TextF(txt::ReasonPortBusy, port);
        default:
            return port + ": " + std::strerror(error);
    }
}

struct OpenedPort {
    int fd = -1;
    std::string problem;  // why not, when fd < 0
};

// Opens the port raw and exclusively; no descriptor and the reason when it
// cannot be had (missing, no terminal, held by another program, not
// accessible to us).
OpenedPort OpenPort(const std::string& port) {
    const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {-1, OpenProblem(port, errno)};
    }
    if (!::isatty(fd)) {
        ::close(fd);
        return {-1, TextF(txt::ReasonNotASerialPort, port)};
    }
    termios t{};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0 ||
        ::tcgetattr(fd, &t) != 0) {
        const int error = errno;
        ::close(fd);
        return {-1, OpenProblem(port, error)};
    }
    // open() has just raised DTR and RTS; the box must see them low, as soon
    // as the port is ours (never on a port another program holds). A port
    // without modem lines refuses the call, which changes nothing.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
    // Every byte as it comes: no line editing, echo, translation or signals.
    // VMIN 1 with O_NONBLOCK: an empty queue reads as EAGAIN, so a read of
    // 0 bytes can only be a hang-up. No HUPCL: closing leaves the lines as
    // they are.
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        const int error = errno;
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return {-1, OpenProblem(port, error)};
    }
    return {fd, {}};
}

}  // namespace

TtyLibrary::TtyLibrary(std::string port, TtyPaths paths)
    : port_(std::move(port)), paths_(std::move(paths)) {}

FtStatus TtyLibrary::OpenByDescription(std::string_view description,
                                       std::unique_ptr<FtHandle>& handle) {
    problem_.clear();
    std::string port = port_;
    if (port.empty()) {
        const std::optional<std::string> found = FindTtyByDescription(description, paths_);
        if (!found) {
            problem_ = Text(txt::ReasonNoBox);
            return FtStatus::DeviceNotFound;
        }
        port = *found;
    }
    OpenedPort opened = OpenPort(port);
    if (opened.fd < 0) {
        problem_ = std::move(opened.problem);
        return FtStatus::DeviceNotFound;
    }
    handle = std::make_unique<TtyHandle>(opened.fd, LowerLatencyTimer(port, paths_));
    return FtStatus::Ok;
}

std::string PortProblem(const std::string& port) {
    const OpenedPort opened = OpenPort(port);
    if (opened.fd >= 0) {
        ::ioctl(opened.fd, TIOCNXCL);
        ::close(opened.fd);
    }
    return opened.problem;
}

}  // namespace qzt
