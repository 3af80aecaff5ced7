#include "device/d2xx/D2xxDll.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/WideText.h"
#include "device/link/KvdProtocol.h"
#include "text/Text.h"

namespace qzt {
namespace {

using FT_HANDLE = void*;
using FT_STATUS = ULONG;

constexpr DWORD kOpenBySerialNumber = 1;  // FT_OPEN_BY_SERIAL_NUMBER
constexpr DWORD kOpenByDescription = 2;   // FT_OPEN_BY_DESCRIPTION
constexpr DWORD kFlagOpened = 1;          // FT_FLAGS_OPENED
// More chips than any computer carries: the listing is bounded whatever the
// driver says.
constexpr DWORD kMaxDevices = 128;
constexpr UCHAR kLatencyMs = 2;

}  // namespace

// The driver's calls, as the DLL exports them (WINAPI: __stdcall).
class D2xxApi {
  public:
    ~D2xxApi() {
        if (module_ != nullptr) {
            ::FreeLibrary(module_);
        }
    }

    // The DLL and every call the backend makes, or null and the reason.
    static std::shared_ptr<D2xxApi> Load(const std::wstring& dll, std::string& problem) {
        auto api = std::shared_ptr<D2xxApi>(new D2xxApi);
        api->module_ = dll.empty() ? ::LoadLibraryExW(L"ftd2xx.dll", nullptr,
                                                      LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                                                          LOAD_LIBRARY_SEARCH_SYSTEM32)
                                   : ::LoadLibraryW(dll.c_str());
        if (api->module_ == nullptr) {
            problem = TextF(txt::ReasonNoD2xxDriver, Win32ErrorText(::GetLastError()));
            return nullptr;
        }
        const char* missing = nullptr;
        auto resolve = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                reinterpret_cast<void*>(::GetProcAddress(api->module_, name)));
            if (function == nullptr && missing == nullptr) {
                missing = name;
            }
        };
        resolve(api->CreateDeviceInfoList, "FT_CreateDeviceInfoList");
        resolve(api->GetDeviceInfoDetail, "FT_GetDeviceInfoDetail");
        resolve(api->OpenEx, "FT_OpenEx");
        resolve(api->SetBaudRate, "FT_SetBaudRate");
        resolve(api->SetDataCharacteristics, "FT_SetDataCharacteristics");
        resolve(api->SetFlowControl, "FT_SetFlowControl");
        resolve(api->ClrDtr, "FT_ClrDtr");
        resolve(api->SetLatencyTimer, "FT_SetLatencyTimer");
        resolve(api->SetTimeouts, "FT_SetTimeouts");
        resolve(api->Purge, "FT_Purge");
        resolve(api->GetQueueStatus, "FT_GetQueueStatus");
        resolve(api->Read, "FT_Read");
        resolve(api->Write, "FT_Write");
        resolve(api->Close, "FT_Close");
        if (missing != nullptr) {
            problem = TextF(txt::ReasonD2xxIncomplete, missing);
            return nullptr;
        }
        return api;
    }

    FT_STATUS(WINAPI* CreateDeviceInfoList)(DWORD*) = nullptr;
    FT_STATUS(WINAPI* GetDeviceInfoDetail)
    (DWORD, DWORD*, DWORD*, DWORD*, DWORD*, void*, void*, FT_HANDLE*) = nullptr;
    FT_STATUS(WINAPI* OpenEx)(void*, DWORD, FT_HANDLE*) = nullptr;
    FT_STATUS(WINAPI* SetBaudRate)(FT_HANDLE, ULONG) = nullptr;
    FT_STATUS(WINAPI* SetDataCharacteristics)(FT_HANDLE, UCHAR, UCHAR, UCHAR) = nullptr;
    FT_STATUS(WINAPI* SetFlowControl)(FT_HANDLE, USHORT, UCHAR, UCHAR) = nullptr;
    FT_STATUS(WINAPI* ClrDtr)(FT_HANDLE) = nullptr;
    FT_STATUS(WINAPI* SetLatencyTimer)(FT_HANDLE, UCHAR) = nullptr;
    FT_STATUS(WINAPI* SetTimeouts)(FT_HANDLE, ULONG, ULONG) = nullptr;
    FT_STATUS(WINAPI* Purge)(FT_HANDLE, ULONG) = nullptr;
    FT_STATUS(WINAPI* GetQueueStatus)(FT_HANDLE, DWORD*) = nullptr;
    FT_STATUS(WINAPI* Read)(FT_HANDLE, void*, DWORD, DWORD*) = nullptr;
    FT_STATUS(WINAPI* Write)(FT_HANDLE, void*, DWORD, DWORD*) = nullptr;
    FT_STATUS(WINAPI* Close)(FT_HANDLE) = nullptr;

  private:
    D2xxApi() = default;
    HMODULE module_ = nullptr;
};

namespace {

FtStatus Status(FT_STATUS status) {
    return static_cast<FtStatus>(status);
}

// A text field of FT_GetDeviceInfoDetail, which may lack its terminator.
template <std::size_t N>
std::string Field(const char (&text)[N]) {
    return std::string(text, ::strnlen(text, N));
}

class D2xxHandle : public FtHandle {
  public:
    D2xxHandle(std::shared_ptr<D2xxApi> api, FT_HANDLE handle)
        : api_(std::move(api)), handle_(handle) {}
    ~D2xxHandle() override { Close(); }

