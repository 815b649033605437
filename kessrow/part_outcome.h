// What one run of the part header generator did to the files.
#pragma once

#include <string>

#include "framework/files/error.h"

class TPartOutcome {
public:
  enum class TDone {
    Failed,    // the header was not written (FailedStep says where it stopped)
    Unchanged, // the header already held the text
    Written,   // the header was rewritten
  };
  enum class TStep {
    None,              // no failure
    ReadSource,        // the part file could not be read (reported as a diagnostic)
    ReadInclude,       // the include file could not be read (reported as a diagnostic)
    OverwritesSource,  // the header would replace the part file
    OverwritesInclude, // the header would replace the include file
    Generate,          // the pass reported an error
    InputChanged,      // an input shrank while it was read (Error names it)
    Destination,       // the header could not be written
  };

  TDone Done = TDone::Failed;
  TStep FailedStep = TStep::None;
  // The file error of the failed step, where there is one; for Generate,
  // the old header that -d could not remove.
  TError Error;
  std::string DestName;     // the header as named
  bool IncludeRead = false; // the include file was read

  bool Ok() const { return Done != TDone::Failed; }
};
