#include "regkit/text_check.h"

#include "regkit/messages.h"

using namespace regkit_msg;

namespace {

// The number of the first line whose line end is not a lone line feed, by
// the tokenizer's rule (a carriage return and a line feed in either order
// end one line); 0 when there is none.
int FirstLineEndToChange(std::string_view text) {
  int line = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') return line;
    if (text[i] != '\n') continue;
    if (i + 1 < text.size() && text[i + 1] == '\r') return line;
    ++line;
  }
  return 0;
}

TFinding LineFinding(const std::string& path, int line, const char* message, TFinding::TRule rule) {
  TFinding f;
  f.Rule = rule;
  f.Path = path;
  f.Line = line;
  f.Message = message;
  return f;
}

} // namespace

TFinding TTextCheck::FromDiagnostic(const std::string& path, const TDiagnostic& d) {
  bool error = d.Kind == TDiagnostic::TKind::Error;
  TFinding f;
  f.Severity = error ? TFinding::TSeverity::Error : TFinding::TSeverity::Warning;
  f.Rule = error ? TFinding::TRule::ScanError : TFinding::TRule::ScanWarning;
  f.Path = path;
  f.Line = d.Line;
  f.Column = d.Column;
  f.Message = d.Message;
  return f;
}

TFileResult::TState TTextCheck::Run(const std::string& path, std::string_view text,
                                    std::vector<TFinding>& findings, const TFileText* file) {
  TScanOptions options;
  options.NoWarnings = NoWarnings;
  options.SourceFile = file;
  Engine.Scan(text, options, Result);
  for (const TDiagnostic& d : Result.Diagnostics) findings.push_back(FromDiagnostic(path, d));
  if (!Result.Ok) return TFileResult::TState::Failed;
  // An up-to-date text is mostly ranges of itself in their own place: only
  // what the scan made is compared.
  if (Result.Text.Equals(text)) return TFileResult::TState::UpToDate;
  NoteStale(path, text, findings);
  return TFileResult::TState::Stale;
}

// Each stale body is named at its first changed line. A text that changes
// in no body differs in its line ends alone (tolvane writes every line end
// as a line feed): named once, at the first line end that changes.
void TTextCheck::NoteStale(const std::string& path, std::string_view text,
                           std::vector<TFinding>& findings) const {
  bool anyStale = false;
  for (const TBodyRange& body : Result.Bodies) {
    if (!body.Stale()) continue;
    findings.push_back(LineFinding(path, body.FirstChange, kStaleBody, TFinding::TRule::StaleBody));
    anyStale = true;
  }
  if (anyStale) return;
  if (int line = FirstLineEndToChange(text))
    findings.push_back(LineFinding(path, line, kLineEnds, TFinding::TRule::LineEnds));
  else
    findings.push_back(LineFinding(path, 1, kOutsideBody, TFinding::TRule::StaleBody));
}
