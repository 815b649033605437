// One thing regkit says about a file: a scan's error or warning, a stale
// body, a file that could not be read or written, or a file it updated.
// The report prints it as a line; other formats take its fields.
#pragma once

#include <string>

class TFinding {
public:
  enum class TSeverity { Error, Warning, Note };
  // What kind of finding it is, for the formats that name their rules.
  enum class TRule {
    ScanError,   // the scan stopped at an error
    ScanWarning, // the scan warned
    StaleBody,   // a Register() body is out of date
    LineEnds,    // only the line ends differ from what tolvane writes
    PartStale,   // the header of a part-description file is out of date
    PassedOver,  // a Register() body the scan does not regenerate
    FileError,   // the file could not be read or written
    DiffName,    // the file's name cannot be written in a diff (to standard error)
    Updated,     // update rewrote the file
  };

  // How a stale body is brought up to date: its lines StartLine to EndLine
  // (1-based, with their line ends) replaced by Text (whole lines).
  struct TFix {
    int StartLine = 0; // 0: no fix
    int EndLine = 0;
    std::string Text;
    // 0 when line EndLine ends in a line end; else (the text's last line)
    // the column just past its last character, in UTF-16 code units.
    int EndColumn = 0;
  };

  TSeverity Severity = TSeverity::Error;
  TRule Rule = TRule::FileError;
  std::string Path;    // as the walk named the file (the report quotes it)
  int Line = 0;        // 1-based; 0 when the finding is about the whole file
  int Column = 0;      // 1-based; 0 when it is about the whole line
  std::string Message; // one sentence, without the path
  int Body = -1;       // of a stale body: its index in the scan's bodies; else -1
  TFix Fix;            // a stale body's, where it can be given

  TFinding() = default;
  TFinding(std::string path, TSeverity severity, TRule rule, std::string message, int line = 0,
           int column = 0)
      : Severity(severity), Rule(rule), Path(std::move(path)), Line(line), Column(column),
        Message(std::move(message)) {}
};