    FtStatus SetBaudRate(std::uint32_t baudRate) override {
        return Call(api_->SetBaudRate, static_cast<ULONG>(baudRate));
    }
    FtStatus SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override {
        return Call(api_->SetDataCharacteristics, wordLength, stopBits, parity);
    }
    FtStatus SetFlowControl(std::uint16_t flowControl, std::uint8_t xon,
                            std::uint8_t xoff) override {
        return Call(api_->SetFlowControl, flowControl, xon, xoff);
    }
    FtStatus ClrDtr() override { return Call(api_->ClrDtr); }
    FtStatus Purge(std::uint32_t mask) override {
        return Call(api_->Purge, static_cast<ULONG>(mask));
    }
    FtStatus SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        return Call(api_->SetTimeouts, static_cast<ULONG>(readMs), static_cast<ULONG>(writeMs));
    }
    FtStatus GetQueueStatus(std::uint32_t& waiting) override {
        DWORD count = 0;
        const FtStatus status = Call(api_->GetQueueStatus, &count);
        waiting = status == FtStatus::Ok ? static_cast<std::uint32_t>(count) : 0;
        return status;
    }
    FtStatus Read(std::span<std::uint8_t> buffer, std::uint32_t& read) override {
        DWORD count = 0;
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), MAXDWORD));
        const FtStatus status = Call(api_->Read, buffer.data(), size, &count);
        // Never more than was asked for, whatever the driver says.
        read = static_cast<std::uint32_t>(std::min<DWORD>(count, size));
        return status;
    }
    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override {
        DWORD count = 0;
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), MAXDWORD));
        // FT_Write does not change the bytes; its parameter is not const.
        const FtStatus status =
            Call(api_->Write, const_cast<std::uint8_t*>(bytes.data()), size, &count);
        written = static_cast<std::uint32_t>(std::min<DWORD>(count, size));
        return status;
    }
    FtStatus Close() override {
        if (handle_ == nullptr) {
            return FtStatus::Ok;
        }
        const FT_STATUS status = api_->Close(handle_);
        handle_ = nullptr;
        return Status(status);
    }

  private:
    template <typename Function, typename... Args>
    FtStatus Call(Function function, Args... args) {
        if (handle_ == nullptr) {
            return FtStatus::InvalidHandle;
        }
        return Status(function(handle_, args...));
    }

    std::shared_ptr<D2xxApi> api_;
    FT_HANDLE handle_;
};

}  // namespace

D2xxLibrary::D2xxLibrary(std::string serial, std::wstring dll)
    : serial_(std::move(serial)), dll_(std::move(dll)) {}

D2xxLibrary::~D2xxLibrary() = default;

std::shared_ptr<D2xxApi> D2xxLibrary::Api() {
    if (!api_) {
        api_ = D2xxApi::Load(dll_, problem_);
    }
    return api_;
}

std::vector<D2xxDevice> D2xxLibrary::ListDevices(std::string& problem) {
    std::vector<D2xxDevice> devices;
    const std::shared_ptr<D2xxApi> api = Api();
    if (!api) {
        problem = problem_;
        return devices;
    }
    DWORD count = 0;
    if (api->CreateDeviceInfoList(&count) != 0) {
        return devices;
    }
    for (DWORD i = 0; i < std::min(count, kMaxDevices); ++i) {
        DWORD flags = 0, type = 0, id = 0, location = 0;
        char serial[16] = {};
        char description[64] = {};
        FT_HANDLE unused = nullptr;
        if (api->GetDeviceInfoDetail(i, &flags, &type, &id, &location, serial, description,
                                     &unused) == 0) {
            devices.push_back({Field(description), Field(serial), (flags & kFlagOpened) != 0});
        }
    }
    return devices;
}

FtStatus D2xxLibrary::OpenByDescription(std::string_view description,
                                        std::unique_ptr<FtHandle>& handle) {
    handle.reset();
    problem_.clear();
    std::string listProblem;
    const std::vector<D2xxDevice> devices = ListDevices(listProblem);
    if (!listProblem.empty()) {
        problem_ = listProblem;
        return FtStatus::DeviceNotFound;
    }
    const D2xxDevice* box = nullptr;
    const D2xxDevice* held = nullptr;
    for (const D2xxDevice& device : devices) {
        if (device.description != description || (!serial_.empty() && device.serial != serial_)) {
            continue;
        }
        if (device.openedElsewhere) {
            held = held ? held : &device;
        } else if (box == nullptr) {
            box = &device;
        }
    }
    if (box == nullptr) {
        problem_ = held != nullptr   ? TextF(txt::ReasonD2xxBusy, held->serial)
                   : serial_.empty() ? Text(txt::ReasonNoBox)
                                     : TextF(txt::ReasonNoBoxWithSerial, serial_);
        return held != nullptr ? FtStatus::DeviceNotOpened : FtStatus::DeviceNotFound;
    }
    // By serial number where the box has one: the listing's box and no other.
    std::string key = box->serial.empty() ? std::string(description) : box->serial;
    FT_HANDLE opened = nullptr;
    const FT_STATUS status = api_->OpenEx(
        key.data(), box->serial.empty() ? kOpenByDescription : kOpenBySerialNumber, &opened);
    if (status != 0 || opened == nullptr) {
        problem_ = TextF(txt::ReasonD2xxBusy, box->serial);
        return status != 0 ? Status(status) : FtStatus::DeviceNotOpened;
    }
    api_->SetLatencyTimer(opened, kLatencyMs);
    handle = std::make_unique<D2xxHandle>(api_, opened);
    return FtStatus::Ok;
}

}  // namespace qzt
