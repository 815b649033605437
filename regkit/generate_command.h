// regkit generate: one part file's header, written as kessrow writes it
// (kessrow's engine, kessrow's flags), with its errors reported as a
// compiler reports them: path:line:col: error: message.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "regkit/finding.h"
#include "regkit/generate_options.h"

class TPartOutcome;
class TPartResult;

class TGenerateCommand {
public:
  enum TStatus { kDone = 0, kPartError = 1, kFileError = 2 };

  explicit TGenerateCommand(const TGenerateOptions& options) : Options(options) {}

  // Makes the header and writes it where it differs; prints nothing on
  // success (-v: a note on out), the findings on err otherwise (-p: then
  // waits for a line of in). Returns the TStatus.
  int Run(std::ostream& out, std::ostream& err, std::istream& in);

  // The findings of a failed run: each diagnostic at its own file's line,
  // or the file that could not be read or written.
  static std::vector<TFinding> Findings(const std::string& part, const TPartOutcome& outcome,
                                        const TPartResult& result);

private:
  const TGenerateOptions& Options;
};
