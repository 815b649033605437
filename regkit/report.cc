#include "regkit/report.h"

#include "regkit/path_quote.h"

namespace {
const char* SeverityWord(TFinding::TSeverity severity) {
  switch (severity) {
  case TFinding::TSeverity::Error:
    return "error: ";
  case TFinding::TSeverity::Warning:
    return "warning: ";
  case TFinding::TSeverity::Note:
    break;
  }
  return "";
}
} // namespace

std::string TReport::Line(const TFinding& f) {
  std::string line = QuotePath(f.Path);
  if (f.Line > 0) line.append(":").append(std::to_string(f.Line));
  if (f.Line > 0 && f.Column > 0) line.append(":").append(std::to_string(f.Column));
  return line.append(": ").append(SeverityWord(f.Severity)).append(f.Message);
}

int TReport::Print(const std::vector<TFinding>& problems, const std::vector<TFileResult>& results,
                   std::ostream& out, std::ostream& err) const {
  std::size_t stale = 0, updated = 0, errors = 0;
  for (const TFinding& problem : problems) {
    out << Line(problem) << '\n';
    if (problem.Severity == TFinding::TSeverity::Error) ++errors;
  }
  for (const TFileResult& result : results) {
    // A name left out of the diff is said where the diff's reader sees it.
    for (const TFinding& finding : result.Findings)
      (finding.Rule == TFinding::TRule::DiffName ? err : out) << Line(finding) << '\n';
    if (result.State == TFileResult::TState::Stale) ++stale;
    if (result.State == TFileResult::TState::Updated) ++updated;
    if (result.State == TFileResult::TState::Failed) ++errors;
  }
  if (Options.Diff)
    for (const TFileResult& result : results) out << result.Diff;
  out.flush();

  err << results.size() << (results.size() == 1 ? " file" : " files") << " checked, ";
  if (Options.Command == TOptions::TCommand::Update)
    err << updated << " updated, ";
  else
    err << stale << " stale, ";
  err << errors << (errors == 1 ? " error" : " errors") << '\n';
  if (errors > 0) return kFailed;
  return stale > 0 ? kStale : kUpToDate;
}
