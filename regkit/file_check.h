// Checks or updates one file at a time with a tolvane generator of its
// own: one object per worker thread.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "framework/arg_assist.h"
#include "framework/out_text.h"
#include "regkit/file_result.h"
#include "regkit/options.h"
#include "tolvane/tolvane_spec.h"

class TFileCheck {
public:
  explicit TFileCheck(const TOptions& options);

  // Scans the file in memory and compares the result with it; on update a
  // stale file is then rewritten as "tolvane -r" (or without -r) would.
  TFileResult Run(const std::string& path);

private:
  void ReportDiagnostics(const std::string& path, TFileResult& result) const;
  void ReportStale(const std::string& path, std::string_view source, std::string_view output,
                   TFileResult& result) const;
  void Update(const std::string& path, TFileResult& result);

  const TOptions& Options;
  TTolvane Tool;
  TArgAssistant Args; // the flags that each scan sees (-w)
  std::vector<std::string> ArgText;
  std::vector<char*> ArgPointers;
  std::ostringstream Console; // the report text of the scan, not printed
  std::vector<TDiagnostic> Diagnostics;
  TOutText Pieces;    // the scanned text of the current file
  std::string Output; // the same, joined, for a stale file's report
};
