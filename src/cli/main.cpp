#include "cli/commands.h"

int main(int argc, char** argv) { return kvelmor::cli::run(argc, argv); }
