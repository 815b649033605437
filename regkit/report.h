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

  // What a run came to, counted: errors are the problems of the walk that
  // are errors and the files that failed.
  struct TSummary {
    std::size_t Files = 0, Scanned = 0, Stale = 0, Updated = 0, Errors = 0;
    // Register() bodies the scan passed over, and those of them reported
    // as errors (--passed-over=error).
    std::size_t PassedOver = 0, PassedOverErrors = 0;
    // The exit status of the run: a body passed over as an error counts as
    // a stale one.
    int Status() const {
      return Errors > 0 ? kFailed : Stale > 0 || PassedOverErrors > 0 ? kStale : kUpToDate;
    }
  };

  // outColour, errColour: whether the lines to out and to err are
  // coloured.
  explicit TReport(const TOptions& options, bool outColour = false, bool errColour = false)
      : Options(options), OutColour(outColour), ErrColour(errColour) {}

  // Finding lines and diffs to out, the summary line to err; returns what
  // was counted (the exit status: its Status()). problems: paths that could
  // not be walked (errors) and directories not walked again (warnings).
  TSummary Print(const std::vector<TFinding>& problems, const std::vector<TFileResult>& results,
                 std::ostream& out, std::ostream& err) const;
  // One finding as a line: "path:line:col: error: message", the line and
  // column left out where the finding has none, the path quoted where it
  // needs it (QuotePath); with colour, the path and position bold and the
  // severity in its colour (TColors).
  static std::string Line(const TFinding& finding, bool colour = false);

private:
  static TSummary Count(const std::vector<TFinding>& problems, const std::vector<TFileResult>& results);
  const TOptions& Options;
  bool OutColour, ErrColour;
};
