// regkit on a small tree made by each test: the walk, the findings, the
// diff and the update, through the built program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "test_util.h"

namespace {

const std::string kCurrent =
    "class TA {\n  TReg a;\n  virtual void Register() {\n    reg( a );    // tolvane\n  }\n};\n";
const std::string kStale = "class TB {\n  TReg b;\n  TReg c[4];\n  virtual void Register() {\n"
                           "    reg( old );    // tolvane\n  }\n};\n";
const std::string kStaleDone = "class TB {\n  TReg b;\n  TReg c[4];\n  virtual void Register() {\n"
                               "    reg(  b    );    // tolvane\n    rega( c, 4 );    // tolvane\n  }\n};\n";
const std::string kError = "class TC {\n  TReg c;\n  \"text\";\n};\n";
const std::string kPlain = "int f();\n";
// Two bodies, both stale, and no line feed at the end.
const std::string kTwoBodies = "struct TD {\n  TReg d;\n  virtual void Register() {\n  }\n};\n"
                               "struct TE {\n  TReg e;\n  virtual void Register() {\n  }\n};";

TRunOptions In(const std::string& dir) {
  TRunOptions options;
  options.WorkDir = dir;
  return options;
}

class RegkitTree : public testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(Dir.File("src/deep/er"));
    std::filesystem::create_directories(Dir.File("build/gen"));
    std::filesystem::create_directories(Dir.File(".hidden"));
    WriteFile(Dir.File("src/current.h"), kCurrent);
    WriteFile(Dir.File("src/deep/stale.hpp"), kStale);
    WriteFile(Dir.File("src/deep/er/error.cc"), kError);
    WriteFile(Dir.File("src/plain.h"), kPlain);
    WriteFile(Dir.File("src/two.h"), kTwoBodies);
    WriteFile(Dir.File("src/notes.txt"), kStale); // not a header
    WriteFile(Dir.File("build/gen/stale.h"), kStale);
    WriteFile(Dir.File(".hidden/stale.h"), kStale);
    symlink("..", Dir.File("src/deep/loop").c_str());
  }
  // Standard error after standard output, so the summary line is seen.
  TRunResult Run(const std::vector<std::string>& args) {
    std::string command = REGKIT_EXE;
    for (const std::string& arg : args) command += " '" + arg + "'";
    return RunProgram("/bin/sh", {"-c", command + " 2>&1"}, In(Dir.Path()));
  }
  TTempDir Dir;
};

const std::string kFindings = "src/deep/er/error.cc:3:3: error: Unexpected token.\n"
                              "src/deep/stale.hpp:5: error: Register() body is out of date\n"
                              "src/two.h:4: error: Register() body is out of date\n"
                              "src/two.h:9: error: Register() body is out of date\n";

TEST_F(RegkitTree, CheckReportsEachFindingInPathOrder) {
  TRunResult r = Run({"check", "src"});
  EXPECT_EQ(r.Output, kFindings + "5 files checked, 2 stale, 1 error\n");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(ReadFile(Dir.File("src/deep/stale.hpp")), kStale); // check writes nothing

  // Without the erroneous file, stale files give 1, and then none give 0.
  r = Run({"check", "--exclude=error.*", "src"});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Output, kFindings.substr(kFindings.find('\n') + 1) + "4 files checked, 2 stale, 0 errors\n");
  r = Run({"check", "--exclude=*/deep", "--exclude=src/two.h", "src"});
  EXPECT_EQ(r.Output, "2 files checked, 0 stale, 0 errors\n");
  EXPECT_EQ(r.Status, 0);
}

TEST_F(RegkitTree, SameOutputForAnyNumberOfJobs) {
  TRunResult one = Run({"check", "-j", "1", "--diff", "src", "build", ".hidden"});
  TRunResult eight = Run({"check", "-j8", "--diff", "src", "build", ".hidden"});
  EXPECT_EQ(one.Output, eight.Output);
  EXPECT_EQ(one.Status, eight.Status);
  // Hidden and build directories are walked when they are named.
  EXPECT_NE(one.Output.find("\nbuild/gen/stale.h:5: error"), std::string::npos);
  EXPECT_NE(one.Output.find(".hidden/stale.h:5: error"), std::string::npos);
}

TEST_F(RegkitTree, ExtensionsAndNamedFiles) {
  TRunResult r = Run({"check", "--ext=txt,hpp", "src"});
  EXPECT_EQ(r.Output, "src/deep/stale.hpp:5: error: Register() body is out of date\n"
                      "src/notes.txt:5: error: Register() body is out of date\n"
                      "2 files checked, 2 stale, 0 errors\n");
  // A named file is taken whatever its extension; a file named twice, by
  // any spelling, once.
  r = Run({"check", "src/notes.txt", "src/plain.h", "./src/../src/plain.h", "src/notes.txt"});
  EXPECT_EQ(r.Output, "src/notes.txt:5: error: Register() body is out of date\n"
                      "2 files checked, 1 stale, 0 errors\n");
}

