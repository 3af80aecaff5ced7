#pragma once
// The backend `tty` on Windows: the box's virtual COM port (tty:COM5)
// through the Win32 serial calls. The port is opened for this program alone
// (no sharing), set to the requested speed and framing with the modem
// lines down (DTR and RTS off, no flow control), and read with a total
// time-out only, so ReadFile waits for the bytes asked for or the link's
// time-out, as the chip maker's FT_Read does. ClearCommError gives the
// count of bytes waiting.
//
// A port that has gone (the box unplugged, or the far end of the line hung
// up) makes ClearCommError and WriteFile fail, with ERROR_NOT_READY,
// ERROR_DEVICE_NOT_CONNECTED, ERROR_ACCESS_DENIED or ERROR_BAD_COMMAND
// depending on the driver, while ReadFile only returns nothing: each of
// these answers GetQueueStatus, Read and Write with IoError, so the link
// notices at its next look. Clearing DTR is refused by drivers without
// modem lines (ERROR_NOT_SUPPORTED; wine's pseudo-terminal ports), which is
// no fault: the line is down already.
//
// Purge is PurgeComm, one latency period of the chip (16 ms, the virtual
// COM port driver's default) and PurgeComm again: the first drops what the
// driver holds, the second what the chip still held.

#include <optional>
#include <string>
#include <vector>

#include "device/link/D2xx.h"

namespace qzt {

// The COM ports whose USB device reports `description` as its name (the
// bus-reported device description of the port's device), in name order.
std::vector<std::string> FindComPortsByDescription(std::string_view description);

// Why this program could not have `port` (COM5) now, in the string table's
// words; empty when it could. Opens and closes it.
std::string ComPortProblem(const std::string& port);

class ComLibrary : public FtLibrary {
  public:
    // `port` empty: the first port found by the box's name.
    explicit ComLibrary(std::string port = {});

    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override;
    std::string OpenFailureReason() const override { return problem_; }

  private:
    std::string port_;
    std::string problem_;
};

}  // namespace qzt
