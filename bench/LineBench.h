#pragma once
// What the benchmarks over the simulated line share: a scratch folder, the
// measurement of wall time, the line's lower bound and processor time around
// a benchmark's loop, and the closing table of those figures.
//
// For each benchmark the table gives the wall time, the line's lower bound
// for the same exchanges (every byte sent and received at 11 bits per
// character at 57600 baud, plus one latency per exchange), their ratio, and
// the processor time of the whole process. The aims: a ratio of at most 1.10
// with the latency timer lowered to 2 ms, and processor time at most 5 % of
// wall time. The same runs with the chip's power-on 16 ms show what
// lowering the latency timer is worth.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "device/sim/SimBackend.h"

namespace qzt::bench {

// A folder for the simulated unit's memory (and the program's data), gone
// afterwards.
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
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const char* name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The simulated box on its modelled line with the chip's latency timer at
// `latencyMs`: 16 is the chip's power-on value, left as it is (as when the
// backend could not lower it); anything else is what the backend lowered it
// to.
inline SimSettings LineSettings(std::string path, std::int64_t latencyMs) {
    SimSettings settings;
    settings.path = std::move(path);
    if (latencyMs == std::chrono::milliseconds(kPowerOnLatency).count()) {
        settings.faults.push_back({SimFaultKind::LatencyRefused});
    } else {
        settings.latency = std::chrono::milliseconds(latencyMs);
    }
    return settings;
}

struct Summary {
    std::string name;
    double wallMs;
    double boundMs;
    double cpuMs;
};

inline std::vector<Summary>& Summaries() {
    static std::vector<Summary> summaries;
    return summaries;
}

inline double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Measures the benchmark's loop from its construction to Finish: the line's
// traffic counts from here on.
class LineMeasurement {
  public:
    explicit LineMeasurement(SimLibrary& sim) : sim_(sim) {
        sim_.ClearTraffic();
        wallStart_ = std::chrono::steady_clock::now();
        cpuStart_ = ProcessCpuSeconds();
    }

    // Records the figures per iteration as counters and for the table.
    void Finish(benchmark::State& state, const std::string& name) {
        using Ms = std::chrono::duration<double, std::milli>;
        const double cpuMs = (ProcessCpuSeconds() - cpuStart_) * 1e3;
        const double wallMs = Ms(std::chrono::steady_clock::now() - wallStart_).count();
        const double boundMs = Ms(sim_.LineLowerBound()).count();
        const double n = static_cast<double>(state.iterations());
        state.counters["wall_ms"] = wallMs / n;
        state.counters["bound_ms"] = boundMs / n;
        state.counters["ratio"] = wallMs / boundMs;
        state.counters["cpu_ms"] = cpuMs / n;
        state.counters["cpu_pct"] = 100.0 * cpuMs / wallMs;
        const bool powerOn = state.range(0) == kPowerOnLatency.count();
        Summaries().push_back({name + "/latency:" + std::to_string(state.range(0)) + "ms" +
                                   (powerOn ? " (power-on)" : " (lowered)"),
                               wallMs / n, boundMs / n, cpuMs / n});
    }

  private:
    SimLibrary& sim_;
    std::chrono::steady_clock::time_point wallStart_{};
    double cpuStart_ = 0;
};

// Runs the registered benchmarks and prints the table of figures.
inline int RunAndReport(int argc, char** argv, const char* heading, int nameWidth) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\n%-*s %9s %9s %7s %9s %7s\n", nameWidth, heading, "wall ms", "bound ms", "ratio",
                "cpu ms", "cpu %");
    for (const Summary& s : Summaries()) {
        std::printf("%-*s %9.2f %9.2f %7.3f %9.3f %6.2f%%\n", nameWidth, s.name.c_str(), s.wallMs,
                    s.boundMs, s.wallMs / s.boundMs, s.cpuMs, 100.0 * s.cpuMs / s.wallMs);
    }
    std::printf("aims with the lowered latency: ratio <= 1.10, cpu <= 5 %% of wall time\n");
    return 0;
}

}  // namespace qzt::bench
