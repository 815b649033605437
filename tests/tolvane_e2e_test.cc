// The built program on files in a scratch directory: console text, exit
// status and every file byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "sample_texts.h"
#include "test_util.h"

namespace {

using sample::kGenerated;
using sample::kSource;
const std::string& kBanner = sample::kTolvaneBanner;

std::string Console(const std::string& source, const std::string& tail) {
  return kBanner + "\nScanning " + source + "." + tail;
}

struct stat Stat(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st;
}

class TolvaneRun : public testing::Test {
protected:
  TRunResult Run(std::vector<std::string> args, TRunOptions options = {}) {
    options.WorkDir = Dir.Path();
    return RunProgram(TOLVANE_EXE, args, options);
  }
  TTempDir Dir;
};

TEST_F(TolvaneRun, UsageErrorPrintsUsageAndFails) {
  TRunResult r = Run({"-p"});
  EXPECT_EQ(r.Output, kBanner + "\n***** Usage error: too few arguments.  Usage:\n"
                                "  tolvane srce_file [dest_file] [-wpur]\n    -w = suppress warnings\n"
                                "    -p = prompt user to press a key if any error or warnings\n"
                                "    -u = unconditional write of destination file, even if it is unchanged\n"
                                "    -r = remove backup file, if any, upon successful completion\n");
  EXPECT_EQ(r.Status, 255);
}

TEST_F(TolvaneRun, InPlaceKeepsBackupAndSecondRunChangesNothing) {
  WriteFile(Dir.File("a.h"), kSource);
  TRunResult r = Run({"a.h"});
  EXPECT_EQ(r.Output, Console("a.h", "\nSuccess"));
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("a.h")), kGenerated);
  EXPECT_EQ(ReadFile(Dir.File("a._h")), kSource);

  struct stat before = Stat(Dir.File("a.h"));
  r = Run({"a.h", "-r"});
  EXPECT_EQ(r.Output, Console("a.h", "\nDestination is unchanged"));
  EXPECT_EQ(r.Status, 0);
  struct stat after = Stat(Dir.File("a.h"));
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(ReadFile(Dir.File("a._h")), kSource); // the old backup stays, also with -r

  // -u writes anyway and refreshes the backup; with -r it is removed again.
  r = Run({"-u", "a.h"});
  EXPECT_EQ(r.Output, Console("a.h", "\nSuccess"));
  EXPECT_EQ(ReadFile(Dir.File("a._h")), kGenerated);
  r = Run({"-ur", "a.h"});
  EXPECT_EQ(r.Output, Console("a.h", "\nSuccess"));
  EXPECT_FALSE(FileExists(Dir.File("a._h")));
  EXPECT_EQ(ReadFile(Dir.File("a.h")), kGenerated);
}

TEST_F(TolvaneRun, SourceNamedTwiceIsRewrittenInPlaceWithBackup) {
  WriteFile(Dir.File("a.h"), kSource);
  TRunResult r = Run({"a.h", "./a.h"});
  EXPECT_EQ(r.Output, Console("a.h", "\nSuccess"));
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("a.h")), kGenerated);
  EXPECT_EQ(ReadFile(Dir.File("a._h")), kSource);

  // A hard link under the same name in another directory is the source too:
  // both names hold the new text.
  WriteFile(Dir.File("a.h"), kSource);
  std::filesystem::create_directory(Dir.File("other"));
  ASSERT_EQ(link(Dir.File("a.h").c_str(), Dir.File("other/a.h").c_str()), 0);
  r = Run({"a.h", "other/a.h"});
  EXPECT_EQ(r.Output, Console("a.h", "\nSuccess"));
  EXPECT_EQ(ReadFile(Dir.File("a.h")), kGenerated);
  EXPECT_EQ(ReadFile(Dir.File("other/a.h")), kGenerated);
}

// A source of many megabytes is let go from memory part by part while it is
// scanned, copied to the backup and compared: every byte must still arrive,
// across the windows of the copy and of the comparison, and a difference in
// the last window must still count.
TEST_F(TolvaneRun, LargeSourceInPlaceKeepsEveryByte) {
  std::string source, generated;
  for (int i = 0; i < 100000; ++i) {
    source += kSource;
    generated += kGenerated;
  }
  ASSERT_GT(source.size(), std::size_t{12} << 20);
  WriteFile(Dir.File("big.h"), source);
  TRunResult r = Run({"big.h"});
  EXPECT_EQ(r.Output, Console("big.h", "\nSuccess"));
  EXPECT_TRUE(ReadFile(Dir.File("big.h")) == generated);
  EXPECT_TRUE(ReadFile(Dir.File("big._h")) == source);

  r = Run({"big.h"});
  EXPECT_EQ(r.Output, Console("big.h", "\nDestination is unchanged"));
  // The last class lost its stale line: only the end of the file differs.
  std::string almost = generated.substr(0, generated.size() - kGenerated.size()) + kSource;
  WriteFile(Dir.File("big.h"), almost);
  r = Run({"big.h"});
  EXPECT_EQ(r.Output, Console("big.h", "\nSuccess"));
  EXPECT_TRUE(ReadFile(Dir.File("big.h")) == generated);
  EXPECT_TRUE(ReadFile(Dir.File("big._h")) == almost);
}

