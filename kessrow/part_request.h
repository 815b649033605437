// What one run of the part header generator is asked to do: the command
// line of kessrow as fields.
#pragma once

#include <optional>
#include <string>

#include "kessrow/part_options.h"

class TPartRequest {
public:
  // The directory the names below are taken in, as a run of the program
  // in that directory takes them (they are written into the header as
  // they are given); empty: the current directory.
  std::string Directory;
  std::string Source;                 // the part file
  std::string Destination;            // the header; empty: the part file's name with ".h"
  std::optional<std::string> Include; // read before the part file (-i)
  TPartOptions::TRangeOrder RangeOrder = TPartOptions::TRangeOrder::HighLow; // -L, -N
  bool Unconditional = false;         // write even when the header is unchanged (-u)
  bool DeleteOnError = false;         // remove the header after a failed pass (-d)
};