TEST_F(RegkitTree, UnreadablePathsAreErrors) {
  mkfifo(Dir.File("src/pipe.h").c_str(), 0600);
  TRunResult r = Run({"check", "missing", "src/pipe.h", "src/plain.h"});
  EXPECT_EQ(r.Output, "missing: error: No such file or directory\n"
                      "src/pipe.h: error: not a regular file\n"
                      "1 file checked, 0 stale, 2 errors\n");
  EXPECT_EQ(r.Status, 2);
  if (geteuid() == 0) return; // root reads any file
  chmod(Dir.File("src/plain.h").c_str(), 0);
  r = Run({"check", "src/plain.h"});
  EXPECT_EQ(r.Output, "src/plain.h: error: could not open the file\n1 file checked, 0 stale, 1 error\n");
}

TEST_F(RegkitTree, DiffAppliesToWhatUpdateWrites) {
  TRunResult diff = RunProgram(REGKIT_EXE, {"check", "--diff", "src"}, In(Dir.Path()));
  std::string patch = diff.Output.substr(diff.Output.find("--- a/"));
  EXPECT_NE(patch.find("\\ No newline at end of file\n"), std::string::npos);
  TTempDir copy;
  std::filesystem::copy(Dir.File("src"), copy.File("src"),
                        std::filesystem::copy_options::recursive |
                            std::filesystem::copy_options::copy_symlinks);
  WriteFile(copy.File("fix.patch"), patch);
  ASSERT_EQ(RunProgram("/usr/bin/patch", {"-s", "-p1", "-i", "fix.patch"}, In(copy.Path())).Status, 0);

  TRunResult update = Run({"update", "src"});
  EXPECT_EQ(update.Output, "src/deep/er/error.cc:3:3: error: Unexpected token.\n"
                           "src/deep/stale.hpp: updated\nsrc/two.h: updated\n"
                           "5 files checked, 2 updated, 1 error\n");
  EXPECT_EQ(update.Status, 2);
  EXPECT_EQ(ReadFile(Dir.File("src/deep/stale.hpp")), kStaleDone);
  for (const char* name : {"src/deep/stale.hpp", "src/two.h", "src/current.h", "src/deep/er/error.cc"})
    EXPECT_EQ(ReadFile(copy.File(name)), ReadFile(Dir.File(name))) << name;
  EXPECT_FALSE(FileExists(Dir.File("src/deep/stale._hpp"))); // the backup went

  // Everything up to date now: update has nothing to do and exits with 0.
  update = Run({"update", "--exclude=er", "src"});
  EXPECT_EQ(update.Output, "4 files checked, 0 updated, 0 errors\n");
  EXPECT_EQ(update.Status, 0);
}

TEST_F(RegkitTree, UpdateEqualsTolvaneByteForByte) {
  TTempDir copy;
  std::filesystem::copy(Dir.File("src"), copy.File("src"),
                        std::filesystem::copy_options::recursive |
                            std::filesystem::copy_options::copy_symlinks);
  chmod(Dir.File("src/two.h").c_str(), 0640);
  chmod(copy.File("src/two.h").c_str(), 0640);
  EXPECT_EQ(Run({"update", "--keep-backup", "src"}).Status, 2);
  for (const char* name : {"src/deep/stale.hpp", "src/two.h", "src/current.h", "src/plain.h"}) {
    RunProgram(TOLVANE_EXE, {name}, In(copy.Path()));
    EXPECT_EQ(ReadFile(copy.File(name)), ReadFile(Dir.File(name))) << name;
  }
  EXPECT_EQ(FileMode(Dir.File("src/two.h")), 0640u);
  // --keep-backup leaves the backup as tolvane without -r does.
  EXPECT_EQ(ReadFile(Dir.File("src/two._h")), kTwoBodies);
  EXPECT_EQ(ReadFile(copy.File("src/two._h")), kTwoBodies);
}

TEST_F(RegkitTree, WarningsLineEndsAndUsage) {
  WriteFile(Dir.File("w.h"), "class TW {\n  TReg a;\n  virtual void Register() { reg( a ); }\n};\n");
  WriteFile(Dir.File("crlf.h"), "class TA {\r\n  int x;\r\n};\r\n");
  TRunResult r = Run({"check", "w.h", "crlf.h"});
  EXPECT_EQ(r.Output,
            "crlf.h:1: error: line ends differ (tolvane writes LF)\n"
            "w.h:3:29: warning: To auto register, { of Register() must be the last non-comment token "
            "on the line.\n"
            "2 files checked, 1 stale, 0 errors\n");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(Run({"check", "-w", "w.h"}).Output, "1 file checked, 0 stale, 0 errors\n");

  for (auto args : std::vector<std::vector<std::string>>{{},
                                                         {"check"},
                                                         {"fix", "."},
                                                         {"check", "-j", "0", "."},
                                                         {"check", "--bogus", "."},
                                                         {"check", "--keep-backup", "."}})
    EXPECT_EQ(Run(args).Status, 2);
  EXPECT_EQ(Run({"--version"}).Output, "regkit 1.0.0\n");
  EXPECT_NE(Run({"--help"}).Output.find("regkit check [options] PATH..."), std::string::npos);
}

