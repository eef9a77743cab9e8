#pragma once
// Runs the command line as the program would, with `args` after the program's name.
#include <string>
#include <vector>

#include "cli/commands.h"

inline int RunCli(std::vector<std::string> args) {
    args.insert(args.begin(), "caelvane-cli");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return cli::Main(static_cast<int>(args.size()), argv.data());
}
