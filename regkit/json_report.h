// Prints the results of a check as one JSON document or as a SARIF log,
// for CI and other programs; the summary line and the exit status are the
// text report's.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "regkit/file_result.h"
#include "regkit/options.h"
#include "regkit/tree_file.h"

class TJsonReport {
public:
  // version: regkit's, named in the document.
  TJsonReport(const TOptions& options, std::string version) : Options(options), Version(std::move(version)) {}

  // The document (JSON or SARIF by Options.Format) to out, the summary line
  // to err; returns the exit status. problems: paths that could not be
  // walked; results[i] is the result of files[i].
  int Print(const std::vector<TFinding>& problems, const std::vector<TTreeFile>& files,
            const std::vector<TFileResult>& results, std::ostream& out, std::ostream& err) const;

private:
  const TOptions& Options;
  std::string Version;
};
