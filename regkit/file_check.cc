#include "regkit/file_check.h"

#include "framework/file_io.h"
#include "regkit/line_diff.h"
#include "regkit/messages.h"

using namespace regkit_msg;

namespace {

using TSeverity = TFinding::TSeverity;
using TRule = TFinding::TRule;

} // namespace

TFileResult TFileCheck::Run(const std::string& path) {
  if (Options.IsPartFile(path)) return Parts.Run(path);
  TFileResult result;
  TFileText source;
  if (TError error = source.Open(path.c_str())) {
    result.State = TFileResult::TState::Failed;
    bool opened = error.Kind != TError::TKind::CannotOpen;
    result.Findings.push_back(
        TFinding(path, TSeverity::Error, TRule::FileError, opened ? kCannotRead : kCannotOpen));
    return result;
  }
  if (!Options.All && !TTextCheck::MentionsRegistration(source.Text())) {
    result.Scanned = false;
    return result;
  }
  result.State = Check.Run(path, source.Text(), result.Findings, &source);
  if (source.Shrunk()) {
    result.State = TFileResult::TState::Failed;
    result.Findings.clear();
    result.Findings.push_back(TFinding(path, TSeverity::Error, TRule::FileError, kChanged));
    return result;
  }
  if (result.State != TFileResult::TState::Stale) return result;
  if (Options.Diff) {
    // The diff names the file relative to where it is applied.
    std::string name = path;
    while (name.starts_with("./")) name.erase(0, 2);
    result.Diff =
        TLineDiff(source.Text(), Check.Scan().Text.Flatten(), TLineDiff::TCompare::Exact).Unified(name);
  }
  if (Options.Command == TOptions::TCommand::Update) {
    // The stale findings are check's; update says what it did instead.
    std::erase_if(result.Findings,
                  [](const TFinding& f) { return f.Rule == TRule::StaleBody || f.Rule == TRule::LineEnds; });
    Update(path, source, result);
  }
  return result;
}

// The real thing, in process: tolvane's own write of the text just made,
// with its safe replacement, backup and verification; the file must still
// be the one that was read.
void TFileCheck::Update(const std::string& path, TFileText& source, TFileResult& result) {
  TUpdateRequest request;
  request.Source = path;
  request.RemoveBackup = !Options.KeepBackup;
  TUpdateOutcome outcome = Check.Tool().Write(request, source, Check.Scan().Text);
  using TStep = TUpdateOutcome::TStep;
  switch (outcome.Done) {
  case TUpdateOutcome::TDone::Written:
    result.State = TFileResult::TState::Updated;
    result.Findings.push_back(TFinding(path, TSeverity::Note, TRule::Updated, kUpdated));
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
    message = WithReason(
        cannotCreate ? CannotCreateBackup(outcome.BackupName) : CannotWriteBackup(outcome.BackupName), error);
  else if (outcome.FailedStep == TStep::Verify)
    message = NotVerified(outcome.BackupName);
  else
    message = WithReason(cannotCreate ? kCannotCreate : kCannotWrite, error);
  result.Findings.push_back(TFinding(path, TSeverity::Error, TRule::FileError, message));
}
