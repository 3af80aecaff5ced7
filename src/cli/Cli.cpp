#include "cli/Cli.h"

#include <functional>
#include <map>
#include <ostream>

#include "core/StartUp.h"
#include "core/ValuesIni.h"
#include "core/VersionInfo.h"
#include "text/Text.h"

namespace qzt {
namespace {

struct Command {
    int (*run)(CliContext&);
    std::size_t minOperands;
    std::size_t maxOperands;  // SIZE_MAX: any number
};

const std::map<std::string, Command>& Commands() {
    static const std::map<std::string, Command> commands = {
        {"info", {RunInfo, 1, 1}},
        {"check", {RunCheck, 1, 1}},
        {"diff", {RunDiff, 2, 2}},
        {"set", {RunSet, 2, SIZE_MAX}},
        {"read", {RunRead, 0, 0}},
        {"write", {RunWrite, 1, 1}},
        {"radio-codes", {RunRadioCodes, 0, 0}},
        {"kvd-info", {RunKvdInfo, 0, 0}},
    };
    return commands;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// Sorts the arguments into the call; nothing (and a usage error shown) for an
// option the tool does not know.
std::optional<Invocation> Parse(const std::vector<std::string>& arguments, std::ostream& err,
                                int& exitCode) {
    Invocation call;
    call.arguments = arguments;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            if (call.command.empty()) {
                call.command = a;
            } else {
                call.operands.push_back(a);
            }
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--json") {
            call.json = true;
        } else if (a == "-o" || a == "--output") {
            if (i + 1 >= arguments.size()) {
                exitCode = UsageError(err, TextF(txt::CliUnknownOption, a));
                return std::nullopt;
            }
            call.output = arguments[++i];
        } else if (StartsWith(a, "--output=")) {
            call.output = a.substr(9);
        } else if (StartsWith(a, "--set=")) {
            call.set = a.substr(6);
        } else if (StartsWith(a, "--device=") || StartsWith(a, "--sim-faults=") ||
                   StartsWith(a, "--sim-latency=") || StartsWith(a, "--sim-timing=")) {
            // The device options are read from `arguments` by the commands
            // that reach a unit.
        } else {
            exitCode = UsageError(err, TextF(txt::CliUnknownOption, a));
            return std::nullopt;
        }
    }
    return call;
}

}  // namespace

int UsageError(std::ostream& err, const std::string& message) {
    err << message << '\n' << Text(txt::CliUsage) << '\n';
    return kExitUsage;
}

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           const PlatformFolders& folders, bool errIsTerminal) {
    for (const std::string& a : arguments) {
        if (a == "--version") {
            out << FileVersionString() << '\n';
            return kExitOk;
        }
        if (a == "--help" || a == "-h") {
            out << Text(txt::CliUsage) << '\n';
            return kExitOk;
        }
    }
    int exitCode = kExitOk;
    std::optional<Invocation> call = Parse(arguments, err, exitCode);
    if (!call) {
        return exitCode;
    }
    if (call->command.empty()) {
        return UsageError(err, TextF(txt::CliWrongArguments, "qzt"));
    }
    const auto command = Commands().find(call->command);
    if (command == Commands().end()) {
        return UsageError(err, TextF(txt::CliUnknownCommand, call->command));
    }
    if (call->operands.size() < command->second.minOperands ||
        call->operands.size() > command->second.maxOperands) {
        return UsageError(err, TextF(txt::CliWrongArguments, call->command));
    }

    // The same folders, Values.ini and value lists as the window.
    ProgramState state;
    ConsoleUserInterface ui(err);
    ui.SetProgressLine(errIsTerminal);
    try {
        RunStartUp(state, folders, {});
    } catch (const ValuesIniWriteError& error) {
        ui.ShowError(error.what());
        return kExitFailed;
    }
    CliContext context{*call, state, ui, out};
    return command->second.run(context);
}

}  // namespace qzt
