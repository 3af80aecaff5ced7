// The three device commands whole, as the user starts them, against the
// simulated unit on its modelled line (57600 baud, 11 bits a character, the
// chip's latency once per reply, lowered to 2 ms by the backend or left at
// the chip's power-on 16 ms): Read from device (with the New before it),
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

#include "CommandSetup.h"
#include "LineBench.h"
#include "device/commands/DeviceCommands.h"
#include "device/link/TUsbInterface.h"
#include "device/sim/SimBackend.h"

namespace qzt {
namespace {

using namespace std::chrono;

using bench::ConfirmingUserInterface;
using bench::LineMeasurement;
using bench::ScratchFolder;

using Command = DeviceResult (*)(ProgramState&, TUsbInterface&, UserInterface&);

void RunCommand(benchmark::State& run, const char* name, Command command) {
    ScratchFolder folder;
    ProgramState state;
    bench::StartProgram(state, folder.Path());

    const SimSettings settings = bench::LineSettings(folder.File("unit.bin"), run.range(0));
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
    ->Arg(2)
    ->Arg(16)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WriteToDevice)
    ->Arg(2)
    ->Arg(16)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ChangeDeviceRadioCodes)
    ->Arg(2)
    ->Arg(16)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace qzt

int main(int argc, char** argv) {
    return qzt::bench::RunAndReport(argc, argv, "per command", 48);
}
