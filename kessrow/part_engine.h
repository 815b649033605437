// The part header generator's engine: a part-description file (and its
// include file) to a C++ header with one class per part, in memory or as a
// whole run over files. The console program (TKessrow) and regkit both run
// it; each call makes its own pass (TPartPass), so that nothing of one
// pass reaches the next: the engine keeps only the memory its passes work
// in, and serves one thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "framework/files/dir.h"
#include "framework/files/file_io.h"
#include "kessrow/part_options.h"
#include "kessrow/part_outcome.h"
#include "kessrow/part_pass.h"
#include "kessrow/part_request.h"
#include "kessrow/part_result.h"

class TPartEngine {
public:
  // The pass on texts held in memory (kept alive by the caller while result
  // is used): the header and the diagnostics go to result, whose made-text
  // memory is reused. Touches no file.
  void Generate(std::optional<std::string_view> include, std::string_view source, const TPartOptions& options,
                TPartResult& result);
  // The whole run of the program: reads the inputs, makes the header into
  // result (or streams it to its new file) and writes it where it differs.
  TPartOutcome Update(const TPartRequest& request, TPartResult& result);
  // The write of a header already generated from source (and include, when
  // one was read), as Update writes it: never over an input, only where it
  // differs (unless request.Unconditional), and only while the inputs are
  // still the files that were read.
  TPartOutcome Write(const TPartRequest& request, const TFileText& source, const TOutText& header,
                     const TFileText* include = nullptr) const;
  // The header's name when none is given: the part file's, ending in ".h".
  static std::string DefaultDestination(const std::string& source);

private:
  TPartPass::TMemory Memory;
};
