// windows.h before the headers that build on it.
#include <windows.h>

#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>

#include "cli/ConsoleOs.h"
#include "core/WideText.h"

namespace qzt {
namespace {

std::atomic<bool> interrupted{false};

// Runs on a thread of its own that the console starts. Ctrl+C and
// Ctrl+Break only set the flag; closing the console window still ends the
// program.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        interrupted = true;
        return TRUE;
    }
    return FALSE;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    ::SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(Utf8FromWide(wide[i]));
    }
    ::LocalFree(wide);
    return arguments;
}

bool StandardErrorIsTerminal() {
    return ::_isatty(::_fileno(stderr)) != 0;
}

InterruptGuard::InterruptGuard() {
    interrupted = false;
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptGuard::~InterruptGuard() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool InterruptGuard::Interrupted() const {
    return interrupted;
}

}  // namespace qzt
