// Checks or updates one file at a time: one object per worker thread.
#pragma once

#include <string>

#include "regkit/file_result.h"
#include "regkit/options.h"
#include "regkit/part_check.h"
#include "regkit/text_check.h"

class TFileText;

class TFileCheck {
public:
  explicit TFileCheck(const TOptions& options) : Options(options), Check(options.NoWarnings), Parts(options) {}

  // Reads the file and judges its text; on update a stale file is then
  // rewritten as "tolvane -r" (or without -r) would. A part-description
  // file goes to its own check. Without --all a C++ file that does not
  // mention Register() is passed over unscanned.
  TFileResult Run(const std::string& path);

private:
  void Update(const std::string& path, TFileText& source, TFileResult& result);

  const TOptions& Options;
  TTextCheck Check;
  TPartCheck Parts;
};
