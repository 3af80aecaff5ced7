#pragma once
// The backend `tty`: the box through the kernel's FTDI serial driver, a
// /dev/ttyUSBn port. Raw termios at the requested settings, FIONREAD for the
// bytes waiting. The port is taken exclusively (flock and TIOCEXCL) while
// open, so a second program cannot talk over ours; a port another program
// holds, or one we may not open, is reported as no box.
//
// The FTDI chip holds short replies until its latency timer runs out (16 ms
// out of the box); opening lowers it to 2 ms through sysfs where the port's
// attribute is writable for us (the udev rule in packaging/ makes it so).
// Purge is tcflush, a wait of one latency period (the timer the port shows;
// none when it shows none, as on a pseudo-terminal) and tcflush again: the
// first drops what the kernel holds, the second what the chip still held.
//
// Control lines: Linux raises DTR and RTS inside open() itself when the
// port's saved speed is not B0, before the program can do anything about it,
// so the box may see a short pulse there; nothing in user space prevents it.
// As soon as the port is ours (locked, right after open()) both are
// cleared (TIOCMBIC), and HUPCL is cleared, so
// closing the port neither drops nor pulses them. During a command the lines
// are never touched; ClrDtr clears DTR when the link asks. A pseudo-terminal
// has no modem lines: TIOCMBIC fails there (ENOTTY or EINVAL), which is fine.
//
// A port that has gone (the box unplugged: EIO, ENODEV or ENXIO, a read of
// end-of-file, poll reporting POLLHUP, POLLERR or POLLNVAL) answers
// GetQueueStatus, Read and Write with IoError, so the link notices at its
// next look. EAGAIN and EINTR never count as gone; other errors are
// OtherError.

#include <optional>
#include <string>
#include <vector>

#include "device/link/D2xx.h"
#include "device/sysfs/KernelDevices.h"

namespace qzt {

// Why this program could not have `port` now (missing, not a terminal, not
// permitted, held by another program), in the string table's words; empty
// when it could. Finds out by opening, locking and closing it again, as a
// device command's open would; a port another program holds is left as it
// is.
std::string PortProblem(const std::string& port);

class TtyLibrary : public FtLibrary {
  public:
    // `port` empty: the port is found by its USB product string.
    explicit TtyLibrary(std::string port = {}, TtyPaths paths = {});

    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override;
    std::string OpenFailureReason() const override { return problem_; }

  private:
    std::string port_;
    TtyPaths paths_;
    std::string problem_;
};

}  // namespace qzt
