// The device link against the simulated box on its modelled line (57600
// baud, 11 bits a character, the chip's latency once per reply): how close a
// whole-image read, and a write of the configuration followed by its
// read-back, come to what the line itself allows, and how much processor
// time the waiting costs.
//
// For each benchmark it prints the wall time, the line's lower bound for the
// same exchanges (every byte sent and received at 11 bits per character, plus
// one latency per exchange), their ratio, and the processor time of the whole
// process. The aims: a ratio of at most 1.10 with 1 ms latency, and processor
// time at most 5 % of wall time.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/ConfigImage.h"
#include "device/SimBackend.h"
#include "device/TUsbInterface.h"

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

// A folder for the simulated unit's memory, gone afterwards.
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
    std::string File(const char* name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

template <typename Operation>
void RunOverSimulatedLine(benchmark::State& state, const char* name, Operation operation) {
    ScratchFolder folder;
    qzt::SimSettings settings;
    settings.path = folder.File("unit.bin");
    settings.latency = milliseconds(state.range(0));
    auto sim = std::make_shared<qzt::SimLibrary>(settings);
    qzt::TUsbInterface link(sim);
    if (link.Open() != qzt::LinkOk || link.CheckConnection() != qzt::LinkOk) {
        state.SkipWithError("the simulated box does not answer");
        return;
    }
    qzt::ConfigImage image{};
    if (link.ReadImage(image) != qzt::LinkOk) {
        state.SkipWithError("the simulated unit cannot be read");
        return;
    }

    sim->ClearTraffic();
    const auto wallStart = steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    for (auto _ : state) {
        if (operation(link, image) != qzt::LinkOk) {
            state.SkipWithError("an exchange failed");
            break;
        }
    }
    const double cpuMs = (ProcessCpuSeconds() - cpuStart) * 1e3;
    const double wallMs = duration<double, std::milli>(steady_clock::now() - wallStart).count();
    const double boundMs = duration<double, std::milli>(sim->LineLowerBound()).count();
    link.Close();

    const double n = static_cast<double>(state.iterations());
    state.counters["wall_ms"] = wallMs / n;
    state.counters["bound_ms"] = boundMs / n;
    state.counters["ratio"] = wallMs / boundMs;
    state.counters["cpu_ms"] = cpuMs / n;
    state.counters["cpu_pct"] = 100.0 * cpuMs / wallMs;
    summaries.push_back({std::string(name) + "/latency:" + std::to_string(state.range(0)) + "ms",
                         wallMs / n, boundMs / n, cpuMs / n});
}

void BM_ReadImage(benchmark::State& state) {
    RunOverSimulatedLine(state, "ReadImage", [](qzt::TUsbInterface& link, qzt::ConfigImage& image) {
        return link.ReadImage(image);
    });
}

// What Write to device sends and reads back.
void BM_WriteAndVerify(benchmark::State& state) {
    RunOverSimulatedLine(state, "WriteRange 14..224 + 231..237 + ReadImage",
                         [](qzt::TUsbInterface& link, qzt::ConfigImage& image) {
                             int result = link.WriteRange(image, 14, 224);
                             result =
                                 result != qzt::LinkOk ? result : link.WriteRange(image, 231, 237);
                             return result != qzt::LinkOk ? result : link.ReadImage(image);
                         });
}

BENCHMARK(BM_ReadImage)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WriteAndVerify)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\n%-52s %9s %9s %7s %9s %7s\n", "per run", "wall ms", "bound ms", "ratio",
                "cpu ms", "cpu %");
    for (const Summary& s : summaries) {
        std::printf("%-52s %9.2f %9.2f %7.3f %9.3f %6.2f%%\n", s.name.c_str(), s.wallMs, s.boundMs,
                    s.wallMs / s.boundMs, s.cpuMs, 100.0 * s.cpuMs / s.wallMs);
    }
    std::printf("aims with 1 ms latency: ratio <= 1.10, cpu <= 5 %% of wall time\n");
    return 0;
}
