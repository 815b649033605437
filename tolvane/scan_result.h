// What one scan of a text found and made.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "framework/text/diagnostic.h"
#include "framework/text/out_text.h"
#include "tolvane/body_range.h"
#include "tolvane/class_state.h"
#include "tolvane/construct_note.h"

class TScanResult {
public:
  // The new text: unchanged lines as ranges of the scanned text (which must
  // outlive the result), the rest made.
  TOutText Text;
  std::vector<TDiagnostic> Diagnostics; // errors and warnings, in the order met
  std::vector<TBodyRange> Bodies;       // the Register() bodies regenerated, in file order
  // Modern dialect, when asked for: the constructs read that the specified
  // grammar does not read, in the order met.
  std::vector<TConstructNote> Constructs;
  // Modern dialect, when asked for: the classes without a Register() body
  // of their own, by qualified name; their texts view the scanned text.
  std::unordered_map<std::string, TClassState> Classes;
  // Modern dialect: the Register() bodies outside their class whose class
  // no text read holds (passed over).
  std::size_t ClassesMissing = 0;
  bool Ok = false;     // no error: the text is complete
  bool Warned = false; // a warning was reported
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
    Constructs.clear();
    Classes.clear();
    ClassesMissing = 0;
    Ok = Warned = false;
  }
  // Whether some Register() body changes.
  bool AnyStale() const {
    for (const TBodyRange& body : Bodies)
      if (body.Stale()) return true;
    return false;
  }
};
