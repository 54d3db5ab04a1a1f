// Running vazovi-cli's commands in the test process, with its three streams captured.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "CliCommands.h"

namespace vz::cli::test {

struct CliRun {
    int code;
    std::string out, err;
};

inline CliRun cli(std::vector<std::string> args, const std::string& input = {}) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = runCli(args, in, out, err);
    return {code, out.str(), err.str()};
}

}  // namespace vz::cli::test
