#include "regkit/part_check.h"

#include <sys/stat.h>

#include "framework/files/file_io.h"
#include "regkit/findings.h"
#include "regkit/line_diff.h"
#include "regkit/messages.h"
#include "regkit/path_quote.h"
#include "regkit/settings.h"
#include "regkit/shell_word.h"

using namespace regkit_msg;

namespace {
using TSeverity = TFinding::TSeverity;
using TRule = TFinding::TRule;

// The name in the same directory as path's last entry.
std::string Beside(const std::string& path, const std::string& name) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}
} // namespace

std::pair<std::string, std::string> TPartCheck::IncludeOf(const TTreeFile& file) {
  if (!file.Settings) return {};
  return {file.Settings->PartInclude.Value, file.Settings->PartIncludePath};
}

TFileResult TPartCheck::Run(const TTreeFile& file, const TDir& dir) {
  const std::string& path = file.Path;
  if (!file.HeaderClash.empty())
    return TFileResult::Failure(
        path, HeaderClash(QuotePath(Beside(path, TPartEngine::DefaultDestination(file.Name))),
                          QuotePath(file.HeaderClash)));
  TFileText source;
  if (TError error = file.Read(dir, source)) return TFileResult::Failure(path, ReadFailure(error));
  TPartOptions options;
  options.SourceName = file.Name;
  options.DestName = TPartEngine::DefaultDestination(file.Name);
  options.SourceFile = &source;
  // The include file that the configuration gives the build (part-include).
  std::optional<std::string_view> includeText;
  TFileText include;
  if (const std::string& name = IncludeOf(file).first; !name.empty()) {
    if (TError error = include.Open(TDir(), IncludeOf(file).second, true))
      return TFileResult::Failure(
          name, WithReason(error.Kind == TError::TKind::NotRegular ? kNotRegular : kCannotOpen, error));
    includeText = include.Text();
    options.IncludeName = name;
    options.IncludeFile = &include;
  }
  Engine.Generate(includeText, source.Text(), options, Result);
  if (source.Shrunk() || include.Shrunk()) return TFileResult::Failure(path, kChanged);
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
    // kessrow's own write of the header just made, in the file's directory.
    TPartRequest request;
    request.Directory = dir;
    request.Source = file.Name;
    if (includeText) request.Include = IncludeOf(file).second;
    TFindings::OfPartWrite(path, Engine.Write(request, source, Result.Text, includeText ? &include : nullptr),
                           result);
    return result;
  }
  result.Findings.emplace_back(path, TSeverity::Error, TRule::PartStale,
                               StaleHeader(QuotePath(header), UpdateCommand(path)));
  return result;
}

void TPartCheck::NoteDiagnostics(const std::string& path, TFileResult& result) const {
  for (const TDiagnostic& d : Result.Diagnostics) result.Findings.push_back(TFindings::OfPass(path, d));
}
