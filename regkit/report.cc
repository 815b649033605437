#include "regkit/report.h"

#include "regkit/colors.h"
#include "regkit/path_quote.h"

std::string TReport::Line(const TFinding& f, bool colour) {
  std::string where = QuotePath(f.Path);
  if (f.Line > 0) where.append(":").append(std::to_string(f.Line));
  if (f.Line > 0 && f.Column > 0) where.append(":").append(std::to_string(f.Column));
  where += ':';
  // A note (a file updated) has no word of its own.
  std::string word;
  TColors::TPaint paint = TColors::TPaint::Bold;
  if (f.Severity == TFinding::TSeverity::Error) {
    word = "error:";
    paint = TColors::TPaint::Red;
  } else if (f.Severity == TFinding::TSeverity::Warning) {
    word = "warning:";
    paint = TColors::TPaint::Magenta;
  }
  if (colour) {
    where = TColors::Painted(TColors::TPaint::Bold, where);
    if (!word.empty()) word = TColors::Painted(paint, word);
  }
  std::string line = where + ' ';
  if (!word.empty()) line.append(word).append(" ");
  return line.append(f.Message);
}

namespace {
// n with its thousands grouped: 7,561.
std::string Grouped(std::size_t n) {
  std::string digits = std::to_string(n), grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(digits[i]);
  }
  return grouped;
}

// n and the noun, in the singular for one.
std::string Counted(std::size_t n, const char* noun) { return Grouped(n) + " " + noun + (n == 1 ? "" : "s"); }
} // namespace

TReport::TSummary TReport::Count(const std::vector<TFinding>& problems,
                                 const std::vector<TFileResult>& results) {
  TSummary summary;
  summary.Files = results.size();
  for (const TFinding& problem : problems)
    if (problem.Severity == TFinding::TSeverity::Error) ++summary.Errors;
  for (const TFileResult& result : results) {
    if (result.Scanned) ++summary.Scanned;
    if (result.State == TFileResult::TState::Stale) ++summary.Stale;
    if (result.State == TFileResult::TState::Updated) ++summary.Updated;
    if (result.State == TFileResult::TState::Failed) ++summary.Errors;
    for (const TFinding& finding : result.Findings) {
      if (finding.Rule != TFinding::TRule::PassedOver) continue;
      ++summary.PassedOver;
      if (finding.Severity == TFinding::TSeverity::Error) ++summary.PassedOverErrors;
    }
  }
  return summary;
}

TReport::TSummary TReport::Print(const std::vector<TFinding>& problems,
                                 const std::vector<TFileResult>& results, std::ostream& out,
                                 std::ostream& err) const {
  for (const TFinding& problem : problems) out << Line(problem, OutColour) << '\n';
  // A name left out of the diff is said where the diff's reader sees it.
  for (const TFileResult& result : results)
    for (const TFinding& finding : result.Findings) {
      bool toErr = finding.Rule == TFinding::TRule::DiffName;
      (toErr ? err : out) << Line(finding, toErr ? ErrColour : OutColour) << '\n';
    }
  if (Options.Diff)
    for (const TFileResult& result : results) out << result.Diff;
  out.flush();

  // "7,561 files: 20 scanned, 7,541 without Register() skipped; 0 stale, 2 passed over, 3 errors"
  TSummary summary = Count(problems, results);
  err << Counted(summary.Files, "file") << ": " << Grouped(summary.Scanned) << " scanned, "
      << Grouped(summary.Files - summary.Scanned) << " without Register() skipped; ";
  if (Options.Command == TOptions::TCommand::Update)
    err << Grouped(summary.Updated) << " updated, ";
  else
    err << Grouped(summary.Stale) << " stale, ";
  err << Grouped(summary.PassedOver) << " passed over, " << Counted(summary.Errors, "error") << '\n';
  return summary;
}
