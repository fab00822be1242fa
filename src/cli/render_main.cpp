// kvelmor-render: `kvelmor render`, in a program of its own so that only it
// loads libass (see commands.h).
#include <iostream>

#include "cli/commands.h"
#include "cli/options.h"

namespace kvelmor::cli {

int runRender(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] != "render") {
        std::cerr << "kvelmor-render is run by kvelmor: use kvelmor render FILE --at TIME\n";
        return 2;
    }
    return guarded(args, [&] { return renderCommand(args); });
}

}  // namespace kvelmor::cli

int main(int argc, char** argv) { return kvelmor::cli::runRender(argc, argv); }
