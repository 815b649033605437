// regkit config PATH: the settings that apply to PATH (a file, or a
// directory's files) and where each comes from, in the configuration
// file's own form.
#pragma once

#include <ostream>

#include "regkit/options.h"

class TConfigCommand {
public:
  explicit TConfigCommand(const TOptions& options) : Options(options) {}

  // Prints the settings on out; a configuration error on err. Returns 0,
  // or 2 after an error.
  int Run(std::ostream& out, std::ostream& err);

private:
  const TOptions& Options;
};
