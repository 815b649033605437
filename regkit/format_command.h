// regkit format: the text tolvane would write for one file or for standard
// input, on standard output, for an editor to put in its buffer; no file
// is touched.
#pragma once

#include <ostream>

#include "regkit/options.h"

class TFormatCommand {
public:
  enum TExitStatus : int { kMade = 0, kScanError = 1, kFailed = 2 };

  explicit TFormatCommand(const TOptions& options) : Options(options) {}

  // Reads the file (standard input for "-" or none) and writes its new
  // text to out, the scan's errors and warnings to err as
  // NAME:line:col: lines. On a scan error out stays empty; so it does
  // when memory runs out ("NAME: error: not enough memory", kFailed).
  int Run(std::ostream& out, std::ostream& err) const;

private:
  int Format(std::ostream& out, std::ostream& err) const;

  const TOptions& Options;
};
