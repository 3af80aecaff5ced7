// Decoding and encoding one configuration image as the file and device
// commands do: through the core's glue, with the program's lists, with no
// window attached. Every Open, Save, Read and Write pays this once, so it
// must stay far below what a user can notice (target: under 20 us for both).

#include <benchmark/benchmark.h>

#include "QuietUserInterface.h"
#include "config/DefaultImage.h"
#include "config/TimeSchedule.h"
#include "core/FormCodec.h"

namespace qzt {
namespace {

using bench::QuietUserInterface;

// The lists of the shipped settings file.
void FillLists(ProgramState& state) {
    for (const DropDownSource& source : kDropDownSources) {
        ValueList& list = state.List(source.dropDown);
        const int codes = source.dropDown == DropDown::DoorMatSensorType          ? 3
                          : source.dropDown == DropDown::DaylightSavingTimeRegion ? 7
                                                                                  : 8;
        for (int code = 0; code < codes; ++code) {
            list.Append(code, "Entry " + std::to_string(code));
        }
    }
}

// Open a file, then Save it: decode as a file, encode for saving.
void BM_DecodeAndEncodeImage(benchmark::State& run) {
    ProgramState state;
    FillLists(state);
    QuietUserInterface ui;
    const ConfigImage original = BuildDefaultImage();
    for (auto _ : run) {
        ConfigImage image = original;
        auto decoded = DecodeIntoForm(state, ui, image, ConfigMode::File);
        auto encoded = EncodeFromForm(state, ui, image, ConfigMode::Saved);
        benchmark::DoNotOptimize(decoded);
        benchmark::DoNotOptimize(encoded);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_DecodeAndEncodeImage);

// Encoding for the unit adds the clock block and 16 years of daylight-saving
// days (the rule given in memory, not read from Values.ini).
void BM_EncodeForTheUnit(benchmark::State& run) {
    ProgramState state;
    FillLists(state);
    QuietUserInterface ui;
    ConfigImage image = BuildDefaultImage();
    DecodeIntoForm(state, ui, image, ConfigMode::File);
    CodecContext context = CodecContextFor(state, ui);
    context.dstRuleText = [](int) { return std::string("5,1,3,2,0,5,1,10,3,0,60"); };
    for (auto _ : run) {
        auto encoded = EncodeImage(image, ConfigMode::Written, state.Form, context);
        benchmark::DoNotOptimize(encoded);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_EncodeForTheUnit);

}  // namespace
}  // namespace qzt

BENCHMARK_MAIN();
