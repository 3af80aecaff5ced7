#pragma once
// What the command-line tool asks of the operating system's console: the
// arguments as UTF-8, whether standard error is a terminal, and Ctrl+C.
// ConsoleOsPosix.cpp and ConsoleOsWindows.cpp.

#include <string>
#include <vector>

namespace qzt {

// The program's arguments without its own name, in UTF-8. On Windows from
// the wide command line (the narrow argv holds the console's code page,
// where "Jürgen" may not survive), and the console is switched to UTF-8
// output, which is what the program prints.
std::vector<std::string> ProgramArguments(int argc, char** argv);

bool StandardErrorIsTerminal();

// While one exists, Ctrl+C only asks the program to stop (Interrupted());
// the previous handling is back when it ends. One at a time.
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    bool Interrupted() const;
};

}  // namespace qzt
