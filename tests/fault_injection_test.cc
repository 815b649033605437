// Both programs against file systems that fight back: directories in the
// way, paths through regular files, writes cut short, backups and
// destinations left from earlier runs, links to the inputs. Each run must
// end with its message and status 255 (or succeed soundly), and every file
// that existed before must still hold its old bytes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

const std::string kSource = "class TFoo {\n  TReg alpha;\n  TReg beta[8];\n"
                            "  virtual void Register() {\n    reg( stale ); // tolvane\n  }\n};\n";
const std::string kGenerated = "class TFoo {\n  TReg alpha;\n  TReg beta[8];\n"
                               "  virtual void Register() {\n"
                               "    reg(  alpha   );    // tolvane\n"
                               "    rega( beta, 8 );    // tolvane\n"
                               "  }\n};\n";
const std::string kParts = "$PART_NAME A\n$PIN_COUNT 1\n$PORTS\n  X 1 ;\n$ENDPORTS\n$ENDPART\n";
const std::string kEarlier = "an earlier backup, not the source\n";

// The console text after the banner's purpose line.
std::string Tail(const TRunResult& r) {
  for (const char* purpose : {"Regenerates the Register() bodies of C++ classes.",
                              "Generates C++ part classes from part-description files."}) {
    std::size_t at = r.Output.find(purpose);
    if (at != std::string::npos) return r.Output.substr(at + std::string(purpose).size());
  }
  return "<no banner>" + r.Output;
}

// Every regular file below the directory with its content, and every
// directory and link by name: a snapshot to compare before and after.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    std::string name = fs::relative(entry.path(), dir).string();
    if (entry.is_symlink())
      files[name] = "<link to " + fs::read_symlink(entry.path()).string() + ">";
    else if (entry.is_directory())
      files[name] = "<directory>";
    else if (!entry.is_regular_file())
      files[name] = "<special file>"; // a pipe: reading it could wait forever
    else
      files[name] = ReadFile(entry.path().string());
  }
  return files;
}

class FaultInjection : public testing::Test {
protected:
  TRunResult Tolvane(std::vector<std::string> args, long sizeLimit = -1) {
    return Run(TOLVANE_EXE, std::move(args), sizeLimit);
  }
  TRunResult Kessrow(std::vector<std::string> args, long sizeLimit = -1) {
    return Run(KESSROW_EXE, std::move(args), sizeLimit);
  }
  // Expects a failed run with exactly this file error and no file changed.
  void ExpectUntouched(const TRunResult& r, const std::map<std::string, std::string>& before,
                       const std::string& tail) {
    EXPECT_EQ(r.Signal, 0);
    EXPECT_EQ(r.Status, 255);
    EXPECT_EQ(Tail(r), tail);
    EXPECT_EQ(Snapshot(Dir.Path()), before);
  }
  TTempDir Dir;

private:
  TRunResult Run(const char* exe, std::vector<std::string> args, long sizeLimit) {
    TRunOptions options;
    options.WorkDir = Dir.Path();
    options.FileSizeLimit = sizeLimit;
    return RunProgram(exe, args, options);
  }
};

const std::string kScanning = "\nScanning a.h.";

TEST_F(FaultInjection, TolvaneDestinationThatCannotBeCreated) {
  WriteFile(Dir.File("a.h"), kSource);
  WriteFile(Dir.File("plain.txt"), "a regular file\n");
  fs::create_directory(Dir.File("out.h"));
  WriteFile(Dir.File("out.h/keep"), "kept\n");
  const auto before = Snapshot(Dir.Path());
  // A path through a regular file (ENOTDIR), a missing directory, and a
  // destination that is a directory: the rename cannot replace it.
  for (const char* dest : {"plain.txt/b.h", "nodir/sub/b.h", "out.h", "a.h/b.h"}) {
    ExpectUntouched(Tolvane({"a.h", dest}), before,
                    kScanning + "\n***** File error: could not create destination file " + dest + "\n");
  }
  ExpectUntouched(Tolvane({"plain.txt/a.h"}), before,
                  "\nScanning plain.txt/a.h.\n***** File error: could not open source file plain.txt/a.h.\n");
}