TEST_F(TolvaneRun, SeparateDestinationGetsNoBackup) {
  WriteFile(Dir.File("a.h"), kSource);
  TRunResult r = Run({"a.h", "out.h", "-r"});
  EXPECT_EQ(r.Output, Console("a.h", "\nSuccess"));
  EXPECT_EQ(ReadFile(Dir.File("out.h")), kGenerated);
  EXPECT_EQ(ReadFile(Dir.File("a.h")), kSource);
  EXPECT_FALSE(FileExists(Dir.File("a._h")));
  mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(FileMode(Dir.File("out.h")), 0664u & ~mask);
  EXPECT_EQ(Run({"a.h", "out.h"}).Output, Console("a.h", "\nDestination is unchanged"));
}

TEST_F(TolvaneRun, CrLfInputIsRewrittenWithLineFeeds) {
  std::string crlf;
  for (char c : kSource) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  WriteFile(Dir.File("w.hpp"), crlf);
  EXPECT_EQ(Run({"w.hpp"}).Output, Console("w.hpp", "\nSuccess"));
  EXPECT_EQ(ReadFile(Dir.File("w.hpp")), kGenerated);
  EXPECT_EQ(ReadFile(Dir.File("w._hpp")), crlf);
}

TEST_F(TolvaneRun, ErrorLeavesEveryFileAlone) {
  const std::string source = "class TFoo {\n  TReg m2;\n  TReg m3;\n  TReg m4;\n  TReg m5;\n"
                             "  TReg m6;\n    TReg Count; // TOLVANE_OFF \\\n};\n";
  WriteFile(Dir.File("e.h"), source);
  TRunResult r = Run({"e.h", "-p"});
  EXPECT_EQ(r.Output, Console("e.h", "\n***** Error in class TFoo:\n***** Illegal line continuation "
                                     "character.\n    7:     TReg Count; // TOLVANE_OFF \\\n" +
                                         std::string(26, ' ') + "^\n\nPress Enter to continue.\n"));
  EXPECT_EQ(r.Status, 255);
  EXPECT_EQ(ReadFile(Dir.File("e.h")), source);
  EXPECT_FALSE(FileExists(Dir.File("e._h")));
}

TEST_F(TolvaneRun, WarningsPromptWithPAndVanishWithW) {
  const std::string source = "class A {\n  TReg a; \\\n};\n";
  WriteFile(Dir.File("w.h"), source);
  const std::string warning = "\n***** Warning in class A:\n***** Line continuation character "
                              "ignored.\n    2:   TReg a; \\\n" +
                              std::string(17, ' ') + "^\n";
  TRunResult r = Run({"w.h", "-p"});
  EXPECT_EQ(r.Output, Console("w.h", warning + "\nDestination is unchanged\nPress Enter to continue.\n"));
  EXPECT_EQ(r.Status, 0);
  r = Run({"w.h", "-wp"});
  EXPECT_EQ(r.Output, Console("w.h", "\nDestination is unchanged"));
}

// Writes cut short by a file-size limit are the fault-injection tests'.
TEST_F(TolvaneRun, DestinationInAMissingDirectory) {
  WriteFile(Dir.File("a.h"), kSource);
  TRunResult r = Run({"a.h", "nodir/b.h"});
  EXPECT_EQ(r.Output, Console("a.h", "\n***** File error: could not create destination file nodir/b.h\n"));
  EXPECT_EQ(r.Status, 255);
}

TEST_F(TolvaneRun, PrivateSourceGivesPrivateBackup) {
  WriteFile(Dir.File("p.h"), kSource);
  chmod(Dir.File("p.h").c_str(), 0600);
  EXPECT_EQ(Run({"p.h"}).Status, 0);
  EXPECT_EQ(FileMode(Dir.File("p._h")), 0600u);
  EXPECT_EQ(FileMode(Dir.File("p.h")), 0600u);
}

TEST_F(TolvaneRun, UnreadableSourceIsAFileError) {
  mkdir(Dir.File("d.h").c_str(), 0755);
  for (const char* name : {"d.h", "missing.h"}) {
    TRunResult r = Run({name});
    EXPECT_EQ(r.Output,
              Console(name, std::string("\n***** File error: could not open source file ") + name + ".\n"));
    EXPECT_EQ(r.Status, 255);
  }
  EXPECT_FALSE(FileExists(Dir.File("d._h")));
}

} // namespace
