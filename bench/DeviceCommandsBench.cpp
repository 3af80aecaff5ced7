// The three device commands whole, as the user starts them, against the
// simulated unit on its modelled line (57600 baud, 11 bits a character, the
// chip's latency once per reply): Read from device (with the New before it),
// Write to device (with the backup read, the backup file and the history
// line) and Change Radio Codes in device (the dialog answered at once).
//
// For each it prints the wall time, the line's lower bound for the same
// exchanges, their ratio, and the processor time of the whole process. The
// aims: a ratio of at most 1.10 with 1 ms latency, and processor time at most
// 5 % of wall time.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/StartUp.h"
#include "device/DeviceCommands.h"
#include "device/SimBackend.h"
#include "device/TUsbInterface.h"

namespace qzt {
namespace {

using namespace std::chrono;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Summary {
    std::string name;
    double wallMs;
    double boundMs;
    double cpuMs;
};
std::vector<Summary> summaries;

// A folder for the program's data and the simulated unit, gone afterwards.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qzt-bench-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

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

    sim->ClearTraffic();
    const auto wallStart = steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    for (auto _ : run) {
        if (command(state, link, ui) != DeviceResult::Ok) {
            run.SkipWithError(("the command failed: " + ui.lastError).c_str());
            return;
        }
    }
    const double cpuMs = (ProcessCpuSeconds() - cpuStart) * 1e3;
    const double wallMs = duration<double, std::milli>(steady_clock::now() - wallStart).count();
    const double boundMs = duration<double, std::milli>(sim->LineLowerBound()).count();

    const double n = static_cast<double>(run.iterations());
    run.counters["wall_ms"] = wallMs / n;
    run.counters["bound_ms"] = boundMs / n;
    run.counters["ratio"] = wallMs / boundMs;
    run.counters["cpu_ms"] = cpuMs / n;
    run.counters["cpu_pct"] = 100.0 * cpuMs / wallMs;
    summaries.push_back({std::string(name) + "/latency:" + std::to_string(run.range(0)) + "ms",
                         wallMs / n, boundMs / n, cpuMs / n});
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
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\n%-40s %9s %9s %7s %9s %7s\n", "per command", "wall ms", "bound ms", "ratio",
                "cpu ms", "cpu %");
    for (const qzt::Summary& s : qzt::summaries) {
        std::printf("%-40s %9.2f %9.2f %7.3f %9.3f %6.2f%%\n", s.name.c_str(), s.wallMs, s.boundMs,
                    s.wallMs / s.boundMs, s.cpuMs, 100.0 * s.cpuMs / s.wallMs);
    }
    std::printf("aims with 1 ms latency: ratio <= 1.10, cpu <= 5 %% of wall time\n");
    return 0;
}
