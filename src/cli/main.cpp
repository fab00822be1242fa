// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

int main(int argc, char** argv) { return kvelmor::cli::run(argc, argv); }
