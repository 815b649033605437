#include "regkit/file_check.h"

#include <cerrno>
#include <new>

#include "framework/file_io.h"
#include "regkit/line_diff.h"
#include "regkit/messages.h"
#include "regkit/path_quote.h"

using namespace regkit_msg;

namespace {

using TSeverity = TFinding::TSeverity;
using TRule = TFinding::TRule;

} // namespace

TFileResult TFileCheck::Run(const TTreeFile& file) {
  try {
    return Judge(file);
  } catch (const std::bad_alloc&) {
    // Everything the file took is given back while the stack unwinds,
    // temporary files included.
    return TFileResult::Failure(file.Path, kNoMemory);
  }
}

TFileResult TFileCheck::Judge(const TTreeFile& file) {
  const std::string& path = file.Path;
  TDir dir;
  if (TError error = Dirs.Open(file.Dir, dir)) return TFileResult::Failure(path, ReadFailure(error));
  if (Options.IsPartFile(file.Name)) return Parts.Run(file, dir);
  TFileText source;
  if (TError error = source.Open(dir, file.Name, true)) return TFileResult::Failure(path, ReadFailure(error));
  if (source.Id() != file.Id) return TFileResult::Failure(path, kChanged);
  TFileResult result;
  if (!Options.All && !TTextCheck::MentionsRegistration(source.Text())) {
    result.Scanned = false;
    return result;
  }
  result.State = Check.Run(path, source.Text(), result.Findings, &source);
  if (source.Shrunk()) return TFileResult::Failure(path, kChanged);
  if (result.State != TFileResult::TState::Stale) return result;
  if (Options.Diff && !DiffCanName(file.DiffName)) {
    result.State = TFileResult::TState::Failed;
    result.Findings.push_back(TFinding(path, TSeverity::Error, TRule::DiffName, kDiffName));
  } else if (Options.Diff) {
    result.Diff = TLineDiff(source.Text(), Check.Scan().Text.Flatten(), TLineDiff::TCompare::Exact)
                      .Unified(file.DiffName);
  }
  if (Options.Command == TOptions::TCommand::Update) {
    // The stale findings are check's; update says what it did instead.
    std::erase_if(result.Findings,
                  [](const TFinding& f) { return f.Rule == TRule::StaleBody || f.Rule == TRule::LineEnds; });
    Update(file, dir, source, result);
  }
  return result;
}

// The real thing, in process: tolvane's own write of the text just made,
// with its safe replacement, backup and verification, in the directory the
// walk saw; the file must still be the one that was read.
void TFileCheck::Update(const TTreeFile& file, const TDir& dir, TFileText& source, TFileResult& result) {
  const std::string& path = file.Path;
  TUpdateRequest request;
  request.Directory = dir;
  request.Source = file.Name;
  request.RemoveBackup = !Options.KeepBackup;
  TUpdateOutcome outcome = Check.Tool().Write(request, source, Check.Scan().Text);
  std::string backup = QuotePath(dir.PathOf(outcome.BackupName));
  using TStep = TUpdateOutcome::TStep;
  switch (outcome.Done) {
  case TUpdateOutcome::TDone::Written:
    result.State = TFileResult::TState::Updated;
    // What is said at a line is said of the file as it is now.
    for (TFinding& finding : result.Findings)
      if (finding.Rule == TRule::PassedOver) finding.Line = Check.NewLine(finding.Line);
    result.Findings.push_back(TFinding(path, TSeverity::Note, TRule::Updated, kUpdated));
    if (outcome.Leftover) {
      result.State = TFileResult::TState::Failed;
      result.Findings.push_back(
          TFinding(path, TSeverity::Error, TRule::FileError,
                      WithReason(CannotRemove(QuotePath(outcome.Leftover.Path)), outcome.Leftover)));
    }
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
  else if (error.Kind == TError::TKind::CannotRemove) // a temporary name a failed step could not take back
    message = WithReason(CannotRemove(QuotePath(error.Path)), error);
  else if (outcome.FailedStep == TStep::Backup)
    message = WithReason(cannotCreate ? CannotCreateBackup(backup) : CannotWriteBackup(backup), error);
  else if (outcome.FailedStep == TStep::Verify)
    message = NotVerified(backup);
  else if (outcome.FailedStep == TStep::Durable)
    message = WithReason(NotDurable(backup), error);
  else
    message = WithReason(cannotCreate ? kCannotCreate : kCannotWrite, error);
  result.Findings.push_back(TFinding(path, TSeverity::Error, TRule::FileError, message));
  if (outcome.Leftover)
    result.Findings.push_back(
        TFinding(path, TSeverity::Error, TRule::FileError,
                 WithReason(CannotRemove(QuotePath(outcome.Leftover.Path)), outcome.Leftover)));
}
