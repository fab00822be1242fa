// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line: argument handling and the subcommands.

#include <functional>
#include <string>
#include <vector>

namespace kvelmor::cli {

inline constexpr const char* kVersionText = "Kvelmor 2.0.19";

// Runs the command line; returns the exit code (0 done, 1 done with reports, 2 failed).
int run(int argc, char** argv);

// For `kvelmor CMD ... --help`: prints the help of command args[0] and
// returns true; false when the arguments do not ask for it or name no command.
bool printedCommandHelp(const std::vector<std::string>& args);

// Runs `command` for the command line `args`, turning what it throws into a
// message naming the command and its files, and exit code 2.
int guarded(const std::vector<std::string>& args, const std::function<int()>& command);

// `kvelmor render`, run by the program kvelmor-render (render_main.cpp). Drawing frames needs
// libass and its text shaping libraries, which would cost every other run of
// kvelmor their loading time; so kvelmor hands `render` over to a program of
// its own (see runRenderProgram in commands.cpp) that alone links them.
int runRender(int argc, char** argv);

}  // namespace kvelmor::cli
