// Programming a ward: each unit of a simulated ward on its modelled line
// (57600 baud, 11 bits a character, the chip's latency once per reply),
// from the look that finds it to the look after it is done, as the series
// runs it: Write to device (backup read, write, full read-back verify), then
// Change Radio Codes in device with the plan's codes (backup read, write,
// read-back), each unit with its own bed's codes.
//
// The time a unit takes is compared with the line's lower bound for the
// same exchanges, and the series' own figure for the write, the verify and
// the codes is given per unit. The aims: LineBench.h.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "CommandSetup.h"
#include "LineBench.h"
#include "core/FileSystem.h"
#include "device/link/TUsbInterface.h"
#include "device/sim/SimBackend.h"
#include "device/sim/SimUnitFile.h"
#include "files/FileCommands.h"
#include "series/SeriesEngine.h"

namespace qzt {
namespace {

using bench::LineMeasurement;
using bench::ScratchFolder;

// A plan of `beds` rows with codes of their own.
std::string WardPlan(std::size_t beds) {
    std::string plan = "Label,Allow user,Pad on,Pad off,On pad,Out of pad,Technical\n";
    for (std::size_t bed = 0; bed < beds; ++bed) {
        plan += "Bed " + std::to_string(bed + 1);
        for (std::size_t code = 0; code < 6; ++code) {
            char text[6];
            std::snprintf(text, sizeof text, ",%04zX", 0x1000 + 8 * bed + code);
            plan += text;
        }
        plan += "\n";
    }
    return plan;
}

void BM_SeriesUnit(benchmark::State& run) {
    ScratchFolder folder;
    ProgramState state;
    bench::StartProgram(state, folder.Path());
    const std::size_t units = static_cast<std::size_t>(run.max_iterations);
    const std::string ward = folder.File("ward");
    std::filesystem::create_directories(ward);
    for (std::size_t i = 0; i < units; ++i) {
        ConfigImage unit = BuildSimulatedUnitImage();
        unit[kSerialNumberBytes.Last()] = static_cast<std::uint8_t>(i);
        StoreChecksum(unit);
        char name[32];
        std::snprintf(name, sizeof name, "/unit-%04zu", i);
        if (!WriteFileAtomically(ward + name, std::string(unit.begin(), unit.end()))) {
            std::abort();
        }
    }
    const std::string plan = folder.File("plan.csv");
    if (!WriteFileAtomically(plan, WardPlan(units))) {
        std::abort();
    }

    bench::QuietUserInterface ui;
    // The form holds the default configuration, as after File > New.
    FileNew(state, ui);
    Result<SeriesSetup, SeriesRefusal> setup =
        PrepareSeries(state, ui, "ward.Qzt", plan, folder.File("record.csv"), {});
    if (!setup) {
        run.SkipWithError(("the series cannot start: " + ui.lastError).c_str());
        return;
    }
    auto sim = std::make_shared<SimLibrary>(bench::LineSettings(ward, run.range(0)));
    TUsbInterface link(sim);
    QuietSeriesEvents events(ui);
    SeriesEngine series(std::move(*setup), link, events);

    double programSeconds = 0;
    LineMeasurement measurement(*sim);
    for (auto _ : run) {
        // The look after the last unit (it is still there) and the one that
        // finds this unit and programs it.
        std::optional<UnitReport> report;
        for (int look = 0; look < 3 && !report; ++look) {
            report = series.Step();
        }
        if (!report || report->outcome != UnitOutcome::Done) {
            run.SkipWithError("a unit was not programmed");
            return;
        }
        programSeconds += report->seconds;
    }
    run.counters["program_ms"] = 1e3 * programSeconds / static_cast<double>(run.iterations());
    measurement.Finish(run, "SeriesUnit");
}

BENCHMARK(BM_SeriesUnit)
    ->Arg(2)
    ->Arg(16)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace qzt

int main(int argc, char** argv) {
    return qzt::bench::RunAndReport(argc, argv, "per unit of a series", 48);
}
