// qzt series: a ward's units one after another from the shell, until the
// plan is used up or Ctrl+C, which takes effect between two units only.
#include <csignal>
#include <cstdio>
#include <ostream>

#include "cli/Cli.h"
#include "device/Backends.h"
#include "series/SeriesEngine.h"
#include "text/Text.h"

namespace qzt {
namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

// Ctrl+C only asks the series to stop; the unit being programmed is
// finished first. The previous handler is back when the series ends.
class InterruptGuard {
  public:
    InterruptGuard() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        // Calls on the box resume after the handler has run.
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    bool Interrupted() const { return interrupted != 0; }

  private:
    struct sigaction previous_ {};
};

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

}  // namespace

int RunSeries(CliContext& c) {
    const std::string& file = c.call.operands[0];
    // Loaded as 'qzt write' loads it; PrepareSeries encodes it as Write to
    // device would before any unit is reached.
    const FileResult load = OpenConfigFile(c.state, c.ui, file);
    if (load != FileResult::Ok && load != FileResult::DecodeFault) {
        return ExitCodeFor(load);
    }
    std::optional<SeriesSetup> setup;
    switch (PrepareSeries(c.state, c.ui, file, c.call.plan.value_or(""), c.call.record.value_or(""),
                          setup)) {
        case SeriesPreparation::Ok:
            break;
        case SeriesPreparation::EncodeRefused:
        case SeriesPreparation::PlanRefused:
            return kExitInvalidData;
        case SeriesPreparation::PlanUnreadable:
        case SeriesPreparation::RecordFailed:
            return kExitFailed;
    }

    TUsbInterface link(MakeBackend(c.call.device));
    SeriesRun run(std::move(*setup), link, c.ui);
    InterruptGuard guard;
    std::optional<SeriesWait> said;
    bool recordFailed = false;
    while (!guard.Interrupted() && !run.Finished()) {
        const auto start = link.Clock().Now();
        if (const std::optional<UnitReport> report = run.Step()) {
            c.out << report->serialNumber << '\t' << report->label << '\t' << report->resultText
                  << '\t' << Seconds(report->seconds) << std::endl;
            if (!run.RecordProblem().empty()) {
                c.ui.ShowErrorWithReason(TextF(txt::RecordUnwritable, run.RecordPath()),
                                         run.RecordProblem());
                recordFailed = true;
                break;
            }
        }
        // What the series waits for, said once each time it changes.
        if (run.Waiting() != said) {
            said = run.Waiting();
            if (*said != SeriesWait::ForRemoval) {
                c.ui.Messages() << Text(SeriesWaitText(*said)) << std::endl;
            }
        }
        // The next look about half a second after this one began; Ctrl+C is
        // heard within a tenth of a second meanwhile.
        const auto next = start + SeriesRun::kPollInterval;
        while (!guard.Interrupted() && !run.Finished() && link.Clock().Now() < next) {
            link.Clock().SleepFor(std::min<LinkClock::Duration>(next - link.Clock().Now(),
                                                                std::chrono::milliseconds(100)));
        }
    }
    if (run.Finished()) {
        c.ui.Messages() << Text(txt::SeriesPlanComplete) << std::endl;
    }
    c.out << SeriesSummaryText(run.Totals()) << std::endl;
    if (recordFailed) {
        return kExitFailed;
    }
    return run.Totals().failed == 0 ? kExitOk : kExitDeviceFailed;
}

}  // namespace qzt
