#include "session/Session.h"

#include "core/StartUp.h"
#include "device/Backends.h"
#include "device/DeviceChoice.h"

namespace qzt {

Session::Session()
    : folders_(std::make_shared<SystemFolders>()),
      link_(std::make_unique<TUsbInterface>(MakeBackend(device_, paths_))) {}

Session::~Session() = default;

void Session::SetFolders(std::shared_ptr<const PlatformFolders> folders) {
    folders_ = folders ? std::move(folders) : std::make_shared<SystemFolders>();
}

Result<void> Session::ChooseDevice(std::vector<std::string> arguments,
                                   const char* environmentDevice) {
    arguments_ = std::move(arguments);
    SetDevice(ChooseDeviceOptions(arguments_, environmentDevice,
                                  state_.Values.ReadValue(kSetupSection, kDeviceKey)));
    if (!device_) {
        return device_.error();
    }
    return {};
}

const DeviceOptions& Session::Device() const {
    static const DeviceOptions kAuto;
    return device_ ? *device_ : kAuto;
}

void Session::UseDevice(const std::string& device) {
    SetDevice(WithDevice(arguments_, device));
    state_.Values.WriteValue(kSetupSection, kDeviceKey, device);
}

void Session::SetPaths(TtyPaths paths) {
    paths_ = std::move(paths);
    SetDevice(device_);
}

void Session::SetDevice(Result<DeviceOptions> device) {
    device_ = std::move(device);
    link_ = std::make_unique<TUsbInterface>(MakeBackend(device_, paths_));
    ++generation_;
}

std::unique_ptr<TUsbInterface> Session::NewLink() const {
    return std::make_unique<TUsbInterface>(MakeBackend(device_, paths_));
}

std::unique_ptr<TUsbInterface> Session::NewLink(const std::string& device) const {
    return std::make_unique<TUsbInterface>(MakeBackend(WithDevice(arguments_, device), paths_));
}

}  // namespace qzt
