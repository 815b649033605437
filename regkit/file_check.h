// Checks or updates one file at a time with a tolvane engine of its own:
// one object per worker thread.
#pragma once

#include <string>
#include <string_view>

#include "regkit/file_result.h"
#include "regkit/options.h"
#include "tolvane/tolvane_spec.h"

class TFileText;

class TFileCheck {
public:
  explicit TFileCheck(const TOptions& options) : Options(options) {}

  // Scans the file in memory and compares the result with it; on update a
  // stale file is then rewritten as "tolvane -r" (or without -r) would.
  TFileResult Run(const std::string& path);

private:
  void NoteDiagnostics(const std::string& path, TFileResult& result) const;
  void NoteStale(const std::string& path, std::string_view source, TFileResult& result) const;
  void Update(const std::string& path, TFileText& source, TFileResult& result);

  const TOptions& Options;
  TTolvane Tool;
  TScanResult Scan; // of the current file; its memory is kept from file to file
};
