#include "device/com/ComBackend.h"

// windows.h first; initguid.h makes the GUID and property-key headers define
// what they declare.
#include <windows.h>

#include <initguid.h>

#include <devguid.h>
#include <devpkey.h>
#include <setupapi.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/WideText.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The virtual COM port driver's default latency timer.
constexpr std::chrono::milliseconds kChipLatency{16};
// More ports than a computer has: the lookup is bounded.
constexpr DWORD kMaxPorts = 256;

// The errors with which a vanished port answers (the driver's device gone,
// or the line hung up), as opposed to trouble that may pass.
bool IsGoneError(DWORD error) {
    switch (error) {
        case ERROR_NOT_READY:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_INVALID_HANDLE:
        case ERROR_FILE_NOT_FOUND:
            return true;
        default:
            return false;
    }
}

FtStatus Failure() {
    return IsGoneError(::GetLastError()) ? FtStatus::IoError : FtStatus::OtherError;
}

std::wstring DevicePath(const std::string& port) {
    // "COM5" is reached as \\.\COM5: COM10 and above only by that name.
    return port.starts_with("\\\\.\\") ? WideFromUtf8(port) : WideFromUtf8("\\\\.\\" + port);
}

class ComHandle : public FtHandle {
  public:
    explicit ComHandle(HANDLE port) : port_(port) {}
    ~ComHandle() override { Close(); }

    FtStatus SetBaudRate(std::uint32_t baudRate) override {
        return Change([&](DCB& dcb) { dcb.BaudRate = baudRate; });
    }
    FtStatus SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override {
        // The D2XX values of stop bits and parity are those of the DCB.
        return Change([&](DCB& dcb) {
            dcb.ByteSize = wordLength;
            dcb.StopBits = stopBits;
            dcb.Parity = parity;
            dcb.fParity = parity != kFtParityNone;
        });
    }
    FtStatus SetFlowControl(std::uint16_t flowControl, std::uint8_t xon,
                            std::uint8_t xoff) override {
        return Change([&](DCB& dcb) {
            const bool rtsCts = flowControl == kFtFlowRtsCts;
            const bool xonXoff = flowControl == kFtFlowXonXoff;
            dcb.fOutxCtsFlow = rtsCts;
            dcb.fRtsControl = rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
            dcb.fOutX = xonXoff;
            dcb.fInX = xonXoff;
            dcb.XonChar = static_cast<char>(xon);
            dcb.XoffChar = static_cast<char>(xoff);
        });
    }
    FtStatus ClrDtr() override {
        if (port_ == INVALID_HANDLE_VALUE) {
            return FtStatus::InvalidHandle;
        }
        if (::EscapeCommFunction(port_, CLRDTR) || ::GetLastError() == ERROR_NOT_SUPPORTED) {
            return FtStatus::Ok;
        }
        return Failure();
    }
    FtStatus Purge(std::uint32_t mask) override {
        if (port_ == INVALID_HANDLE_VALUE) {
            return FtStatus::InvalidHandle;
        }
        DWORD flags = 0;
        if (mask & kFtPurgeRx) {
            flags |= PURGE_RXCLEAR | PURGE_RXABORT;
        }
        if (mask & kFtPurgeTx) {
            flags |= PURGE_TXCLEAR | PURGE_TXABORT;
        }
        if (!::PurgeComm(port_, flags)) {
            return Failure();
        }
        std::this_thread::sleep_for(kChipLatency);
        return ::PurgeComm(port_, flags) ? FtStatus::Ok : Failure();
    }
    FtStatus SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        if (port_ == INVALID_HANDLE_VALUE) {
            return FtStatus::InvalidHandle;
        }
        // No interval time-out: ReadFile waits for every byte asked for, up
        // to the total.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadTotalTimeoutConstant = readMs;
        timeouts.WriteTotalTimeoutConstant = writeMs;
        return ::SetCommTimeouts(port_, &timeouts) ? FtStatus::Ok : Failure();
    }
    FtStatus GetQueueStatus(std::uint32_t& waiting) override {
        waiting = 0;
        if (port_ == INVALID_HANDLE_VALUE) {
            return FtStatus::InvalidHandle;
        }
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(port_, &errors, &status)) {
            return Failure();
        }
        waiting = static_cast<std::uint32_t>(status.cbInQue);
        return FtStatus::Ok;
    }
    FtStatus Read(std::span<std::uint8_t> buffer, std::uint32_t& read) override {
        read = 0;
        if (port_ == INVALID_HANDLE_VALUE) {
            return FtStatus::InvalidHandle;
        }
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 1u << 20));
        DWORD count = 0;
        if (!::ReadFile(port_, buffer.data(), size, &count, nullptr)) {
            return Failure();
        }
        read = std::min(count, size);
        // A hung-up port reads as nothing at once; only the error of the
        // queue count tells it from a quiet line.
        if (read == 0 && size > 0) {
            DWORD errors = 0;
            COMSTAT status{};
            if (!::ClearCommError(port_, &errors, &status)) {
                return Failure();
            }
        }
        return FtStatus::Ok;
    }
    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override {
        written = 0;
        if (port_ == INVALID_HANDLE_VALUE) {
            return FtStatus::InvalidHandle;
        }
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD count = 0;
        if (!::WriteFile(port_, bytes.data(), size, &count, nullptr)) {
            return Failure();
        }
        written = std::min(count, size);
        return FtStatus::Ok;
    }
    FtStatus Close() override {
        if (port_ == INVALID_HANDLE_VALUE) {
            return FtStatus::Ok;
        }
        const BOOL ok = ::CloseHandle(port_);
        port_ = INVALID_HANDLE_VALUE;
        return ok ? FtStatus::Ok : FtStatus::OtherError;
    }

    // Raw bytes, the modem lines down, no flow control, until the link sets
    // its own.
    bool Prepare() {
        return Change([](DCB& dcb) {
                   dcb.fBinary = TRUE;
                   dcb.fParity = FALSE;
                   dcb.fOutxCtsFlow = FALSE;
                   dcb.fOutxDsrFlow = FALSE;
                   dcb.fDtrControl = DTR_CONTROL_DISABLE;
                   dcb.fRtsControl = RTS_CONTROL_DISABLE;
                   dcb.fDsrSensitivity = FALSE;
                   dcb.fOutX = FALSE;
                   dcb.fInX = FALSE;
                   dcb.fErrorChar = FALSE;
                   dcb.fNull = FALSE;
                   dcb.fAbortOnError = FALSE;
               }) == FtStatus::Ok;
    }

  private:
    template <typename Edit>
    FtStatus Change(Edit edit) {
        if (port_ == INVALID_HANDLE_VALUE) {
            return FtStatus::InvalidHandle;
        }
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!::GetCommState(port_, &dcb)) {
            return Failure();
        }
        edit(dcb);
        return ::SetCommState(port_, &dcb) ? FtStatus::Ok : Failure();
    }

    HANDLE port_;
};

