// The registration generator's engine: a C++ header scanned into a new
// text whose Register() bodies are up to date, in memory or as a whole run
// over files. The console program (TTolvane) and regkit both run it; each
// scan is its own object (TRegisterScan), so that nothing of one scan
// reaches the next: the engine keeps nothing, and serves any thread.
#pragma once

#include <string_view>

#include "framework/files/file_io.h"
#include "framework/text/out_text.h"
#include "tolvane/scan_options.h"
#include "tolvane/scan_result.h"
#include "tolvane/update_outcome.h"
#include "tolvane/update_request.h"

class TRegisterEngine {
public:
  // Scans source (which the caller keeps alive while result is used) into
  // result: the new text, the diagnostics, the Register() bodies. Touches
  // no file. result's made-text memory is reused.
  void Scan(std::string_view source, const TScanOptions& options, TScanResult& result) const;
  TScanResult Scan(std::string_view source, const TScanOptions& options = {}) const;
  // The whole run of the program: reads request.Source, scans it into scan
  // and writes the destination where its text changes.
  TUpdateOutcome Update(const TUpdateRequest& request, TScanResult& scan) const;
  // The write of a run whose source is already read (source) and scanned
  // (text, made from it): the destination is rewritten where it differs.
  TUpdateOutcome Write(const TUpdateRequest& request, TFileText& source, const TOutText& text) const;
};
