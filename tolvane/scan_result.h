// What one scan of a text found and made.
#pragma once

#include <vector>

#include "framework/diagnostic.h"
#include "framework/out_text.h"
#include "tolvane/body_range.h"

class TScanResult {
public:
  // The new text: unchanged lines as ranges of the scanned text (which must
  // outlive the result), the rest made.
  TOutText Text;
  std::vector<TDiagnostic> Diagnostics; // errors and warnings, in the order met
  std::vector<TBodyRange> Bodies;       // the Register() bodies regenerated, in file order
  bool Ok = false;                      // no error: the text is complete
  bool Warned = false;                  // a warning was reported
  // The line of the "{" of every Register() head the scan read, in file
  // order, whatever became of its body: regenerated, up to date, with
  // nothing to write, or left with a warning.
  std::vector<int> HeadBraceLines;

  // Forgets the previous scan; the made text's memory is kept for the next.
  void Clear() {
    Text.clear();
    Diagnostics.clear();
    Bodies.clear();
    HeadBraceLines.clear();
    Ok = Warned = false;
  }
  // Whether some Register() body changes.
  bool AnyStale() const {
    for (const TBodyRange& body : Bodies)
      if (body.Stale()) return true;
    return false;
  }
};
