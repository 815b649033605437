// The one place where what the engines report becomes regkit's findings: a
// scan's or a pass's diagnostics, and what an update did to a file. check,
// update, format and the language server all make their findings here, so
// that a fault reads the same in every face.
#pragma once

#include <string>

#include "framework/text/diagnostic.h"
#include "framework/files/dir.h"
#include "kessrow/part_outcome.h"
#include "regkit/file_result.h"
#include "regkit/finding.h"
#include "tolvane/update_outcome.h"

class TFindings {
public:
  // A C++ scan's error or warning about path.
  static TFinding OfScan(const std::string& path, const TDiagnostic& diagnostic);
  // A part file's error about path (or about the include file it names):
  // the message and its second line as one line, and the part it concerns.
  static TFinding OfPass(const std::string& path, const TDiagnostic& diagnostic);
  // What the write of a C++ file's new text in dir came to, into result:
  // its state, and the note or the error that says it.
  static void OfWrite(const std::string& path, const TDir& dir, const TUpdateOutcome& outcome,
                      TFileResult& result);
  // What the write of a part file's header came to, into result.
  static void OfPartWrite(const std::string& path, const TPartOutcome& outcome, TFileResult& result);
};
