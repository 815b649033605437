// What one run of the part header generator is asked to do: the command
// line of kessrow as fields.
#pragma once

#include <optional>
#include <string>

#include "framework/files/dir.h"
#include "kessrow/part_options.h"

class TPartRequest {
public:
  // When set, the names below are entries of this directory, read and
  // written through it and never through a link, and written into the
  // header as they are given (as a run of the program in that directory
  // writes them); else they are paths.
  std::optional<TDir> Directory;
  std::string Source;                 // the part file
  std::string Destination;            // the header; empty: the part file's name with ".h"
  std::optional<std::string> Include; // read before the part file (-i)
  TPartOptions::TRangeOrder RangeOrder = TPartOptions::TRangeOrder::HighLow; // -L, -N
  bool Unconditional = false;         // write even when the header is unchanged (-u)
  bool DeleteOnError = false;         // remove the header after a failed pass (-d)
};
