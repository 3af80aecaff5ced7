// The device link against the simulated box on its modelled line (57600
// baud, 11 bits a character, the chip's latency once per reply): how close a
// whole-image read, and a write of the configuration followed by its
// read-back, come to what the line itself allows, and how much processor
// time the waiting costs (see LineBench.h for the figures).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "LineBench.h"
#include "config/ConfigImage.h"
#include "config/MemoryMap.h"
#include "device/link/TUsbInterface.h"
#include "device/sim/SimBackend.h"

namespace {

using namespace std::chrono;
using qzt::bench::LineMeasurement;
using qzt::bench::ScratchFolder;

template <typename Operation>
void RunOverSimulatedLine(benchmark::State& state, const char* name, Operation operation) {
    ScratchFolder folder;
    const qzt::SimSettings settings =
        qzt::bench::LineSettings(folder.File("unit.bin"), state.range(0));
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

    LineMeasurement measurement(*sim);
    for (auto _ : state) {
        if (operation(link, image) != qzt::LinkOk) {
            state.SkipWithError("an exchange failed");
            break;
        }
    }
    measurement.Finish(state, name);
    link.Close();
}

void BM_ReadImage(benchmark::State& state) {
    RunOverSimulatedLine(state, "ReadImage", [](qzt::TUsbInterface& link, qzt::ConfigImage& image) {
        return link.ReadImage(image);
    });
}

// What Write to device sends and reads back.
void BM_WriteAndVerify(benchmark::State& state) {
    RunOverSimulatedLine(
        state, "WriteRange 14..224 + 231..237 + ReadImage",
        [](qzt::TUsbInterface& link, qzt::ConfigImage& image) {
            using namespace qzt;
            LinkResult result = link.WriteRange(image, kSettings.first, kChecksumOffset);
            result = result != LinkOk
                         ? result
                         : link.WriteRange(image, kClockBlock.first, kClockBlock.Last());
            return result != qzt::LinkOk ? result : link.ReadImage(image);
        });
}

BENCHMARK(BM_ReadImage)
    ->Arg(2)
    ->Arg(16)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WriteAndVerify)
    ->Arg(2)
    ->Arg(16)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return qzt::bench::RunAndReport(argc, argv, "per run", 66);
}
