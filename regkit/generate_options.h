// The command line of regkit generate: a part file, the header it makes,
// and kessrow's own flags with their meanings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kessrow/part_options.h"

class TGenerateOptions {
public:
  std::string Part;                   // the part-description file
  std::string Header;                 // -o; empty: kessrow's name for the part file's header
  std::optional<std::string> Include; // -i: read before the part file
  TPartOptions::TRangeOrder RangeOrder = TPartOptions::TRangeOrder::HighLow; // -N, -L
  bool Unconditional = false; // -u: write even when the header is unchanged
  bool DeleteOnError = false; // -d: remove the header after an error
  bool Verbose = false;       // -v: say what became of the header
  bool Pause = false;         // -p: wait for Enter after an error

  // Reads the arguments after "generate"; on a problem returns false and
  // leaves its message in problem.
  bool Parse(const std::vector<std::string>& args, std::string& problem);

private:
  // Sets the flag of letter; false for a letter that is none.
  bool Flag(char letter);
  bool Low = false, Declared = false;
};
