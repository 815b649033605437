// One file updated in process, with the file hooks: a file that an editor
// saves while regkit update works on it keeps the editor's text.
#include <gtest/gtest.h>

#include <cstdio>

#include "framework/file_io.h"
#include "regkit/file_check.h"
#include "regkit/report.h"
#include "test_util.h"

namespace {

const std::string kStale = "class TB {\n  TReg b;\n  virtual void Register() {\n"
                           "    reg( old );    // tolvane\n  }\n};\n";
const std::string kEdited = "// saved by an editor\n" + kStale;

std::string Target;
int Saves = 0;

// The editor saves once the new text is ready, just before it would go in
// place.
void SaveBeforeRename(TFilePoint point, const std::string&) {
  if (point != TFilePoint::BeforeRename || Saves++ != 0) return;
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
  SetFileHook(SaveBeforeRename);
  TFileResult result = check.Run(Target);
  SetFileHook(nullptr);
  EXPECT_EQ(Saves, 1);
  EXPECT_EQ(result.State, TFileResult::TState::Failed);
  ASSERT_EQ(result.Findings.size(), 1u);
  EXPECT_EQ(TReport::Line(result.Findings[0]), Target + ": error: changed during the run; not rewritten");
  EXPECT_EQ(ReadFile(Target), kEdited);
  EXPECT_FALSE(FileExists(dir.File("a._h")));
}

} // namespace

namespace {

// Only a text that a scan can act on is scanned by default: the word
// Register, or a TOLVANE_ directive in any case.
TEST(RegkitFileCheck, WhatMentionsRegistration) {
  const std::pair<const char*, bool> cases[] = {
      {"  virtual void Register() {", true}, {"x.Register();", true},   {"Register", true},
      {"RegisterClass();", false},           {"MyRegister x;", false},  {"Register_1 r;", false},
      {"int x; // tolvane_bus(7,0)", true},  {"// TOLVANE_OFF", true},  {"//Tolvane_Incl f();", true},
      {"my_tolvane_x = 1;", false},          {"tolvane;", false},       {"", false},
  };
  for (auto [text, mentions] : cases) EXPECT_EQ(TTextCheck::MentionsRegistration(text), mentions) << text;
}

} // namespace
