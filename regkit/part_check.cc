#include "regkit/part_check.h"

#include <sys/stat.h>

#include <cerrno>

#include "framework/file_io.h"
#include "regkit/line_diff.h"
#include "regkit/messages.h"
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

TFileResult TPartCheck::Run(const std::string& path) {
  TFileResult result;
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  TFileText source;
  if (TError error = source.Open(path.c_str())) {
    result.State = TFileResult::TState::Failed;
    result.Findings.push_back(
        TFinding(path, TSeverity::Error, TRule::FileError,
                 WithReason(error.Kind == TError::TKind::CannotOpen ? kCannotOpen : kCannotRead, error)));
    return result;
  }
  TPartOptions options;
  options.SourceName = name;
  options.DestName = TKessrow::DefaultDestination(name);
  options.SourceFile = &source;
  Engine.Generate(std::nullopt, source.Text(), options, Result);
  if (source.Shrunk()) {
    result.State = TFileResult::TState::Failed;
    result.Findings.push_back(TFinding(path, TSeverity::Error, TRule::FileError, kChanged));
    return result;
  }
  NoteDiagnostics(path, result);
  if (!Result.Ok) {
    result.State = TFileResult::TState::Failed;
    return result;
  }
  // Only a header that is there is compared: where there is none, the
  // build makes it elsewhere.
  std::string header = dir;
  if (!dir.empty() && dir != "/") header.push_back('/');
  header.append(options.DestName);
  struct stat st;
  if (lstat(header.c_str(), &st) != 0 || FileHoldsText(header.c_str(), Result.Text)) return result;
  result.State = TFileResult::TState::Stale;
  if (Options.Diff) {
    TFileText old;
    std::string name = header;
    while (name.starts_with("./")) name.erase(0, 2);
    if (!old.Open(header.c_str(), true))
      result.Diff = TLineDiff(old.Text(), Result.Text.Flatten(), TLineDiff::TCompare::Exact).Unified(name);
  }
  if (Options.Command == TOptions::TCommand::Update) {
    Update(path, dir, name, result);
    return result;
  }
  result.Findings.push_back(
      TFinding(path, TSeverity::Error, TRule::PartStale, StaleHeader(header, UpdateCommand(path))));
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
void TPartCheck::Update(const std::string& path, const std::string& dir, const std::string& name,
                        TFileResult& result) {
  TPartRequest request;
  request.Directory = dir;
  request.Source = name;
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
