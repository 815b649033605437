// regkit lsp with a real client: Neovim, headless, applies the quick fix
// and formats through the server (tests/editors/nvim_client.lua); the files
// it writes must be tolvane's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "test_util.h"

namespace {

const std::string kStale = "class TB {\n  TReg b;\n  TReg c[4];\n  virtual void Register() {\n"
                           "    reg( old );    // tolvane\n  }\n};\n";
// Two stale bodies apart, the second after a line with a wide character.
const std::string kTwoBodies = "struct TD {\n  TReg d;\n  virtual void Register() {\n  }\n};\n"
                               "// \xC3\xA4 \xF0\x9F\x98\x80\n"
                               "struct TE {\n  TReg e;\n  TReg f[2];\n  virtual void Register() {\n  }\n};\n";

TEST(RegkitNvim, QuickFixAndFormattingGiveTolvanesText) {
  if (std::system("command -v nvim >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "nvim is not installed (Debian package neovim, which scripts/deps.sh installs)";
  TTempDir dir;
  WriteFile(dir.File("stale.h"), kStale);
  WriteFile(dir.File("two.h"), kTwoBodies);
  WriteFile(dir.File("expected_stale.h"), kStale);
  WriteFile(dir.File("expected_two.h"), kTwoBodies);
  RunProgram(TOLVANE_EXE, {"-r", dir.File("expected_stale.h")});
  RunProgram(TOLVANE_EXE, {"-r", dir.File("expected_two.h")});

  std::string script = (std::filesystem::path(REGKIT_SOURCE_DIR) / "tests/editors/nvim_client.lua").string();
  TRunOptions options;
  options.WorkDir = dir.Path();
  options.Environment = {{"REGKIT", REGKIT_EXE},           {"STALE_FILE", dir.File("stale.h")},
                         {"FORMAT_FILE", dir.File("two.h")}, {"XDG_CACHE_HOME", dir.File("cache")},
                         {"XDG_STATE_HOME", dir.File("state")}, {"XDG_DATA_HOME", dir.File("data")}};
  // A client that hangs is ended: the test fails instead of waiting.
  TRunResult r = RunProgram("/bin/sh",
                            {"-c", "exec timeout -k 10 180 nvim --headless --clean -n -i NONE -c \"luafile $0\" 2>&1",
                             script},
                            options);
  EXPECT_EQ(r.Status, 0) << r.Output;
  EXPECT_EQ(ReadFile(dir.File("stale.h")), ReadFile(dir.File("expected_stale.h")));
  EXPECT_EQ(ReadFile(dir.File("two.h")), ReadFile(dir.File("expected_two.h")));
  EXPECT_NE(ReadFile(dir.File("two.h")), kTwoBodies);
}

} // namespace
