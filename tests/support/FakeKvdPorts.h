#pragma once
// What the kernel shows of KVD boxes, for tests of what the program finds:
// a sysfs and /dev tree of the test's own with ttyUSB ports whose device
// nodes point wherever the test likes (a pseudo-terminal with the simulated
// box behind it, /dev/null, nothing), and a port held by another program.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "TempDir.h"
#include "device/tty/TtyBackend.h"

namespace qzt::test {

namespace fs = std::filesystem;

// A sysfs tree as the ftdi_sio driver lays it out: the tty class entry links
// to the port, under the USB interface, under the USB device that carries
// the vendor id and product string.
struct FakeSysfs {
    FakeSysfs() { paths = {dir / "sys", dir / "dev"}; }

    void AddPort(const std::string& name, const std::string& vendor, const std::string& product,
                 const std::string& target, const std::string& latency = "16") {
        const fs::path device = fs::path(paths.sysfsRoot) / "devices/usb1" / ("1-" + name);
        const fs::path port = device / "1-1:1.0" / name;
        fs::create_directories(port);
        fs::create_directories(fs::path(paths.sysfsRoot) / "class/tty" / name);
        fs::create_directory_symlink(port,
                                     fs::path(paths.sysfsRoot) / "class/tty" / name / "device");
        WriteFile(device / "idVendor", vendor + "\n");
        WriteFile(device / "product", product + "\n");
        WriteFile(port / "latency_timer", latency + "\n");
        fs::create_directories(paths.devRoot);
        fs::create_symlink(target, fs::path(paths.devRoot) / name);
    }

    // The port's USB device as it also stands under bus/usb/devices, with its
    // bus, address and serial number (a node under dev/bus/usb when `node`).
    void ListOnBus(const std::string& name, unsigned address, bool node) {
        const fs::path device = fs::path(paths.sysfsRoot) / "devices/usb1" / ("1-" + name);
        fs::create_directories(device);
        WriteFile(device / "idProduct", "6001\n");
        WriteFile(device / "busnum", "1\n");
        WriteFile(device / "devnum", std::to_string(address) + "\n");
        WriteFile(device / "serial", "KVD" + std::to_string(address) + "\n");
        fs::create_directories(fs::path(paths.sysfsRoot) / "bus/usb/devices");
        fs::create_directory_symlink(device,
                                     fs::path(paths.sysfsRoot) / "bus/usb/devices" / ("1-" + name));
        if (node) {
            char path[32];
            std::snprintf(path, sizeof path, "bus/usb/001/%03u", address);
            WriteFile(fs::path(paths.devRoot) / path, "");
        }
    }

    std::string Latency(const std::string& name) const {
        return ReadFile(fs::path(paths.sysfsRoot) / "devices/usb1" / ("1-" + name) / "1-1:1.0" /
                        name / "latency_timer");
    }

    std::string Node(const std::string& name) const { return paths.devRoot + "/" + name; }

    TempDir dir;
    TtyPaths paths;
};

// Holds a port as another program does: its own process opens it, locks it
// (flock and TIOCEXCL) and keeps it until the holder is destroyed.
class PortHolder {
  public:
    explicit PortHolder(const std::string& path) {
        int ready[2];
        int release[2];
        if (::pipe2(ready, O_CLOEXEC) != 0) {
            return;
        }
        if (::pipe2(release, O_CLOEXEC) != 0) {
            ::close(ready[0]);
            ::close(ready[1]);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
            const char locked =
                fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::ioctl(fd, TIOCEXCL) == 0;
            [[maybe_unused]] ssize_t n = ::write(ready[1], &locked, 1);
            char end;
            n = ::read(release[0], &end, 1);  // returns when the parent lets go
            // Lets go of the port as this program does: the exclusive flag
            // belongs to the terminal, not to the descriptor, and would
            // outlive the holder while the pseudo-terminal stays open.
            if (fd >= 0) {
                ::ioctl(fd, TIOCNXCL);
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char locked = 0;
        locked_ = pid_ > 0 && ::read(ready[0], &locked, 1) == 1 && locked == 1;
        ::close(ready[0]);
    }
    ~PortHolder() {
        if (release_ >= 0) {
            ::close(release_);
        }
        if (pid_ > 0) {
            ::waitpid(pid_, nullptr, 0);
        }
    }
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;
    bool Locked() const { return locked_; }

  private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool locked_ = false;
};

}  // namespace qzt::test
