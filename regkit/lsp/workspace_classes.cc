#include "regkit/lsp/workspace_classes.h"

#include "framework/files/file_io.h"
#include "regkit/dir_chain.h"
#include "regkit/text_check.h"
#include "regkit/tree_walk.h"
#include "tolvane/register_engine.h"

const TClassIndex& TWorkspaceClasses::Of(const std::vector<std::string>& folders) {
  if (Current && folders == Folders) return Index;
  Index = TClassIndex();
  Folders = folders;
  Current = true;
  TOptions options = Options;
  options.Paths = folders;
  TTreeWalk walk(options);
  walk.MaxEntries = kMaxEntries;
  walk.Run();
  TDirChain dirs(walk.Dirs);
  TRegisterEngine engine;
  TScanOptions scan;
  scan.NoWarnings = true;
  scan.Dialect = TScanOptions::TDialect::Modern;
  scan.KeepClasses = true;
  TScanResult result;
  for (const TTreeFile& file : walk.Files) {
    if (file.IsPartFile(options)) continue;
    TDir dir;
    TFileText text;
    if (dirs.Open(file.Dir, dir) || file.Read(dir, text, MaxSize) ||
        !TTextCheck::MentionsRegistration(text.Text()))
      continue;
    scan.SourceFile = &text;
    engine.Scan(text.Text(), scan, result);
    if (!text.Shrunk()) Index.Add(file.Path, result.Classes);
  }
  return Index;
}
