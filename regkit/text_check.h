// What regkit finds in one C++ text, held in memory: the scan's errors and
// warnings, each Register() body it passes over, each stale body, or line
// ends that tolvane would change. Owns a tolvane engine, so one object serves one thread; check,
// update, format and the language server all judge a text through it.
#pragma once

#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/files/file_io.h"

#include "regkit/file_result.h"
#include "regkit/options.h"
#include "regkit/settings.h"
#include "tolvane/register_engine.h"

class TFileText;

class TTextCheck {
public:
  // The dialect and the level of bodies passed over for the texts judged
  // from now on: a file's settings, or (null) those it was made with.
  void Configure(const TSettings* settings);
  // fixes: whether each stale body's finding carries its fix (TFinding::Fix),
  // which costs a copy of the new text. passedOver: how a Register() body
  // the scan does not regenerate is reported (a warning hidden by
  // noWarnings, an error, or not at all).
  explicit TTextCheck(bool noWarnings, bool fixes = false,
                      TScanOptions::TDialect dialect = TScanOptions::TDialect::Specified,
                      TOptions::TPassedOver passedOver = TOptions::TPassedOver::Warning)
      : NoWarnings(noWarnings), Fixes(fixes), Dialect(dialect), PassedOverLevel(passedOver),
        MadeDialect(dialect), MadePassedOverLevel(passedOver) {}

  // Scans text (which the caller keeps alive while Scan() is used) and
  // appends its findings, named by path, to findings: UpToDate, Stale, or
  // Failed when the scan stopped at an error. After a scan without error,
  // each Register() body it did not read is a finding too, unless the user
  // switched its registration off. file: the file text was read
  // from, when it is one (a scan stops once it shrinks).
  TFileResult::TState Run(const std::string& path, std::string_view text, std::vector<TFinding>& findings,
                          const TFileText* file = nullptr);
  // Whether text can hold what a scan acts on: the word Register or a
  // TOLVANE_ directive (in any case). A text without either has no body to
  // regenerate, so a check may pass it over.
  static bool MentionsRegistration(std::string_view text);
  // Reads the headers a text includes only below one of folders (absolute
  // paths; the language server's workspace folders), reached entry by entry
  // from the folder without following a link, each a regular file of at
  // most maxSize bytes; none while folders is empty. The caller keeps
  // folders alive.
  void ReadHeadersWithin(const std::vector<std::string>* folders, std::size_t maxSize) {
    Within = folders;
    MaxHeaderSize = maxSize;
  }
  // Modern dialect: each scan keeps the classes it read (Scan().Classes),
  // for the run's index.
  void KeepClasses() { Keep = true; }
  // Modern dialect: the classes of the run's other files (which outlive
  // the scans), for the bodies whose class the text and its headers lack.
  void UseRunClasses(const std::unordered_map<std::string, TClassState>* classes) { RunClasses = classes; }
  // The last scan: its new text, diagnostics and bodies.
  const TScanResult& Scan() const { return Result; }
  // The engine, for a write of the text just made.
  const TRegisterEngine& Tool() const { return Engine; }
  // The line of the last scan's new text that its line of the scanned text
  // became.
  int NewLine(int line) const;

private:
  void NotePassedOver(const std::string& path, std::string_view text, TScanOptions::TDialect dialect,
                      std::vector<TFinding>& findings) const;
  void NoteStale(const std::string& path, std::string_view text, std::vector<TFinding>& findings) const;
  // Names the construct that a scan error of text stopped at (inClass:
  // inside a tracked class), where it is one that the other dialect reads
  // or one that no dialect reads.
  void NameConstruct(std::string_view text, bool inClass, TFinding& error);
  // The hint for a scan error of the specified dialect at line of text
  // when the modern dialect reads the construct there; else empty.
  const char* ModernHintAt(std::string_view text, int line, bool inClass);

  // Modern dialect, for a text that defines a Register() body outside its
  // class: reads the classes of the headers text includes by quotes, found
  // beside path (regular files only, no link followed at their place).
  void ReadIncludedClasses(const std::string& path, std::string_view text);
  // Opens the header name included by the text at path, as ReadHeadersWithin
  // allows; shown: the header's path for messages.
  bool OpenHeader(const std::string& path, const std::string& name, TFileText& file,
                  std::string& shown) const;

  bool NoWarnings;
  bool Fixes;
  TScanOptions::TDialect Dialect;
  TOptions::TPassedOver PassedOverLevel;
  TScanOptions::TDialect MadeDialect;
  TOptions::TPassedOver MadePassedOverLevel;
  const std::vector<std::string>* Within = nullptr; // none: the headers beside the text, by their names
  std::size_t MaxHeaderSize = SIZE_MAX;
  bool Keep = false;
  const std::unordered_map<std::string, TClassState>* RunClasses = nullptr;
  std::list<TFileText> Headers; // the included headers, alive while their classes are used
  std::unordered_map<std::string, TClassState> IncludedClasses;
  TRegisterEngine Engine;
  TScanResult Result; // its memory is kept from text to text
};
