// SPDX-License-Identifier: GPL-3.0-or-later
// kvelmor-render: `kvelmor render` and `kvelmor burn`, in a program of its own so that only it
// loads libass (see commands.h).
#include <iostream>

#include "cli/commands.h"
#include "cli/options.h"

namespace kvelmor::cli {

int runRender(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || (args[0] != "render" && args[0] != "burn")) {
        std::cerr << "kvelmor-render is run by kvelmor: use kvelmor render FILE --at TIME, or kvelmor burn FILE --media MEDIA\n";
        return 2;
    }
    if (printedCommandHelp(args)) return 0;
    return guarded(args, [&] { return args[0] == "burn" ? burnCommand(args) : renderCommand(args); });
}

}  // namespace kvelmor::cli

int main(int argc, char** argv) { return kvelmor::cli::runRender(argc, argv); }
