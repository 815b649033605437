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
const std::string kError = "class TC {\n  TReg c;\n  \"text\";\n  virtual void Register() {\n  }\n};\n";
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
  // Standard error after standard output, so the summary line is seen; as
  // the user uid when it is given.
  TRunResult Run(const std::vector<std::string>& args, int uid = -1) {
    TRunOptions options = In(Dir.Path());
    options.Uid = options.Gid = uid;
    std::string command = uid >= 0 ? ProgramForAnyUser(REGKIT_EXE) : REGKIT_EXE;
    for (const std::string& arg : args) command += " '" + arg + "'";
    return RunProgram("/bin/sh", {"-c", command + " 2>&1"}, options);
  }
  TTempDir Dir{TReach::AllUsers}; // one test runs regkit as another user
};

const std::string kFindings =
    "src/deep/er/error.cc:3:3: error: Unexpected token.\n"
    "src/deep/stale.hpp:5: error: Register() body is out of date (regkit update src/deep/stale.hpp)\n"
    "src/two.h:4: error: Register() body is out of date (regkit update src/two.h)\n"
    "src/two.h:9: error: Register() body is out of date (regkit update src/two.h)\n";

TEST_F(RegkitTree, CheckReportsEachFindingInPathOrder) {
  TRunResult r = Run({"check", "src"});
  EXPECT_EQ(r.Output, kFindings + "5 files: 4 scanned, 1 without Register() skipped; 2 stale, 1 error\n");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(ReadFile(Dir.File("src/deep/stale.hpp")), kStale); // check writes nothing

  // Without the erroneous file, stale files give 1, and then none give 0.
  r = Run({"check", "--exclude=error.*", "src"});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Output, kFindings.substr(kFindings.find('\n') + 1) +
                          "4 files: 3 scanned, 1 without Register() skipped; 2 stale, 0 errors\n");
  r = Run({"check", "--exclude=*/deep", "--exclude=src/two.h", "src"});
  EXPECT_EQ(r.Output, "2 files: 1 scanned, 1 without Register() skipped; 0 stale, 0 errors\n");
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
  EXPECT_EQ(r.Output,
            "src/deep/stale.hpp:5: error: Register() body is out of date (regkit update src/deep/stale.hpp)\n"
            "src/notes.txt:5: error: Register() body is out of date (regkit update src/notes.txt)\n"
            "2 files: 2 scanned, 0 without Register() skipped; 2 stale, 0 errors\n");
  // A named file is taken whatever its extension; a name given twice once.
  r = Run({"check", "src/notes.txt", "src/plain.h", "./src/../src/plain.h", "src/notes.txt"});
  EXPECT_EQ(r.Output, "src/notes.txt:5: error: Register() body is out of date (regkit update src/notes.txt)\n"
                      "3 files: 1 scanned, 2 without Register() skipped; 1 stale, 0 errors\n");
}

TEST_F(RegkitTree, UnreadablePathsAreErrors) {
  mkfifo(Dir.File("src/pipe.h").c_str(), 0600);
  TRunResult r = Run({"check", "missing", "src/pipe.h", "src/plain.h"});
  EXPECT_EQ(r.Output, "missing: error: No such file or directory\n"
                      "src/pipe.h: error: not a regular file\n"
                      "1 file: 0 scanned, 1 without Register() skipped; 0 stale, 2 errors\n");
  EXPECT_EQ(r.Status, 2);
  // Root reads any file: root makes this run as nobody.
  chmod(Dir.File("src/plain.h").c_str(), 0);
  r = Run({"check", "src/plain.h"}, geteuid() == 0 ? kNobody : -1);
  EXPECT_EQ(r.Output, "src/plain.h: error: could not open the file\n"
                      "1 file: 1 scanned, 0 without Register() skipped; 0 stale, 1 error\n");
  EXPECT_EQ(r.Status, 2);
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
                           "5 files: 4 scanned, 1 without Register() skipped; 2 updated, 1 error\n");
  EXPECT_EQ(update.Status, 2);
  EXPECT_EQ(ReadFile(Dir.File("src/deep/stale.hpp")), kStaleDone);
  for (const char* name : {"src/deep/stale.hpp", "src/two.h", "src/current.h", "src/deep/er/error.cc"})
    EXPECT_EQ(ReadFile(copy.File(name)), ReadFile(Dir.File(name))) << name;
  EXPECT_FALSE(FileExists(Dir.File("src/deep/stale._hpp"))); // the backup went

  // Everything up to date now: update has nothing to do and exits with 0.
  update = Run({"update", "--exclude=er", "src"});
  EXPECT_EQ(update.Output, "4 files: 3 scanned, 1 without Register() skipped; 0 updated, 0 errors\n");
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

