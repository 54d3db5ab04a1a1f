// vazovi-cli: a command-line tool for Kestrelhouse Vazovi 97 collections.
#include <clocale>
#include <iostream>

#include "CliCommands.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return vz::cli::runCli(args, std::cin, std::cout, std::cerr);
}
