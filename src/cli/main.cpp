// qzt: configures QZT units and their configuration files from a shell.
#include <unistd.h>

#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

int main(int argc, char** argv) {
    // Dates and names in the user's own format, as in the window.
    std::setlocale(LC_ALL, "");
    std::vector<std::string> arguments(argv + 1, argv + argc);
    qzt::SystemFolders folders;
    return qzt::RunCli(arguments, std::cout, std::cerr, folders, isatty(STDERR_FILENO) != 0);
}
