// Checks or updates one file at a time: one object per worker thread.
#pragma once

#include <string>
#include <vector>

#include "regkit/class_index.h"
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
  // runClasses: in a second pass, the classes of the run's files.
  TFileCheck(const TOptions& options, const std::vector<TTreeDir>& dirs,
             const TClassIndex* runClasses = nullptr);

  // Reads the file the walk found, if it is still that file, and judges its
  // text; on update a stale file is then rewritten as "tolvane -r" (or
  // without -r) would. A part-description file goes to its own check.
  // Without --all a C++ file that does not mention Register() is passed
  // over unscanned. Memory running out fails this file alone.
  //
  // offered (a first pass, modern dialect): the classes the file offers
  // the run go there, and a file with a Register() body whose class no
  // text read holds is left for the second pass (TFileResult::Deferred),
  // nothing written.
  TFileResult Run(const TTreeFile& file, TClassIndex* offered = nullptr);

private:
  TFileResult Judge(const TTreeFile& file, TClassIndex* offered);
  void Update(const TTreeFile& file, const TDir& dir, TFileText& source, TFileResult& result);

  const TOptions& Options;
  TTextCheck Check;
  TPartCheck Parts;
  TDirChain Dirs;
};
