// qzt-pty-box UNIT-FILE [FAULTS]: the simulated box on a pseudo-terminal for
// programs that are not the tests themselves (the Windows version under
// wine, which reaches it as a COM port). Prints the terminal's path on a
// line, answers until its standard input closes or it is asked to stop
// (SIGTERM, SIGINT), then writes the unit back to UNIT-FILE.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

#include <poll.h>
#include <unistd.h>

#include "PtyKvdServer.h"

namespace {

volatile std::sig_atomic_t stop = 0;

extern "C" void OnStop(int) {
    stop = 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: qzt-pty-box UNIT-FILE [FAULTS]\n";
        return 2;
    }
    qzt::SimSettings settings;
    settings.path = argv[1];
    if (argc == 3) {
        qzt::Result<std::vector<qzt::SimFault>> faults = qzt::ParseSimFaults(argv[2]);
        if (!faults) {
            std::cerr << faults.error().message << "\n";
            return 2;
        }
        settings.faults = std::move(*faults);
    }
    qzt::PtyKvdServer server(settings);
    if (!server.Start()) {
        std::cerr << "qzt-pty-box: no pseudo-terminal or unit file\n";
        return 1;
    }
    std::signal(SIGTERM, OnStop);
    std::signal(SIGINT, OnStop);
    std::cout << server.PortPath() << std::endl;
    // Until standard input closes (the script ends) or a signal comes.
    while (stop == 0) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        if (::poll(&in, 1, 200) > 0) {
            char byte;
            if (::read(STDIN_FILENO, &byte, 1) <= 0) {
                break;
            }
        }
    }
    server.Stop();
    return 0;
}
