// What regkit finds in one C++ text, held in memory: the scan's errors and
// warnings, each stale Register() body, or line ends that tolvane would
// change. Owns a tolvane engine, so one object serves one thread; check,
// update, format and the language server all judge a text through it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "regkit/file_result.h"
#include "tolvane/tolvane_spec.h"

class TFileText;

class TTextCheck {
public:
  // fixes: whether each stale body's finding carries its fix (TFinding::Fix),
  // which costs a copy of the new text.
  explicit TTextCheck(bool noWarnings, bool fixes = false) : NoWarnings(noWarnings), Fixes(fixes) {}

  // Scans text (which the caller keeps alive while Scan() is used) and
  // appends its findings, named by path, to findings: UpToDate, Stale, or
  // Failed when the scan stopped at an error. file: the file text was read
  // from, when it is one (a scan stops once it shrinks).
  TFileResult::TState Run(const std::string& path, std::string_view text, std::vector<TFinding>& findings,
                          const TFileText* file = nullptr);
  // Whether text can hold what a scan acts on: the word Register or a
  // TOLVANE_ directive (in any case). A text without either has no body to
  // regenerate, so a check may pass it over.
  static bool MentionsRegistration(std::string_view text);
  // The last scan: its new text, diagnostics and bodies.
  const TScanResult& Scan() const { return Result; }
  // The engine, for a write of the text just made.
  TTolvane& Tool() { return Engine; }

private:
  void NoteStale(const std::string& path, std::string_view text, std::vector<TFinding>& findings) const;

  bool NoWarnings;
  bool Fixes;
  TTolvane Engine;
  TScanResult Result; // its memory is kept from text to text
};
