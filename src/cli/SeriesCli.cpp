// qzt series: a ward's units one after another from the shell, until the
// plan is used up or Ctrl+C, which takes effect between two units only.
#include <cstdio>
#include <ostream>

#include "cli/Cli.h"
#include "cli/ConsoleOs.h"
#include "series/SeriesEngine.h"
#include "text/Text.h"

namespace qzt {
namespace {

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

// The console's side of a series: status texts and blocks are not printed
// (one line a unit is the output); Ctrl+C is acknowledged as soon as it
// comes, even in the middle of a unit.
class ConsoleSeriesEvents : public QuietSeriesEvents {
  public:
    ConsoleSeriesEvents(ConsoleUserInterface& ui, const InterruptGuard& guard)
        : QuietSeriesEvents(ui), ui_(ui), guard_(guard) {}

    void KeepAlive() override {
        if (guard_.Interrupted() && !acknowledged_) {
            acknowledged_ = true;
            ui_.MessageStream() << Text(txt::SeriesStoppingCli) << std::endl;
        }
    }

  private:
    ConsoleUserInterface& ui_;
    const InterruptGuard& guard_;
    bool acknowledged_ = false;
};

}  // namespace

int RunSeries(CliContext& c) {
    const std::string& file = c.call.operands[0];
    // Loaded as 'qzt write' loads it; PrepareSeries encodes it as Write to
    // device would before any unit is reached.
    const FileResult load = OpenConfigFile(c.state, c.ui, file);
    if (load != FileResult::Ok && load != FileFault::DecodeFault) {
        return ExitCodeFor(load);
    }
    Result<SeriesSetup, SeriesRefusal> setup = PrepareSeries(
        c.state, c.ui, file, c.call.plan.value_or(""), c.call.record.value_or(""), c.call.redo);
    if (!setup) {
        switch (setup.error()) {
            case SeriesRefusal::EncodeRefused:
            case SeriesRefusal::PlanRefused:
                return kExitInvalidData;
            case SeriesRefusal::RedoUnknown:
                return kExitUsage;
            case SeriesRefusal::PlanUnreadable:
            case SeriesRefusal::RecordFailed:
                return kExitFailed;
        }
    }
    // No one to confirm: what the window would ask about is said.
    for (const std::string& note : setup->notes) {
        c.ui.MessageStream() << note << std::endl;
    }

    TUsbInterface& link = c.session.Link();
    InterruptGuard guard;
    ConsoleSeriesEvents events(c.ui, guard);
    SeriesEngine engine(std::move(*setup), link, events);
    std::optional<SeriesWait> said;
    bool recordFailed = false;
    while (!guard.Interrupted() && !engine.Finished()) {
        if (const std::optional<UnitReport> report = engine.Step()) {
            c.out << report->serialNumber << '\t' << report->label << '\t' << report->resultText
                  << '\t' << Seconds(report->seconds) << std::endl;
            if (!report->recordProblem.empty()) {
                c.ui.ShowErrorWithReason(TextF(txt::RecordUnwritable, engine.RecordPath()),
                                         report->recordProblem);
                recordFailed = true;
                break;
            }
        }
        // What the series waits for, said once each time it changes.
        if (engine.Waiting() != said) {
            said = engine.Waiting();
            if (*said != SeriesWait::ForRemoval) {
                c.ui.MessageStream() << Text(SeriesWaitText(*said)) << std::endl;
            }
        }
        engine.WaitForNextLook([&] { return guard.Interrupted() || engine.Finished(); });
        events.KeepAlive();
    }
    if (engine.Finished()) {
        c.ui.MessageStream() << Text(txt::SeriesPlanComplete) << std::endl;
    }
    const SeriesTotals totals = engine.Totals();
    c.out << SeriesSummaryText(totals) << std::endl;
    if (recordFailed) {
        return kExitFailed;
    }
    if (totals.failed > 0) {
        return kExitDeviceFailed;
    }
    return engine.BoxSeen() ? kExitOk : kExitNoConnection;
}

}  // namespace qzt
