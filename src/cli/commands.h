#pragma once
// The command line: argument handling and the subcommands.

namespace kvelmor::cli {

inline constexpr const char* kVersionText = "Kvelmor 2.0.19";

// Runs the command line; returns the exit code (0 done, 1 done with reports, 2 failed).
int run(int argc, char** argv);

}  // namespace kvelmor::cli
