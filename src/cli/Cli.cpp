#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <ostream>

#include "core/StartUp.h"
#include "core/ValuesIni.h"
#include "core/VersionInfo.h"
#include "device/BackendPlugin.h"
#include "device/DeviceChoice.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The options a command takes besides --help.
enum Options : unsigned {
    kNoOptions = 0,
    kJson = 1,
    kOutput = 2,
    kSet = 4,
    kDevice = 8,
    kPlan = 16,
    kRecord = 32,
};

struct Command {
    const char* name;
    int (*run)(CliContext&);
    std::size_t minOperands;
    std::size_t maxOperands;  // SIZE_MAX: any number
    unsigned options;
    int help;
};

constexpr Command kCommands[] = {
    {"info", RunInfo, 1, 1, kJson, txt::CliHelpInfo},
    {"check", RunCheck, 1, 1, kNoOptions, txt::CliHelpCheck},
    {"diff", RunDiff, 2, 2, kNoOptions, txt::CliHelpDiff},
    {"set", RunSet, 2, SIZE_MAX, kOutput, txt::CliHelpSet},
    {"read", RunRead, 0, 0, kOutput | kDevice, txt::CliHelpRead},
    {"write", RunWrite, 1, 1, kDevice, txt::CliHelpWrite},
    {"radio-codes", RunRadioCodes, 0, 0, kSet | kDevice, txt::CliHelpRadioCodes},
    {"kvd-info", RunKvdInfo, 0, 0, kDevice, txt::CliHelpKvdInfo},
    {"devices", RunDevices, 0, 0, kJson | kDevice, txt::CliHelpDevices},
    {"series", RunSeries, 1, 1, kPlan | kRecord | kDevice, txt::CliHelpSeries},
};

// Read by ParseDeviceOptions, as the window reads them: --device= and the
// options of the backends the program added.
std::vector<std::string> DeviceOptionNames() {
    std::vector<std::string> names{"--device"};
    for (const BackendPlugin& plugin : AddedBackends()) {
        names.insert(names.end(), plugin.optionNames.begin(), plugin.optionNames.end());
    }
    return names;
}

const Command* FindCommand(const std::string& name) {
    const auto* found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                     [&](const Command& c) { return name == c.name; });
    return found == std::end(kCommands) ? nullptr : found;
}

// An option with a value, handed to `take` at once each time it is given: the
// last one wins, and the device options keep their order.
void TakeEach(CLI::App& command, const std::string& name,
              std::function<void(const std::string&)> take) {
    command.add_option(name)->trigger_on_parse()->each(std::move(take));
}

// The grammar: one subcommand per command with only the options it takes.
// Arguments nobody takes are kept, so that they are reported with the
// tool's own texts; words before the command are taken as its name.
void DeclareCommands(CLI::App& app, Invocation& call, std::vector<std::string>& commandWords,
                     std::vector<std::string>& deviceOptions) {
    app.set_version_flag("--version", FileVersionString());
    app.allow_extras();
    // Once the command is known, another command name is an operand.
    app.require_subcommand(0, 1);
    app.add_option("command", commandWords);
    for (const Command& command : kCommands) {
        CLI::App* sub = app.add_subcommand(command.name);
        sub->allow_extras();
        sub->preparse_callback([&call, &command](std::size_t) { call.command = command.name; });
        sub->add_option("operands", call.operands);
        if (command.options & kJson) {
            sub->add_flag("--json", call.json);
        }
        if (command.options & kOutput) {
            TakeEach(*sub, "-o,--output", [&call](const std::string& v) { call.output = v; });
        }
        if (command.options & kSet) {
            TakeEach(*sub, "--set", [&call](const std::string& v) { call.set = v; });
        }
        if (command.options & kPlan) {
            TakeEach(*sub, "--plan", [&call](const std::string& v) { call.plan = v; });
        }
        if (command.options & kRecord) {
            TakeEach(*sub, "--record", [&call](const std::string& v) { call.record = v; });
            // One row to give again a time; the option may come again.
            TakeEach(*sub, "--redo", [&call](const std::string& v) { call.redo.push_back(v); });
        }
        if (command.options & kDevice) {
            for (const std::string& name : DeviceOptionNames()) {
                TakeEach(*sub, name, [&deviceOptions, name](const std::string& value) {
                    deviceOptions.push_back(name + '=' + value);
                });
            }
        }
    }
}

}  // namespace

