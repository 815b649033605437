// The shared driver: runs a tool through banner, command line, processing,
// optional pause and exit status; --help or --version as the sole argument
// prints the usage or the version instead and exits with 0. Each program's
// main calls it with its own tool object.
#pragma once

#include <istream>
#include <ostream>

#include "framework/cli/spec_base.h"

// Returns the exit status: 0 on success, -1 otherwise.
int RunTool(TSpecBase& tool, int argc, char** argv, std::ostream& out, std::istream& in);
