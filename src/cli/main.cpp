// qzt: configures QZT units and their configuration files from a shell.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/ConsoleOs.h"

int main(int argc, char** argv) {
    // Dates and names in the user's own format, as in the window.
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> arguments = qzt::ProgramArguments(argc, argv);
    qzt::SystemFolders folders;
    return qzt::RunCli(arguments, std::cout, std::cerr, folders, qzt::StandardErrorIsTerminal());
}
