#include "regkit/findings.h"

#include "regkit/messages.h"
#include "regkit/path_quote.h"

using namespace regkit_msg;

namespace {
using TSeverity = TFinding::TSeverity;
using TRule = TFinding::TRule;
using TState = TFileResult::TState;

TFinding FileError(const std::string& path, std::string message) {
  return TFinding(path, TSeverity::Error, TRule::FileError, std::move(message));
}
} // namespace

TFinding TFindings::OfScan(const std::string& path, const TDiagnostic& d) {
  bool error = d.Kind == TDiagnostic::TKind::Error;
  return TFinding(path, error ? TSeverity::Error : TSeverity::Warning,
                  error ? TRule::ScanError : TRule::ScanWarning, d.Message, d.Line, d.Column);
}

TFinding TFindings::OfPass(const std::string& path, const TDiagnostic& d) {
  std::string message = d.SecondLine.empty() ? d.Message : d.Message + " " + d.SecondLine;
  return TFinding(d.File.empty() ? path : d.File, TSeverity::Error, TRule::ScanError,
                  InPart(message, d.Scope), d.FileLine, d.Column);
}

void TFindings::OfWrite(const std::string& path, const TDir& dir, const TUpdateOutcome& outcome,
                        TFileResult& result) {
  // A temporary name that stays, whatever else the write came to.
  auto noteLeftover = [&] {
    if (!outcome.Leftover) return;
    result.State = TState::Failed;
    result.Findings.push_back(
        FileError(path, WithReason(CannotRemove(QuotePath(outcome.Leftover.Path)), outcome.Leftover)));
  };
  switch (outcome.Done) {
  case TUpdateOutcome::TDone::Written:
    result.State = TState::Updated;
    result.Findings.push_back(TFinding(path, TSeverity::Note, TRule::Updated, kUpdated));
    noteLeftover();
    return;
  case TUpdateOutcome::TDone::Unchanged:
    result.State = TState::UpToDate;
    return;
  case TUpdateOutcome::TDone::Failed:
    break;
  }
  result.State = TState::Failed;
  using TStep = TUpdateOutcome::TStep;
  const TError& error = outcome.Error;
  std::string backup = QuotePath(dir.PathOf(outcome.BackupName));
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
  result.Findings.push_back(FileError(path, std::move(message)));
  noteLeftover();
}

void TFindings::OfPartWrite(const std::string& path, const TPartOutcome& outcome, TFileResult& result) {
  switch (outcome.Done) {
  case TPartOutcome::TDone::Written:
    result.State = TState::Updated;
    result.Findings.push_back(TFinding(path, TSeverity::Note, TRule::Updated, kUpdated));
    return;
  case TPartOutcome::TDone::Unchanged:
    result.State = TState::UpToDate;
    return;
  case TPartOutcome::TDone::Failed:
    break;
  }
  result.State = TState::Failed;
  using TStep = TPartOutcome::TStep;
  const TError& error = outcome.Error;
  std::string message;
  if (error.Kind == TError::TKind::Changed || outcome.FailedStep == TStep::InputChanged)
    message = kChanged;
  else if (outcome.FailedStep == TStep::OverwritesSource)
    message = kHeaderIsSource;
  else if (outcome.FailedStep == TStep::ReadSource)
    message = WithReason(kCannotOpen, error);
  else
    message = WithReason(error.Kind == TError::TKind::CannotCreate ? kCannotCreate : kCannotWrite, error);
  result.Findings.push_back(FileError(path, std::move(message)));
}
