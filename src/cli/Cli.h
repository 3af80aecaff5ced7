#pragma once
// qzt, the command-line tool: what the window does, from a shell or a
// script, through the same command code.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "core/PlatformFolders.h"
#include "core/ProgramState.h"
#include "device/commands/DeviceCommands.h"
#include "files/FileCommands.h"
#include "session/Session.h"

namespace qzt {

// One call of the tool, its options sorted out.
struct Invocation {
    std::string command;
    std::vector<std::string> operands;
    bool json = false;                  // --json
    std::optional<std::string> output;  // -o OUT
    std::optional<std::string> set;     // --set=LIST
    std::optional<std::string> plan;    // --plan=PLAN.csv
    std::optional<std::string> record;  // --record=RECORD.csv
    std::vector<std::string> redo;      // --redo=LABEL, each
};

// What a command needs: its call, the session as the window has it (the
// program state with its folders, Values.ini and value lists; the device of
// the run and the links built from it), its state, the user interface on
// the console, and the stream for its results.
struct CliContext {
    const Invocation& call;
    Session& session;
    ProgramState& state;
    ConsoleUserInterface& ui;
    std::ostream& out;
};

// Runs the tool on `arguments` (without the program name). Results go to
// `out`, messages to `err`; returns the exit code. With `errIsTerminal` the
// device commands keep a progress line on `err`.
int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           const PlatformFolders& folders, bool errIsTerminal = false);

// The commands on configuration files.
int RunInfo(CliContext& context);
int RunCheck(CliContext& context);
int RunDiff(CliContext& context);
int RunSet(CliContext& context);

// The commands on the unit.
int RunRead(CliContext& context);
int RunWrite(CliContext& context);
int RunRadioCodes(CliContext& context);
int RunKvdInfo(CliContext& context);
// What the program can find to talk to (the connection dialog's list).
int RunDevices(CliContext& context);
// One unit after another, until the plan is used up or Ctrl+C.
int RunSeries(CliContext& context);

// The exit code of a command's outcome.
int ExitCodeFor(FileResult result);
int ExitCodeFor(DeviceResult result);

// Reports a usage error (the message, then the usage text) and returns 2.
int UsageError(std::ostream& err, const std::string& message);

}  // namespace qzt
