// What regkit finds in one part-description file: kessrow's errors, and
// whether the header that kessrow writes beside it is out of date; on
// update that header is written as kessrow writes it. The file is taken as
// a run of kessrow in its own directory takes it ("kessrow chips.kes"), so
// the header does not depend on where regkit runs. Holds a kessrow engine:
// one object per thread.
#pragma once

#include <string>
#include <utility>

#include "kessrow/part_engine.h"
#include "regkit/file_result.h"
#include "regkit/options.h"
#include "regkit/tree_file.h"

class TPartCheck {
public:
  explicit TPartCheck(const TOptions& options) : Options(options) {}

  // Checks (or updates) the part file the walk found, in its directory dir
  // (opened through the directories the walk saw), if it is still that file.
  // A part file whose header an earlier one writes too fails; the earlier
  // one is checked but not written.
  TFileResult Run(const TTreeFile& file, const TDir& dir);

private:
  // The include file of the part file's directory (part-include): as shown,
  // and its absolute path; empty where there is none.
  static std::pair<std::string, std::string> IncludeOf(const TTreeFile& file);
  void NoteDiagnostics(const std::string& path, TFileResult& result) const;

  const TOptions& Options;
  TPartEngine Engine;
  TPartResult Result; // its memory is kept from file to file
};