TEST_F(FaultInjection, TolvaneBackupNameTakenByADirectory) {
  WriteFile(Dir.File("a.h"), kSource);
  fs::create_directory(Dir.File("a._h"));
  WriteFile(Dir.File("a._h/inside"), "kept\n");
  const auto before = Snapshot(Dir.Path());
  ExpectUntouched(Tolvane({"a.h"}), before,
                  kScanning + "\n***** File error: could not open backup file a._h.\n");
  ExpectUntouched(Tolvane({"a.h", "-ur"}), before,
                  kScanning + "\n***** File error: could not open backup file a._h.\n");
}

TEST_F(FaultInjection, TolvaneSeparateDestinationCutShortKeepsItsOldText) {
  WriteFile(Dir.File("a.h"), kSource);
  WriteFile(Dir.File("out.h"), "old destination\n");
  const auto before = Snapshot(Dir.Path());
  // The limit stops the new text part-way; no temporary file is left.
  ExpectUntouched(Tolvane({"a.h", "out.h"}, 40), before,
                  kScanning + "\n***** File error: write to destination file out.h failed.\n");
}

TEST_F(FaultInjection, TolvaneBackupFromAnEarlierRun) {
  WriteFile(Dir.File("a.h"), kSource);
  WriteFile(Dir.File("a._h"), kEarlier);
  // An error in the scan touches neither file.
  WriteFile(Dir.File("bad.h"), "class A {\n  TReg a;\n");
  WriteFile(Dir.File("bad._h"), kEarlier);
  auto before = Snapshot(Dir.Path());
  TRunResult r = Tolvane({"bad.h"});
  EXPECT_EQ(r.Status, 255);
  EXPECT_EQ(Snapshot(Dir.Path()), before);

  // The backup cannot be written: the earlier backup stays whole.
  ExpectUntouched(Tolvane({"a.h"}, 10), before,
                  kScanning + "\n***** File error: write to backup file a._h failed.\n");

  // The backup is written but the new source is not: the source keeps its
  // old text and the backup now holds it too.
  r = Tolvane({"a.h"}, static_cast<long>(kSource.size()));
  EXPECT_EQ(r.Status, 255);
  EXPECT_EQ(Tail(r), kScanning + "\n***** File error: write to destination file a.h failed.\n");
  auto after = Snapshot(Dir.Path());
  before["a._h"] = kSource;
  EXPECT_EQ(after, before);

  // A successful run replaces the earlier backup with the old source.
  WriteFile(Dir.File("a._h"), kEarlier);
  r = Tolvane({"a.h"});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("a.h")), kGenerated);
  EXPECT_EQ(ReadFile(Dir.File("a._h")), kSource);
}

TEST_F(FaultInjection, TolvaneBackupNameThatIsALink) {
  // A link in the backup's place is replaced; what it points to stays.
  fs::create_directory(Dir.File("elsewhere"));
  WriteFile(Dir.File("elsewhere/target"), kEarlier);
  WriteFile(Dir.File("a.h"), kSource);
  fs::create_symlink("elsewhere/target", Dir.File("a._h"));
  WriteFile(Dir.File("b.h"), kSource);
  fs::create_symlink("elsewhere/vanished", Dir.File("b._h"));
  for (const char* name : {"a", "b"}) {
    TRunResult r = Tolvane({std::string(name) + ".h"});
    EXPECT_EQ(r.Status, 0) << r.Output;
    EXPECT_EQ(ReadFile(Dir.File(std::string(name) + ".h")), kGenerated);
    EXPECT_EQ(ReadFile(Dir.File(std::string(name) + "._h")), kSource);
    EXPECT_FALSE(fs::is_symlink(Dir.File(std::string(name) + "._h")));
  }
  EXPECT_EQ(ReadFile(Dir.File("elsewhere/target")), kEarlier);
  EXPECT_FALSE(FileExists(Dir.File("elsewhere/vanished")));
}

TEST_F(FaultInjection, KessrowDestinationThatCannotBeCreated) {
  WriteFile(Dir.File("parts.pt"), kParts);
  WriteFile(Dir.File("plain.txt"), "a regular file\n");
  fs::create_directory(Dir.File("out.h"));
  fs::create_directory(Dir.File("empty.h"));
  const auto before = Snapshot(Dir.Path());
  for (const char* dest : {"plain.txt/parts.h", "nodir/parts.h", "out.h", "empty.h"}) {
    ExpectUntouched(Kessrow({"parts.pt", dest, "-d"}), before,
                    std::string("\n***** File error: could not create destination file ") + dest + "\n");
  }
}