// Names with control characters are quoted: no name forges a finding or a
// diff header; a name patch could cut short is left out of the diff.
TEST_F(RegkitTree, NamesCannotForgeFindingsOrDiffs) {
  const std::string forged = "odd/d\n+++ b/victim.h\n";
  std::filesystem::create_directories(Dir.File(forged));
  WriteFile(Dir.File(forged + "/x.h"), kStale);
  WriteFile(Dir.File("odd/new\nline.h"), kStale);
  WriteFile(Dir.File("odd/victim.h"), kCurrent);
  const std::string shown = "\"odd/d\\n+++ b/victim.h\\n/x.h\"";
  TRunResult errors = RunProgram(
      "/bin/sh", {"-c", std::string(REGKIT_EXE) + " check --diff odd 2>&1 >/dev/null"}, In(Dir.Path()));
  EXPECT_EQ(errors.Output, shown + ": error: name cannot be written in a diff; run regkit update\n"
                                   "3 files checked, 1 stale, 1 error\n");
  EXPECT_EQ(errors.Status, 2);
  TRunResult diff = RunProgram(REGKIT_EXE, {"check", "--diff", "odd"}, In(Dir.Path()));
  EXPECT_EQ(diff.Output.substr(0, diff.Output.find("--- ")),
            shown + ":5: error: Register() body is out of date\n"
                    "\"odd/new\\nline.h\":5: error: Register() body is out of date\n");
  // The diff names the file it is for, in git's quoted form, which patch reads.
  std::string patch = diff.Output.substr(diff.Output.find("--- "));
  EXPECT_TRUE(patch.starts_with("--- \"a/odd/new\\nline.h\"\n+++ \"b/odd/new\\nline.h\"\n")) << patch;
  WriteFile(Dir.File("fix.patch"), patch);
  ASSERT_EQ(RunProgram("/usr/bin/patch", {"-s", "-p1", "-i", "fix.patch"}, In(Dir.Path())).Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("odd/new\nline.h")), kStaleDone);
  EXPECT_EQ(ReadFile(Dir.File("odd/victim.h")), kCurrent);
}

// The diff names a file relative to the current directory when it lies
// below it, however PATH was written; else relative to PATH.
TEST_F(RegkitTree, DiffNamesAreRelativeToTheCurrentDirectory) {
  auto names = [&](const std::string& path, const std::string& in) {
    TRunResult r = RunProgram(REGKIT_EXE, {"check", "--diff", path}, In(in));
    std::string found;
    for (std::size_t at = r.Output.find("\n--- "); at != std::string::npos;
         at = r.Output.find("\n--- ", at + 1))
      found += r.Output.substr(at + 5, r.Output.find('\n', at + 1) - at - 5) + " ";
    return found;
  };
  EXPECT_EQ(names(Dir.File("src/two.h"), Dir.Path()), "a/src/two.h ");
  EXPECT_EQ(names("src/deep/../two.h", Dir.Path()), "a/src/two.h ");
  EXPECT_EQ(names("./src//two.h", Dir.Path()), "a/src/two.h ");
  EXPECT_EQ(names("../../two.h", Dir.File("src/deep/er")), "a/two.h ");
  EXPECT_EQ(names("..", Dir.File("src/deep")), "a/deep/stale.hpp a/two.h ");
  // An absolute PATH below the current directory: the diff applies there.
  TRunResult diff = RunProgram(REGKIT_EXE, {"check", "--diff", Dir.File("src")}, In(Dir.Path()));
  WriteFile(Dir.File("fix.patch"), diff.Output.substr(diff.Output.find("--- ")));
  ASSERT_EQ(RunProgram("/usr/bin/patch", {"-s", "-p1", "-i", "fix.patch"}, In(Dir.Path())).Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("src/deep/stale.hpp")), kStaleDone);
}

// Output that cannot be written is an error, not a silent success.
TEST_F(RegkitTree, LostOutputIsAnError) {
  for (const char* command : {"check --diff", "update"}) {
    TRunResult r = RunProgram(
        "/bin/sh", {"-c", std::string(REGKIT_EXE) + " " + command + " src 2>&1 >/dev/full"}, In(Dir.Path()));
    EXPECT_EQ(r.Status, 2) << command;
    EXPECT_NE(r.Output.find("regkit: error: could not write the output: No space left on device\n"),
              std::string::npos)
        << r.Output;
  }
}

// -j goes as far as the table of temporary names holds two files a job.
TEST_F(RegkitTree, UpdateAtTheMostJobs) {
  std::string expected;
  std::filesystem::create_directory(Dir.File("many"));
  for (int i = 10; i < 50; ++i) {
    WriteFile(Dir.File("many/s" + std::to_string(i) + ".h"), kStale);
    expected += "many/s" + std::to_string(i) + ".h: updated\n";
  }
  EXPECT_EQ(Run({"update", "-j", "1024", "many"}).Output,
            expected + "40 files checked, 40 updated, 0 errors\n");
  TRunResult r = Run({"check", "-j1025", "many"});
  EXPECT_EQ(r.Status, 2);
  EXPECT_TRUE(r.Output.starts_with("regkit: -j needs a number from 1 to 1024, not '1025'\n")) << r.Output;
}

} // namespace
