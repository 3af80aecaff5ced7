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
#include "core/StartUp.h"
#include "device/DeviceCommands.h"
#include "device/SimBackend.h"
#include "device/TUsbInterface.h"

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
class QuietUserInterface : public UserInterface {
  public:
    void ShowError(const std::string& text) override { lastError = text; }
    void ShowInformation(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }
    void SetStatusText(const std::string&) override {}
    std::string StatusText() const override { return {}; }
    void SetTitle(const std::string&) override {}
    void BeginBusy() override {}
    void EndBusy() override {}
    void ProcessPendingMessages() override {}
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions&) override { return {}; }
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions&) override { return {}; }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override {
        return {};
    }
    bool EditRadioCodes(const RadioCodes&, RadioCodes& newCodes) override {
        ++changes;
        const std::string code = changes % 2 == 0 ? "1234" : "4321";
        newCodes.fill(code);
        return true;
    }

    std::string lastError;
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
    QuietUserInterface ui;
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
    RunCommand(run, "ChangeDeviceRadioCodes", ChangeDeviceRadioCodes);
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