TEST_F(FaultInjection, KessrowDeletesNoDirectoryAfterAnError) {
  // -d deletes a destination file after an error, never a directory.
  WriteFile(Dir.File("bad.pt"), "$END\n");
  fs::create_directory(Dir.File("empty.h"));
  const auto before = Snapshot(Dir.Path());
  ExpectUntouched(Kessrow({"bad.pt", "empty.h", "-d"}), before,
                  "\n***** Error: Unexpected token.\n    1: $END\n       ^\n");
}

TEST_F(FaultInjection, KessrowWriteCutShortKeepsTheOldHeaderAlsoWithD) {
  WriteFile(Dir.File("parts.pt"), kParts);
  WriteFile(Dir.File("parts.h"), "old header\n");
  const auto before = Snapshot(Dir.Path());
  ExpectUntouched(Kessrow({"parts.pt", "-d", "-u"}, 100), before,
                  "\n***** File error: write to destination file parts.h failed.\n");
}

TEST_F(FaultInjection, KessrowDestinationLinkedToAnInput) {
  WriteFile(Dir.File("parts.pt"), kParts);
  WriteFile(Dir.File("defs.pt"), "$PART_PREFIX X_\n");
  fs::create_symlink("parts.pt", Dir.File("source-link.h"));
  fs::create_symlink(Dir.File("defs.pt"), Dir.File("include-link.h"));
  const auto before = Snapshot(Dir.Path());
  ExpectUntouched(Kessrow({"parts.pt", "source-link.h", "-d", "-u"}), before,
                  "\n***** File error: destination file source-link.h would overwrite the source file.\n");
  ExpectUntouched(Kessrow({"parts.pt", "./parts.pt", "-d"}), before,
                  "\n***** File error: destination file ./parts.pt would overwrite the source file.\n");
  ExpectUntouched(Kessrow({"parts.pt", "include-link.h", "-d", "-i", "defs.pt"}), before,
                  "\n***** File error: destination file include-link.h would overwrite the include file.\n");
}

// A pipe in the destination's place is written into, never replaced,
// deleted or read (a read without a writer would wait forever).
TEST_F(FaultInjection, DestinationThatIsAPipe) {
  WriteFile(Dir.File("a.h"), kSource);
  WriteFile(Dir.File("parts.pt"), kParts);
  WriteFile(Dir.File("bad.pt"), "$END\n");
  ASSERT_EQ(mkfifo(Dir.File("pipe").c_str(), 0644), 0);
  const auto before = Snapshot(Dir.Path());
  // Nobody reads the pipe: the write cannot begin.
  ExpectUntouched(Tolvane({"a.h", "pipe"}), before,
                  kScanning + "\n***** File error: could not create destination file pipe\n");
  ExpectUntouched(Kessrow({"parts.pt", "pipe", "-u"}), before,
                  "\n***** File error: could not create destination file pipe\n");
  ExpectUntouched(Kessrow({"bad.pt", "pipe", "-d"}), before,
                  "\n***** Error: Unexpected token.\n    1: $END\n       ^\n");

  // With a reader the new text goes through the pipe.
  int reader = open(Dir.File("pipe").c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  TRunResult r = Tolvane({"a.h", "pipe"});
  std::string got(4096, '\0');
  ssize_t n = read(reader, got.data(), got.size());
  close(reader);
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(Tail(r), kScanning + "\nSuccess");
  EXPECT_EQ(got.substr(0, n > 0 ? static_cast<std::size_t>(n) : 0), kGenerated);
  EXPECT_EQ(Snapshot(Dir.Path()), before);
}

// A terminal as the destination (as with /dev/stdout on a console) is
// written to; the comparison with the old content must not wait for input.
TEST_F(FaultInjection, DestinationThatIsATerminal) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string terminal = ptsname(master);
  // Keep the terminal open, so that the program's output stays readable.
  int slave = open(terminal.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  WriteFile(Dir.File("a.h"), kSource);
  TRunResult r = Tolvane({"a.h", terminal});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(Tail(r), "\nScanning a.h.\nSuccess");
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  std::string shown;
  char chunk[4096];
  for (ssize_t n; (n = read(master, chunk, sizeof chunk)) > 0;)
    shown.append(chunk, static_cast<std::size_t>(n));
  close(slave);
  close(master);
  std::erase(shown, '\r'); // the terminal writes line ends as CR LF
  EXPECT_EQ(shown, kGenerated);
  EXPECT_EQ(ReadFile(Dir.File("a.h")), kSource);
}

} // namespace
