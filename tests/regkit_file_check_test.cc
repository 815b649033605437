// One file updated in process, with the file hooks: a file that an editor
// saves while regkit update works on it keeps the editor's text.
#include <gtest/gtest.h>

#include <cstdio>

#include "framework/file_io.h"
#include "regkit/file_check.h"
#include "test_util.h"

namespace {

const std::string kStale = "class TB {\n  TReg b;\n  virtual void Register() {\n"
                           "    reg( old );    // tolvane\n  }\n};\n";
const std::string kEdited = "// saved by an editor\n" + kStale;

std::string Target;
int Reads = 0;

// The check reads the file first, the update reads it again: the editor
// saves between that second read and the rename.
void SaveOnSecondRead(TFilePoint point, const std::string& name) {
  if (point != TFilePoint::SourceRead || name != Target || ++Reads != 2) return;
  WriteFile(Target + ".new", kEdited);
  std::rename((Target + ".new").c_str(), Target.c_str());
}

TEST(RegkitFileCheck, FileSavedDuringTheUpdateKeepsTheEdit) {
  TTempDir dir;
  Target = dir.File("a.h");
  WriteFile(Target, kStale);
  TOptions options;
  options.Command = TOptions::TCommand::Update;
  TFileCheck check(options);
  SetFileHook(SaveOnSecondRead);
  TFileResult result = check.Run(Target);
  SetFileHook(nullptr);
  EXPECT_EQ(Reads, 2);
  EXPECT_EQ(result.State, TFileResult::TState::Failed);
  ASSERT_EQ(result.Lines.size(), 1u);
  EXPECT_EQ(result.Lines[0],
            Target + ": error: source file " + Target + " changed while it was read; nothing was written.");
  EXPECT_EQ(ReadFile(Target), kEdited);
  EXPECT_FALSE(FileExists(dir.File("a._h")));
}

} // namespace
