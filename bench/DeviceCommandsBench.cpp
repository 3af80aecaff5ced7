// The three device commands whole, as the user starts them, against the
// simulated unit on its modelled line (57600 baud, 11 bits a character, the
// chip's latency once per reply): Read from device (with the New before it),
// Write to device (with the backup read, the backup file and the history
// line) and Change Radio Codes in device (the dialog answered at once).
//
// The figures and their aims: LineBench.h.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "LineBench.h"
#include "QuietUserInterface.h"
#include "core/StartUp.h"
#include "device/commands/DeviceCommands.h"
#include "device/link/TUsbInterface.h"
#include "device/sim/SimBackend.h"

namespace qzt {
namespace {

using namespace std::chrono;

using bench::LineMeasurement;
using bench::ScratchFolder;

// The machine's folders with the data folder in the scratch folder; the
// templates beside this program (the build's bin folder).
class BenchFolders : public PlatformFolders {
  public:
    explicit BenchFolders(std::string data) : data_(std::move(data)) {}
    std::optional<std::string> ApplicationDataFolder() const override { return data_; }
    std::optional<std::string> DocumentsFolder() const override { return data_; }
    std::string ExecutableFolder() const override { return system_.ExecutableFolder(); }

  private:
    std::string data_;
    SystemFolders system_;
};

// A user who reads nothing and confirms the radio-code dialog at once, with
// codes that differ from the unit's each time.
class ConfirmingUserInterface : public bench::QuietUserInterface {
  public:
    bool EditRadioCodes(const RadioCodes&, RadioCodes& newCodes) override {
        ++changes;
        const std::string code = changes % 2 == 0 ? "1234" : "4321";
        newCodes.fill(code);
        return true;
    }

    int changes = 0;
};

using Command = DeviceResult (*)(ProgramState&, TUsbInterface&, UserInterface&);

void RunCommand(benchmark::State& run, const char* name, Command command) {
    ScratchFolder folder;
    ProgramState state;
    BenchFolders folders(folder.Path());
    RunStartUp(state, folders, {});

    SimSettings settings;
    settings.path = folder.Path() + "/unit.bin";
    settings.latency = milliseconds(run.range(0));
    auto sim = std::make_shared<SimLibrary>(settings);
    TUsbInterface link(sim);
    ConfirmingUserInterface ui;
    // The form holds the unit's configuration, as after a read.
    if (ReadFromDevice(state, link, ui) != DeviceResult::Ok) {
        run.SkipWithError(("the simulated unit cannot be read: " + ui.lastError).c_str());
        return;
    }

    LineMeasurement measurement(*sim);
    for (auto _ : run) {
        if (command(state, link, ui) != DeviceResult::Ok) {
            run.SkipWithError(("the command failed: " + ui.lastError).c_str());
            return;
        }
    }
    measurement.Finish(run, name);
}

void BM_ReadFromDevice(benchmark::State& run) {
    RunCommand(run, "ReadFromDevice", ReadFromDevice);
}
void BM_WriteToDevice(benchmark::State& run) {
    RunCommand(run, "WriteToDevice", WriteToDevice);
}
void BM_ChangeDeviceRadioCodes(benchmark::State& run) {
    RunCommand(run, "ChangeDeviceRadioCodes",
               [](ProgramState& state, TUsbInterface& link, UserInterface& ui) {
                   return ChangeDeviceRadioCodes(state, link, ui);
               });
}

BENCHMARK(BM_ReadFromDevice)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WriteToDevice)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ChangeDeviceRadioCodes)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace qzt

int main(int argc, char** argv) {
    return qzt::bench::RunAndReport(argc, argv, "per command", 40);
}
