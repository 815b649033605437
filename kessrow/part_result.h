// What one pass over a part file (and its include file) found and made.
#pragma once

#include <vector>

#include "framework/text/diagnostic.h"
#include "framework/text/out_text.h"

class TPartResult {
public:
  TOutText Text;                        // the header
  std::vector<TDiagnostic> Diagnostics; // the error that ended the pass, if any
  bool Ok = false;                      // no error: the header is complete
  bool SourceReached = false;           // the pass went on to the part file itself

  // Forgets the previous pass; the made text's memory is kept for the next.
  void Clear() {
    Text.clear();
    Diagnostics.clear();
    Ok = SourceReached = false;
  }
};
