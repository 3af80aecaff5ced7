#include <unistd.h>

#include <csignal>

#include "cli/ConsoleOs.h"

namespace qzt {
namespace {

volatile std::sig_atomic_t interrupted = 0;
struct sigaction previous {};

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

InterruptGuard::InterruptGuard() {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    // Calls on the box resume after the handler has run.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &previous, nullptr);
}

bool InterruptGuard::Interrupted() const {
    return interrupted != 0;
}

}  // namespace qzt
