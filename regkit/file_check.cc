#include "regkit/file_check.h"

#include <cerrno>
#include <new>

#include "framework/files/file_io.h"
#include "regkit/findings.h"
#include "regkit/line_diff.h"
#include "regkit/messages.h"
#include "regkit/path_quote.h"
#include "regkit/settings.h"

using namespace regkit_msg;

namespace {

using TSeverity = TFinding::TSeverity;
using TRule = TFinding::TRule;

} // namespace

TFileCheck::TFileCheck(const TOptions& options, const std::vector<TTreeDir>& dirs,
                       const TClassIndex* runClasses)
    : Options(options), Check(options.NoWarnings, options.Format != TOptions::TFormat::Text, options.Dialect,
                              options.PassedOver),
      Parts(options), Dirs(dirs) {
  if (runClasses)
    Check.UseRunClasses(&runClasses->Classes());
  else
    Check.KeepClasses();
}

TFileResult TFileCheck::Run(const TTreeFile& file, TClassIndex* offered) {
  try {
    return Judge(file, offered);
  } catch (const std::bad_alloc&) {
    // Everything the file took is given back while the stack unwinds,
    // temporary files included.
    return TFileResult::Failure(file.Path, kNoMemory);
  }
}

TFileResult TFileCheck::Judge(const TTreeFile& file, TClassIndex* offered) {
  const std::string& path = file.Path;
  TDir dir;
  if (TError error = Dirs.Open(file.Dir, dir)) return TFileResult::Failure(path, ReadFailure(error));
  if (file.IsPartFile(Options)) return Parts.Run(file, dir);
  TFileText source;
  if (TError error = file.Read(dir, source)) return TFileResult::Failure(path, ReadFailure(error));
  TFileResult result;
  if (!Options.All && !TTextCheck::MentionsRegistration(source.Text())) {
    result.Scanned = false;
    return result;
  }
  // The dialect and level of the file's configuration, the command line's
  // over them.
  Check.Configure(file.Settings);
  result.State = Check.Run(path, source.Text(), result.Findings, &source);
  if (source.Shrunk()) return TFileResult::Failure(path, kChanged);
  if (offered) {
    offered->Add(path, Check.Scan().Classes);
    if (Check.Scan().ClassesMissing > 0) {
      TFileResult deferred;
      deferred.Deferred = true;
      return deferred;
    }
  }
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
  // What is said at a line is said of the file as it is now.
  if (outcome.Done == TUpdateOutcome::TDone::Written)
    for (TFinding& finding : result.Findings)
      if (finding.Rule == TFinding::TRule::PassedOver) finding.Line = Check.NewLine(finding.Line);
  TFindings::OfWrite(path, dir, outcome, result);
}