int UsageError(std::ostream& err, const std::string& message) {
    err << message << '\n' << Text(txt::CliUsage) << '\n';
    return kExitUsage;
}

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           const PlatformFolders& folders, bool errIsTerminal) {
    Invocation call;
    call.command = "qzt";  // until a command is named
    std::vector<std::string> commandWords;
    std::vector<std::string> deviceOptions;  // "--device=D" ..., in their order
    CLI::App app;
    // Options are "--name" on every system: CLI11 would take "/name" for one
    // on Windows, and with it a path such as "/data/unit.Qzt".
    app.allow_windows_style_options(false);
    DeclareCommands(app, call, commandWords, deviceOptions);
    // Everything after a lone "--" is an operand. CLI11 2.1 lets a subcommand
    // hand what follows "--" back to the options of the tool (a file named
    // --version would print the version), so it parses only what comes before.
    const auto operandsOnly = std::find(arguments.begin(), arguments.end(), "--");
    // CLI11 would take the next argument as the value of "--name=".
    const auto emptyValue = std::find_if(arguments.begin(), operandsOnly, [](const std::string& a) {
        return a.starts_with("--") && a.find('=') == a.size() - 1;
    });
    if (emptyValue != operandsOnly) {
        return UsageError(
            err, TextF(txt::CliMissingValue, emptyValue->substr(0, emptyValue->size() - 1)));
    }
    try {
        // CLI11 takes the arguments last first.
        app.parse(
            std::vector<std::string>(std::make_reverse_iterator(operandsOnly), arguments.rend()));
    } catch (const CLI::CallForHelp&) {
        const Command* command = FindCommand(call.command);
        out << (command ? Text(command->help) : Text(txt::CliUsage))
            << (command && command->options & kDevice ? "\n\n" + Text(txt::CliHelpDevice) : "")
            << '\n';
        return kExitOk;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return kExitOk;
    } catch (const CLI::ArgumentMismatch&) {
        // An option that takes a value came last, without one.
        const std::string& last = *std::prev(operandsOnly);
        return UsageError(err, TextF(txt::CliMissingValue, last.substr(0, last.find('='))));
    } catch (const CLI::ParseError&) {
        // A value CLI11 could not convert (--json=maybe).
        return UsageError(err, TextF(txt::CliWrongArguments, call.command));
    }
    const Command* command = FindCommand(call.command);
    std::vector<std::string>& words = command ? call.operands : commandWords;
    words.insert(words.end(), operandsOnly + (operandsOnly != arguments.end()), arguments.end());
    if (const std::vector<std::string> extras = app.remaining(true); !extras.empty()) {
        return UsageError(err, TextF(txt::CliUnknownOption, extras.front()));
    }
    if (!commandWords.empty()) {
        return UsageError(err, TextF(txt::CliUnknownCommand, commandWords.front()));
    }
    if (command == nullptr || call.operands.size() < command->minOperands ||
        call.operands.size() > command->maxOperands) {
        return UsageError(err, TextF(txt::CliWrongArguments, call.command));
    }
    // The window reads the same device options.
    if (const Result<DeviceOptions> given = ParseDeviceOptions(deviceOptions);
        command->options & kDevice && !given) {
        return UsageError(err, given.error().message);
    }

    // The window's session: the same folders, Values.ini and value lists.
    // The folders are the caller's, used for this call only.
    Session session;
    session.SetFolders(std::shared_ptr<const PlatformFolders>(std::shared_ptr<void>(), &folders));
    ConsoleUserInterface ui(err);
    ui.SetProgressLine(errIsTerminal);
    try {
        RunStartUp(session.State(), session.Folders(), {});
    } catch (const ValuesIniWriteError& error) {
        ui.ShowError(error.what());
        return kExitFailed;
    }
    // As in the window: --device= and QZT_DEVICE for this run, else the box
    // chosen in Communication > Connection.
    (void)session.ChooseDevice(deviceOptions, std::getenv("QZT_DEVICE"));
    CliContext context{call, session, session.State(), ui, out};
    return command->run(context);
}

}  // namespace qzt
