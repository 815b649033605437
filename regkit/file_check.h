// Checks or updates one file at a time: one object per worker thread.
#pragma once

#include <string>
#include <vector>

#include "regkit/dir_chain.h"
#include "regkit/file_result.h"
#include "regkit/options.h"
#include "regkit/part_check.h"
#include "regkit/text_check.h"
#include "regkit/tree_file.h"

class TFileText;

class TFileCheck {
public:
  // dirs: the walk's directories, through which its files are reached.
  TFileCheck(const TOptions& options, const std::vector<TTreeDir>& dirs)
      : Options(options), Check(options.NoWarnings, options.Format != TOptions::TFormat::Text,
              options.Dialect, options.PassedOver),
        Parts(options), Dirs(dirs) {}

  // Reads the file the walk found, if it is still that file, and judges its
  // text; on update a stale file is then rewritten as "tolvane -r" (or
  // without -r) would. A part-description file goes to its own check.
  // Without --all a C++ file that does not mention Register() is passed
  // over unscanned. Memory running out fails this file alone.
  TFileResult Run(const TTreeFile& file);

private:
  TFileResult Judge(const TTreeFile& file);
  void Update(const TTreeFile& file, const TDir& dir, TFileText& source, TFileResult& result);

  const TOptions& Options;
  TTextCheck Check;
  TPartCheck Parts;
  TDirChain Dirs;
};