// Part files: kessrow's errors with their part; a header beside the file
// that kessrow, run in that directory, would write otherwise is stale, and
// update writes it so; a file without a header beside it is only scanned.
TEST_F(RegkitTree, PartFilesAreCheckedAsKessrowWritesThem) {
  const std::string part = "$PART_NAME R\n$PIN_COUNT 2\n$PORTS\n  T[2] 1 2 ;\n$ENDPORTS\n$ENDPART\n";
  std::filesystem::create_directories(Dir.File("parts"));
  WriteFile(Dir.File("parts/r.kes"), part);
  WriteFile(Dir.File("parts/new.kes"), part);
  WriteFile(Dir.File("parts/bad.kes"), "$PART_NAME B\n$PIN_COUNT x\n");
  ASSERT_EQ(RunProgram(KESSROW_EXE, {"r.kes"}, In(Dir.File("parts"))).Status, 0);
  const std::string header = ReadFile(Dir.File("parts/r.h"));
  TRunResult r = Run({"check", "parts"});
  EXPECT_EQ(r.Output, "parts/bad.kes:2:12: error: Expected a decimal integer. (part QV_B)\n"
                      "4 files: 4 scanned, 0 without Register() skipped; 0 stale, 1 error\n");

  WriteFile(Dir.File("parts/r.kes"), part + "$PART_NAME C\n$PIN_COUNT 0\n$ENDPART\n");
  r = Run({"check", "--diff", "--exclude=bad.kes", "parts"});
  EXPECT_EQ(r.Output.substr(0, r.Output.find("--- ")),
            "parts/r.kes: error: header parts/r.h is out of date (regkit update parts/r.kes)\n");
  EXPECT_NE(r.Output.find("--- a/parts/r.h\n+++ b/parts/r.h\n"), std::string::npos);
  EXPECT_EQ(r.Status, 1);
  r = Run({"update", "-j2", "--exclude=bad.kes", "parts"});
  EXPECT_EQ(r.Output, "parts/r.kes: updated\n3 files: 3 scanned, 0 without Register() skipped; 1 updated, 0 errors\n");
  EXPECT_NE(ReadFile(Dir.File("parts/r.h")), header);
  ASSERT_EQ(RunProgram(KESSROW_EXE, {"r.kes", "again.h"}, In(Dir.File("parts"))).Status, 0);
  std::string again = ReadFile(Dir.File("parts/again.h")), updated = ReadFile(Dir.File("parts/r.h"));
  EXPECT_EQ(updated.substr(updated.find("#ifndef")).substr(0, 20), "#ifndef _r_h_\n#defin");
  EXPECT_EQ(updated.substr(updated.find("#endif")), again.substr(again.find("#endif")));
  EXPECT_FALSE(FileExists(Dir.File("parts/new.h")));
}

TEST_F(RegkitTree, WarningsLineEndsAndUsage) {
  WriteFile(Dir.File("w.h"), "class TW {\n  TReg a;\n  virtual void Register() { reg( a ); }\n};\n");
  WriteFile(Dir.File("crlf.h"), "class TA {\r\n  int x;\r\n};\r\n");
  // A file without Register() is scanned, and its line ends reported, only
  // under --all.
  TRunResult r = Run({"check", "--all", "w.h", "crlf.h"});
  EXPECT_EQ(r.Output,
            "crlf.h:1: error: line ends differ (tolvane writes LF)\n"
            "w.h:3:29: warning: To auto register, { of Register() must be the last non-comment token "
            "on the line.\n"
            "2 files: 2 scanned, 0 without Register() skipped; 1 stale, 0 errors\n");
  EXPECT_EQ(r.Status, 1);
  r = Run({"check", "w.h", "crlf.h"});
  EXPECT_EQ(r.Output.substr(r.Output.find("\n") + 1),
            "2 files: 1 scanned, 1 without Register() skipped; 0 stale, 0 errors\n");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(Run({"check", "-w", "w.h"}).Output,
            "1 file: 1 scanned, 0 without Register() skipped; 0 stale, 0 errors\n");

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

} // namespace
