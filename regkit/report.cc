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

namespace {
// n with its thousands grouped: 7,561.
std::string Count(std::size_t n) {
  std::string digits = std::to_string(n), grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(digits[i]);
  }
  return grouped;
}

// n and the noun, in the singular for one.
std::string Counted(std::size_t n, const char* noun) { return Count(n) + " " + noun + (n == 1 ? "" : "s"); }
} // namespace

int TReport::Print(const std::vector<TFinding>& problems, const std::vector<TFileResult>& results,
                   std::ostream& out, std::ostream& err) const {
  std::size_t stale = 0, updated = 0, errors = 0, scanned = 0;
  for (const TFinding& problem : problems) {
    out << Line(problem) << '\n';
    if (problem.Severity == TFinding::TSeverity::Error) ++errors;
  }
  for (const TFileResult& result : results) {
    // A name left out of the diff is said where the diff's reader sees it.
    for (const TFinding& finding : result.Findings)
      (finding.Rule == TFinding::TRule::DiffName ? err : out) << Line(finding) << '\n';
    if (result.Scanned) ++scanned;
    if (result.State == TFileResult::TState::Stale) ++stale;
    if (result.State == TFileResult::TState::Updated) ++updated;
    if (result.State == TFileResult::TState::Failed) ++errors;
  }
  if (Options.Diff)
    for (const TFileResult& result : results) out << result.Diff;
  out.flush();

  // "7,561 files: 20 scanned, 7,541 without Register() skipped; 0 stale, 3 errors"
  err << Counted(results.size(), "file") << ": " << Count(scanned) << " scanned, " << Count(results.size() - scanned)
      << " without Register() skipped; ";
  if (Options.Command == TOptions::TCommand::Update)
    err << Count(updated) << " updated, ";
  else
    err << Count(stale) << " stale, ";
  err << Counted(errors, "error") << '\n';
  if (errors > 0) return kFailed;
  return stale > 0 ? kStale : kUpToDate;
}
