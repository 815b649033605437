#include "regkit/part_check.h"

#include <sys/stat.h>

#include <cerrno>

#include "framework/file_io.h"
#include "regkit/line_diff.h"
#include "regkit/messages.h"
#include "regkit/path_quote.h"
#include "regkit/shell_word.h"

using namespace regkit_msg;

namespace {

using TSeverity = TFinding::TSeverity;
using TRule = TFinding::TRule;

// kessrow's two-line messages as one line.
std::string OneLine(std::string_view text) {
  const std::string_view joint = "\n***** ";
  std::string line;
  for (std::size_t at; (at = text.find(joint)) != std::string_view::npos;
       text.remove_prefix(at + joint.size()))
    line.append(text.substr(0, at)).push_back(' ');
  return line.append(text);
}

} // namespace

namespace {
// The name in the same directory as path's last entry.
std::string Beside(const std::string& path, const std::string& name) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}
} // namespace

TFileResult TPartCheck::Run(const TTreeFile& file, const TDir& dir) {
  const std::string& path = file.Path;
  if (!file.HeaderClash.empty())
    return TFileResult::Failure(path,
                                HeaderClash(QuotePath(Beside(path, TKessrow::DefaultDestination(file.Name))),
                                            QuotePath(file.HeaderClash)));
  TFileText source;
  if (TError error = source.Open(dir, file.Name, true)) return TFileResult::Failure(path, ReadFailure(error));
  if (source.Id() != file.Id) return TFileResult::Failure(path, kChanged);
  TPartOptions options;
  options.SourceName = file.Name;
  options.DestName = TKessrow::DefaultDestination(file.Name);
  options.SourceFile = &source;
  Engine.Generate(std::nullopt, source.Text(), options, Result);
  if (source.Shrunk()) return TFileResult::Failure(path, kChanged);
  TFileResult result;
  NoteDiagnostics(path, result);
  if (!Result.Ok) {
    result.State = TFileResult::TState::Failed;
    return result;
  }
  // Only a header that is there is compared: where there is none, the
  // build makes it elsewhere.
  struct stat st;
  if (fstatat(dir.Fd(), options.DestName.c_str(), &st, dir.StatFlag()) != 0 ||
      FileHoldsText(dir, options.DestName, Result.Text))
    return result;
  result.State = TFileResult::TState::Stale;
  std::string header = Beside(path, options.DestName);
  if (Options.Diff) {
    std::string name = Beside(file.DiffName, options.DestName);
    TFileText old;
    if (!DiffCanName(name)) {
      result.State = TFileResult::TState::Failed;
      result.Findings.emplace_back(path, TSeverity::Error, TRule::DiffName, kDiffName);
    } else if (!old.Open(dir, options.DestName, true)) {
      result.Diff = TLineDiff(old.Text(), Result.Text.Flatten(), TLineDiff::TCompare::Exact).Unified(name);
    }
  }
  // A header that another part file writes too is left to neither.
  if (Options.Command == TOptions::TCommand::Update && !file.HeaderShared) {
    Update(file, dir, result);
    return result;
  }
  result.Findings.emplace_back(path, TSeverity::Error, TRule::PartStale,
                               StaleHeader(QuotePath(header), UpdateCommand(path)));
  return result;
}

void TPartCheck::NoteDiagnostics(const std::string& path, TFileResult& result) const {
  for (const TDiagnostic& d : Result.Diagnostics) {
    // A report in the include file names that file (none is given here).
    result.Findings.emplace_back(d.File.empty() ? path : d.File, TSeverity::Error, TRule::ScanError,
                                 InPart(OneLine(d.Message), d.Scope), d.Line, d.Column);
  }
}

// kessrow's own run, in the file's directory: every guarantee of its write.
void TPartCheck::Update(const TTreeFile& file, const TDir& dir, TFileResult& result) {
  const std::string& path = file.Path;
  TPartRequest request;
  request.Directory = dir;
  request.Source = file.Name;
  TPartOutcome outcome = Engine.Update(request, Result);
  switch (outcome.Done) {
  case TPartOutcome::TDone::Written:
    result.State = TFileResult::TState::Updated;
    result.Findings.push_back(TFinding(path, TSeverity::Note, TRule::Updated, kUpdated));
    return;
  case TPartOutcome::TDone::Unchanged:
    result.State = TFileResult::TState::UpToDate;
    return;
  case TPartOutcome::TDone::Failed:
    break;
  }
  result.State = TFileResult::TState::Failed;
  if (outcome.FailedStep == TPartOutcome::TStep::Generate) {
    NoteDiagnostics(path, result); // the file changed since the check, and no longer passes
    return;
  }
  const TError& error = outcome.Error;
  std::string message = kCannotWrite;
  if (error.Kind == TError::TKind::Changed || outcome.FailedStep == TPartOutcome::TStep::InputChanged)
    message = kChanged;
  else if (outcome.FailedStep == TPartOutcome::TStep::OverwritesSource)
    message = kHeaderIsSource;
  else if (outcome.FailedStep == TPartOutcome::TStep::ReadSource)
    message = WithReason(kCannotOpen, error);
  else
    message = WithReason(error.Kind == TError::TKind::CannotCreate ? kCannotCreate : kCannotWrite, error);
  result.Findings.push_back(TFinding(path, TSeverity::Error, TRule::FileError, message));
}
