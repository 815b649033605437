#include "regkit/report.h"

int TReport::Print(const std::vector<std::string>& problems, const std::vector<TFileResult>& results,
                   std::ostream& out, std::ostream& err) const {
  std::size_t stale = 0, updated = 0, errors = problems.size();
  for (const std::string& line : problems) out << line << '\n';
  for (const TFileResult& result : results) {
    for (const std::string& line : result.Lines) out << line << '\n';
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
