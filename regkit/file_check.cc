#include "regkit/file_check.h"

#include "framework/file_io.h"
#include "regkit/line_diff.h"
#include "regkit/messages.h"

using namespace regkit_msg;

namespace {

using TSeverity = TFinding::TSeverity;
using TRule = TFinding::TRule;

TFinding FileFinding(const std::string& path, TSeverity severity, TRule rule, std::string message) {
  TFinding f;
  f.Severity = severity;
  f.Rule = rule;
  f.Path = path;
  f.Message = std::move(message);
  return f;
}

TFinding LineFinding(const std::string& path, int line, std::string message, TRule rule) {
  TFinding f = FileFinding(path, TSeverity::Error, rule, std::move(message));
  f.Line = line;
  return f;
}

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

} // namespace

TFileResult TFileCheck::Run(const std::string& path) {
  TFileResult result;
  TFileText source;
  if (TError error = source.Open(path.c_str())) {
    result.State = TFileResult::TState::Failed;
    bool opened = error.Kind != TError::TKind::CannotOpen;
    result.Findings.push_back(
        FileFinding(path, TSeverity::Error, TRule::FileError, opened ? kCannotRead : kCannotOpen));
    return result;
  }
  TScanOptions options;
  options.NoWarnings = Options.NoWarnings;
  options.SourceFile = &source;
  Tool.Scan(source.Text(), options, Scan);
  if (source.Shrunk()) {
    result.State = TFileResult::TState::Failed;
    result.Findings.push_back(FileFinding(path, TSeverity::Error, TRule::FileError, kChanged));
    return result;
  }
  NoteDiagnostics(path, result);
  if (!Scan.Ok) {
    result.State = TFileResult::TState::Failed;
    return result;
  }
  // An up-to-date file is mostly ranges of itself in their own place: only
  // what the scan made is compared.
  if (source.Holds(Scan.Text)) return result;
  result.State = TFileResult::TState::Stale;
  if (Options.Diff) {
    // The diff names the file relative to where it is applied.
    std::string name = path;
    while (name.starts_with("./")) name.erase(0, 2);
    result.Diff = TLineDiff(source.Text(), Scan.Text.Flatten(), TLineDiff::TCompare::Exact).Unified(name);
  }
  if (Options.Command == TOptions::TCommand::Update)
    Update(path, source, result);
  else
    NoteStale(path, source.Text(), result);
  return result;
}

void TFileCheck::NoteDiagnostics(const std::string& path, TFileResult& result) const {
  for (const TDiagnostic& d : Scan.Diagnostics) {
    bool error = d.Kind == TDiagnostic::TKind::Error;
    TFinding f = FileFinding(path, error ? TSeverity::Error : TSeverity::Warning,
                             error ? TRule::ScanError : TRule::ScanWarning, d.Message);
    f.Line = d.Line;
    f.Column = d.Column;
    result.Findings.push_back(std::move(f));
  }
}

// Each stale body is named at its first changed line. A text that changes
// in no body differs in its line ends alone (tolvane writes every line end
// as a line feed): named once, at the first line end that changes.
void TFileCheck::NoteStale(const std::string& path, std::string_view source, TFileResult& result) const {
  bool anyStale = false;
  for (const TBodyRange& body : Scan.Bodies) {
    if (!body.Stale()) continue;
    result.Findings.push_back(LineFinding(path, body.FirstChange, kStaleBody, TRule::StaleBody));
    anyStale = true;
  }
  if (anyStale) return;
  if (int line = FirstLineEndToChange(source))
    result.Findings.push_back(LineFinding(path, line, kLineEnds, TRule::LineEnds));
  else
    result.Findings.push_back(LineFinding(path, 1, kOutsideBody, TRule::StaleBody));
}

// The real thing, in process: tolvane's own write of the text just made,
// with its safe replacement, backup and verification; the file must still
// be the one that was read.
void TFileCheck::Update(const std::string& path, TFileText& source, TFileResult& result) {
  TUpdateRequest request;
  request.Source = path;
  request.RemoveBackup = !Options.KeepBackup;
  TUpdateOutcome outcome = Tool.Write(request, source, Scan.Text);
  using TStep = TUpdateOutcome::TStep;
  switch (outcome.Done) {
  case TUpdateOutcome::TDone::Written:
    result.State = TFileResult::TState::Updated;
    result.Findings.push_back(FileFinding(path, TSeverity::Note, TRule::Updated, kUpdated));
    return;
  case TUpdateOutcome::TDone::Unchanged:
    result.State = TFileResult::TState::UpToDate;
    return;
  case TUpdateOutcome::TDone::Failed:
    break;
  }
  result.State = TFileResult::TState::Failed;
  const TError& error = outcome.Error;
  bool cannotCreate = error.Kind == TError::TKind::CannotCreate;
  std::string message;
  if (error.Kind == TError::TKind::Changed)
    message = kChanged;
  else if (outcome.FailedStep == TStep::Backup)
    message = WithReason(cannotCreate ? CannotCreateBackup(outcome.BackupName) : CannotWriteBackup(outcome.BackupName), error);
  else if (outcome.FailedStep == TStep::Verify)
    message = NotVerified(outcome.BackupName);
  else
    message = WithReason(cannotCreate ? kCannotCreate : kCannotWrite, error);
  result.Findings.push_back(FileFinding(path, TSeverity::Error, TRule::FileError, message));
}