// The port opened for this program alone and made raw, or the reason why not.
std::unique_ptr<ComHandle> OpenPort(const std::string& port, std::string& problem) {
    const std::wstring path = DevicePath(port);
    HANDLE handle = path.empty() ? INVALID_HANDLE_VALUE
                                 : ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        problem = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION
                      ? TextF(txt::ReasonComPortBusy, port)
                      : TextF(txt::ReasonPortMissing, port);
        return nullptr;
    }
    auto opened = std::make_unique<ComHandle>(handle);
    if (!opened->Prepare()) {
        problem = TextF(txt::ReasonNotASerialPort, port);
        return nullptr;
    }
    return opened;
}

std::string RegistryText(HKEY key, const wchar_t* name) {
    wchar_t value[64] = {};
    DWORD type = 0;
    DWORD size = sizeof value - sizeof(wchar_t);
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return Utf8FromWide(std::wstring_view(value, ::wcsnlen(value, size / sizeof(wchar_t))));
}

}  // namespace

std::vector<std::string> FindComPortsByDescription(std::string_view description) {
    std::vector<std::string> ports;
    HDEVINFO set = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return ports;
    }
    for (DWORD i = 0; i < kMaxPorts; ++i) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!::SetupDiEnumDeviceInfo(set, i, &device)) {
            break;
        }
        // The USB product string, as the box's chip reports it.
        wchar_t name[128] = {};
        DEVPROPTYPE type = 0;
        if (!::SetupDiGetDevicePropertyW(set, &device, &DEVPKEY_Device_BusReportedDeviceDesc, &type,
                                         reinterpret_cast<BYTE*>(name),
                                         sizeof name - sizeof(wchar_t), nullptr, 0) ||
            type != DEVPROP_TYPE_STRING || Utf8FromWide(name) != description) {
            continue;
        }
        HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            const std::string port = RegistryText(key, L"PortName");
            ::RegCloseKey(key);
            if (port.starts_with("COM")) {
                ports.push_back(port);
            }
        }
    }
    ::SetupDiDestroyDeviceInfoList(set);
    std::sort(ports.begin(), ports.end());
    return ports;
}

std::string ComPortProblem(const std::string& port) {
    std::string problem;
    OpenPort(port, problem);
    return problem;
}

ComLibrary::ComLibrary(std::string port) : port_(std::move(port)) {}

FtStatus ComLibrary::OpenByDescription(std::string_view description,
                                       std::unique_ptr<FtHandle>& handle) {
    handle.reset();
    problem_.clear();
    std::string port = port_;
    if (port.empty()) {
        const std::vector<std::string> found = FindComPortsByDescription(description);
        if (found.empty()) {
            problem_ = Text(txt::ReasonNoBox);
            return FtStatus::DeviceNotFound;
        }
        port = found.front();
    }
    std::unique_ptr<ComHandle> opened = OpenPort(port, problem_);
    if (!opened) {
        return FtStatus::DeviceNotFound;
    }
    handle = std::move(opened);
    return FtStatus::Ok;
}

}  // namespace qzt
