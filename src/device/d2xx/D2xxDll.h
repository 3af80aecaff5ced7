#pragma once
// The backend `usb` on Windows: the box through the chip maker's D2XX driver,
// ftd2xx.dll, loaded when the box is first looked for. We never ship the
// DLL: it comes with the driver of the box's USB chip. Without it the route
// finds no box and says why (the driver is not installed) and what to do
// (install it, or use the box's COM port).
//
// The DLL is looked for in the program's folder and in System32 only, never
// in the current folder, so a file there cannot pose as the driver.
//
// The box is found by its USB description (FT_CreateDeviceInfoList,
// FT_GetDeviceInfoDetail), also by its serial number for usb:SERIAL, and
// opened by its serial number when it has one (FT_OpenEx), so two boxes on
// one computer are told apart. At open the chip's latency timer is lowered
// to 2 ms (FT_SetLatencyTimer; a chip that refuses keeps 16 ms and only
// answers a little later). The driver's FT_STATUS results pass through as
// they are: FT_IO_ERROR and FT_DEVICE_NOT_FOUND after the box was pulled
// out are what the link takes as "box gone".

#include <memory>
#include <string>
#include <vector>

#include "device/link/D2xx.h"

namespace qzt {

class D2xxApi;

// One chip the driver lists.
struct D2xxDevice {
    std::string description;
    std::string serial;
    bool openedElsewhere = false;  // FT_FLAGS_OPENED: another program has it
};

class D2xxLibrary : public FtLibrary {
  public:
    // `serial` empty: the first box. `dll`: the DLL's file (tests name a
    // fake one); the default is the installed driver's.
    explicit D2xxLibrary(std::string serial = {}, std::wstring dll = {});
    ~D2xxLibrary() override;

    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override;
    std::string OpenFailureReason() const override { return problem_; }

    // What the driver lists; nothing and the reason in `problem` when the
    // driver cannot be used.
    std::vector<D2xxDevice> ListDevices(std::string& problem);

  private:
    // The loaded driver, or null with problem_ saying why.
    std::shared_ptr<D2xxApi> Api();

    std::string serial_;
    std::wstring dll_;
    std::shared_ptr<D2xxApi> api_;
    std::string problem_;
};

}  // namespace qzt
