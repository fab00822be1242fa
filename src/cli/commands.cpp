#include "cli/commands.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace kvelmor::cli {
namespace {

const char* const kHelp = R"(Kvelmor turns timed karaoke lyrics into Advanced SubStation Alpha scripts.

Usage: kvelmor COMMAND [OPTIONS] [FILE...]

Commands:
  help                 Show this help.
  version              Show the version.

Options:
  -h, --help           Show this help.
  --version            Show the version.

Exit codes: 0 done, 1 done with reports, 2 failed.
)";

}  // namespace

int run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "help" || args[0] == "-h" || args[0] == "--help") {
        std::fputs(kHelp, stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "version" || args[0] == "--version") {
        std::puts(kVersionText);
        return 0;
    }
    std::cerr << "kvelmor: unknown command \"" << args[0] << "\" (see kvelmor --help)\n";
    return 2;
}

}  // namespace kvelmor::cli
