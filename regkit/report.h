// Prints the results of a run in file order and gives its exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "regkit/file_result.h"
#include "regkit/options.h"

class TReport {
public:
  enum TExitStatus : int { kUpToDate = 0, kStale = 1, kFailed = 2 };

  explicit TReport(const TOptions& options) : Options(options) {}

  // Finding lines and diffs to out, the summary line to err; returns the
  // exit status. problems: paths that could not be walked (errors) and
  // directories not walked again (warnings).
  int Print(const std::vector<TFinding>& problems, const std::vector<TFileResult>& results, std::ostream& out,
            std::ostream& err) const;
  // One finding as a line: "path:line:col: error: message", the line and
  // column left out where the finding has none, the path quoted where it
  // needs it (QuotePath).
  static std::string Line(const TFinding& finding);

private:
  const TOptions& Options;
};
