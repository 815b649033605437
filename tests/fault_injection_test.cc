// Both programs against file systems that fight back: directories in the
// way, paths through regular files, writes cut short, backups and
// destinations left from earlier runs, links to the inputs. Each run must
// end with its message and status 255 (or succeed soundly), and every file
// that existed before must still hold its old bytes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "framework/cli/driver.h"
#include "framework/files/file_io.h"
#include "kessrow/kessrow_spec.h"
#include "sample_texts.h"
#include "test_util.h"
#include "tolvane/tolvane_spec.h"

namespace {

namespace fs = std::filesystem;

using sample::kGenerated;
using sample::kSource;
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
  TTempDir Dir{TReach::AllUsers}; // some tests run the programs as another user

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

  // The backup (the old file under its new name) takes no room, the new
  // source does not fit: the earlier backup stays whole.
  ExpectUntouched(Tolvane({"a.h"}, 10), before,
                  kScanning + "\n***** File error: write to destination file a.h failed.\n");

  // The backup is written but the new source is not: the backup is not put
  // in place either, the earlier one stays.
  ExpectUntouched(Tolvane({"a.h"}, static_cast<long>(kSource.size())), before,
                  kScanning + "\n***** File error: write to destination file a.h failed.\n");

  // A successful run replaces the earlier backup with the old source: the
  // old file itself, not a copy.
  WriteFile(Dir.File("a._h"), kEarlier);
  struct stat old {};
  ASSERT_EQ(stat(Dir.File("a.h").c_str(), &old), 0);
  r = Tolvane({"a.h"});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("a.h")), kGenerated);
  EXPECT_EQ(ReadFile(Dir.File("a._h")), kSource);
  struct stat backup {};
  ASSERT_EQ(stat(Dir.File("a._h").c_str(), &backup), 0);
  EXPECT_EQ(backup.st_ino, old.st_ino);
  EXPECT_EQ(backup.st_nlink, 1u);
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

// ---- Links, races, privileges, signals and exhaustion. Tests that need
// to act at a precise moment run the tool object in a forked child with a
// file hook; the others run the built programs.

// A text of about size bytes that tolvane rewrites: many small classes.
std::string LargeSource(std::size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; ++i)
    text += "class T" + std::to_string(i) + " {\n  TReg alpha;\n  virtual void Register() {\n  }\n};\n";
  return text;
}

// A part file of about size bytes.
std::string LargeParts(std::size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; ++i)
    text += "$PART_NAME A" + std::to_string(i) + "\n$PIN_COUNT 1\n$PORTS\n  X 1 ;\n$ENDPORTS\n$ENDPART\n";
  return text;
}

// Runs a tool object with args in a forked child in dir, with hook set,
// as the user uid where one is given.
template <class TTool>
TRunResult RunToolForked(const std::string& dir, std::vector<std::string> args, TFileHook hook,
                         int uid = -1) {
  TRunOptions options;
  options.WorkDir = dir;
  options.Uid = uid;
  return RunForked(
      [&] {
        rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        SetFileHook(hook);
        TTool tool;
        std::vector<char*> argv{const_cast<char*>("tool")};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return RunTool(tool, static_cast<int>(argv.size() - 1), argv.data(), std::cout, std::cin) & 0xff;
      },
      options);
}

bool IsBackupTemp(const std::string& name) { return name.find("._h") != std::string::npos; }

// The user for whom a directory of mode 0555 is read-only: root writes
// anywhere, so root gives the files to nobody and runs the program as
// nobody; anyone else is such a user already.
bool Unprivileged(const std::string& dir, const std::vector<std::string>& files, TRunOptions& options) {
  options.WorkDir = dir;
  if (geteuid() != 0) return true;
  for (const std::string& name : files)
    if (chown((dir + "/" + name).c_str(), kNobody, kNobody) != 0) return false;
  options.Uid = options.Gid = kNobody;
  return true;
}

// The program to run with options: a copy any user can run when the run
// is made as another user.
std::string Program(const char* exe, const TRunOptions& options) {
  return options.Uid >= 0 ? ProgramForAnyUser(exe) : exe;
}

// Row 1: in a directory the user cannot write, a backup name that is a
// link (to the source, or to another file of the user) must never be
// written through; the source must never be truncated.
TEST_F(FaultInjection, LinkedBackupInReadOnlyDirectoryIsNeverWrittenThrough) {
  fs::create_directory(Dir.File("ro"));
  for (const char* name : {"a.h", "b.h", "c.h", "other.txt"})
    WriteFile(Dir.File("ro/") + name, name[0] == 'o' ? kEarlier : kSource);
  TRunOptions options;
  ASSERT_TRUE(Unprivileged(Dir.File("ro"), {"a.h", "b.h", "c.h", "other.txt"}, options));
  fs::create_symlink("a.h", Dir.File("ro/a._h"));
  fs::create_symlink("other.txt", Dir.File("ro/b._h"));
  fs::create_hard_link(Dir.File("ro/c.h"), Dir.File("ro/c._h"));
  fs::permissions(Dir.File("ro"), fs::perms(0555));
  const auto before = Snapshot(Dir.Path());
  for (const char* name : {"a", "b", "c"}) {
    TRunResult r = RunProgram(Program(TOLVANE_EXE, options), {std::string(name) + ".h"}, options);
    EXPECT_EQ(r.Status, 255);
    EXPECT_EQ(Tail(r), std::string("\nScanning ") + name +
                           ".h.\n***** File error: could not open backup file " + name + "._h.\n");
    EXPECT_EQ(Snapshot(Dir.Path()), before) << name;
  }
}

// An old header that -d cannot delete stays, and the run says so.
TEST_F(FaultInjection, KessrowHeaderThatCannotBeDeletedAfterAnError) {
  fs::create_directory(Dir.File("ro"));
  WriteFile(Dir.File("ro/bad.pt"), "$END\n");
  WriteFile(Dir.File("ro/bad.h"), "old header\n");
  TRunOptions options;
  ASSERT_TRUE(Unprivileged(Dir.File("ro"), {"bad.h"}, options));
  fs::permissions(Dir.File("ro"), fs::perms(0555));
  const auto before = Snapshot(Dir.Path());
  ExpectUntouched(RunProgram(Program(KESSROW_EXE, options), {"bad.pt", "-d"}, options), before,
                  "\n***** Error: Unexpected token.\n    1: $END\n       ^\n"
                  "\n***** File error: could not remove destination file bad.h.\n");
}

// Row 2: where no temporary file can be made, a file is rewritten in place
// only after its whole new length is reserved: a file-size limit fails
// before the first byte changes.
TEST_F(FaultInjection, InPlaceFallbackReservesBeforeItWrites) {
  fs::create_directory(Dir.File("ro"));
  WriteFile(Dir.File("ro/a.h"), kSource);
  WriteFile(Dir.File("ro/out.h"), "old destination\n");
  WriteFile(Dir.File("ro/parts.pt"), kParts);
  WriteFile(Dir.File("ro/parts.h"), "old header\n");
  TRunOptions options;
  ASSERT_TRUE(Unprivileged(Dir.File("ro"), {"out.h", "parts.h"}, options));
  fs::permissions(Dir.File("ro"), fs::perms(0555));
  const auto before = Snapshot(Dir.Path());
  options.FileSizeLimit = 40;
  TRunResult r = RunProgram(Program(TOLVANE_EXE, options), {"a.h", "out.h"}, options);
  ExpectUntouched(r, before, kScanning + "\n***** File error: write to destination file out.h failed.\n");
  r = RunProgram(Program(KESSROW_EXE, options), {"parts.pt", "-u"}, options);
  ExpectUntouched(r, before, "\n***** File error: write to destination file parts.h failed.\n");
  // Without the limit the fallback rewrites the file.
  options.FileSizeLimit = -1;
  r = RunProgram(Program(TOLVANE_EXE, options), {"a.h", "out.h"}, options);
  EXPECT_EQ(r.Status, 0) << r.Output;
  EXPECT_EQ(ReadFile(Dir.File("ro/out.h")), kGenerated);
}

// Row 3: the source replaced by another program (an editor's save: a new
// file renamed over it) while the run works is never overwritten with the
// text built from the old version.
int EditAt = 0; // which moment the edit comes at: 1 after reading, 2 before the final rename
const std::string kEdited = "// the user's edit\n";

void EditSource(TFilePoint point, const std::string& name) {
  bool now = (EditAt == 1 && point == TFilePoint::SourceRead) ||
             (EditAt == 2 && point == TFilePoint::BeforeRename && !IsBackupTemp(name));
  if (!now) return;
  WriteFile("a.h.new", kEdited);
  std::rename("a.h.new", "a.h");
}

TEST_F(FaultInjection, SourceChangedDuringTheRunIsNotOverwritten) {
  for (int at : {1, 2}) {
    for (bool separate : {false, true}) {
      fs::remove_all(Dir.Path() + "/a._h");
      WriteFile(Dir.File("a.h"), kSource);
      auto before = Snapshot(Dir.Path());
      before["a.h"] = kEdited;
      EditAt = at;
      std::vector<std::string> args{"a.h", "-r"};
      if (separate) args = {"a.h", "out.h"};
      TRunResult r = RunToolForked<TTolvane>(Dir.Path(), args, EditSource);
      ExpectUntouched(
          r, before,
          kScanning +
              "\n***** File error: source file a.h changed while it was read; nothing was written.\n");
    }
  }
}

// -r removes the backup only when the rewritten file holds the new text:
// a destination spoiled between its writing and its rename keeps the
// backup, with the message that names it.
void SpoilNewSource(TFilePoint point, const std::string& name) {
  if (point == TFilePoint::BeforeRename && !IsBackupTemp(name)) WriteFile(name, "spoilt\n");
}

TEST_F(FaultInjection, FailedVerificationKeepsTheBackup) {
  WriteFile(Dir.File("a.h"), kSource);
  TRunResult r = RunToolForked<TTolvane>(Dir.Path(), {"a.h", "-r"}, SpoilNewSource);
  EXPECT_EQ(r.Status, 255);
  EXPECT_EQ(Tail(r), kScanning + "\n***** File error: destination file a.h may be corrupt.\n"
                                 "***** Use backup file a._h to recover.\n");
  EXPECT_EQ(ReadFile(Dir.File("a._h")), kSource);
  EXPECT_EQ(ReadFile(Dir.File("a.h")), "spoilt\n");
}

// A failure after the source changed says what each file now holds; the
// backup with the old text stays, also with -r: a directory that cannot
// be synced after the rename, a hard link of the source as the destination
// that cannot be given the new file.
int FailDirectorySync(const std::string& name) { return fs::is_directory(name) ? EIO : 0; }

void LoseAliasTemp(TFilePoint point, const std::string& name) {
  if (point == TFilePoint::BeforeRename && fs::path(name).filename().string().starts_with(".b.h.tmp"))
    unlink(name.c_str());
}

TEST_F(FaultInjection, FailureAfterTheSourceChangedKeepsTheBackup) {
  const std::string keeps = "\n***** Backup file a._h keeps the old text.\n";
  struct TRow {
    std::vector<std::string> Args;
    TSyncFault Fault;
    TFileHook Hook;
    std::string Tail;
  } rows[] = {
      {{"a.h", "-r"},
       FailDirectorySync,
       nullptr,
       "\n***** File error: destination file a.h holds the new text, but it could not be made durable." +
           keeps},
      {{"a.h", "b.h", "-r"},
       nullptr,
       LoseAliasTemp,
       "\n***** File error: source file a.h holds the new text, but destination file b.h still holds the old "
       "text." +
           keeps},
  };
  for (const TRow& row : rows) {
    fs::remove(Dir.File("a._h"));
    fs::remove(Dir.File("b.h"));
    WriteFile(Dir.File("a.h"), kSource);
    ASSERT_EQ(link(Dir.File("a.h").c_str(), Dir.File("b.h").c_str()), 0);
    SetSyncFault(row.Fault);
    TRunResult r = RunToolForked<TTolvane>(Dir.Path(), row.Args, row.Hook);
    SetSyncFault(nullptr);
    EXPECT_EQ(r.Status, 255);
    EXPECT_EQ(Tail(r), kScanning + row.Tail);
    std::map<std::string, std::string> after{{"a.h", kGenerated}, {"a._h", kSource}, {"b.h", kSource}};
    EXPECT_EQ(Snapshot(Dir.Path()), after) << row.Args.size();
  }
}

// Row 4: a destination or in-place source reached through a link to an
// open file (as /dev/stdout and /dev/stdin are) replaces that file; the
// link stays.
TEST_F(FaultInjection, MagicLinkToAnOpenFileIsFollowed) {
  WriteFile(Dir.File("a.h"), kSource);
  WriteFile(Dir.File("parts.pt"), kParts);
  WriteFile(Dir.File("r.h"), "redirected output\n");
  WriteFile(Dir.File("s.h"), kSource);
  int out = open(Dir.File("r.h").c_str(), O_RDONLY);
  int in = open(Dir.File("s.h").c_str(), O_RDONLY);
  ASSERT_GE(out, 0);
  ASSERT_GE(in, 0);
  std::string proc = "/proc/" + std::to_string(getpid()) + "/fd/";
  fs::create_symlink(proc + std::to_string(out), Dir.File("stdout"));
  fs::create_symlink(proc + std::to_string(in), Dir.File("stdin"));
  TRunResult r = Tolvane({"a.h", "stdout"});
  EXPECT_EQ(Tail(r), kScanning + "\nSuccess");
  EXPECT_EQ(ReadFile(Dir.File("r.h")), kGenerated);
  r = Tolvane({"stdin"});
  EXPECT_EQ(Tail(r), "\nScanning stdin.\nSuccess");
  EXPECT_EQ(ReadFile(Dir.File("s.h")), kGenerated);
  EXPECT_EQ(ReadFile(Dir.File("stdin._")), kSource);
  // The open file was replaced: the link now names a deleted file, which
  // is not replaced either.
  r = Kessrow({"parts.pt", "stdout"});
  EXPECT_EQ(Tail(r), "\n***** File error: could not create destination file stdout\n");
  EXPECT_EQ(ReadFile(Dir.File("r.h")), kGenerated);
  EXPECT_TRUE(fs::is_symlink(Dir.File("stdout")));
  EXPECT_TRUE(fs::is_symlink(Dir.File("stdin")));
  close(out);
  close(in);
}

// Row 5: a source that is no regular file cannot be rewritten in place.
TEST_F(FaultInjection, PipeAsInPlaceSourceIsRefused) {
  const auto before = Snapshot(Dir.Path());
  TRunOptions options;
  options.WorkDir = Dir.Path();
  options.Input = kSource;
  TRunResult r = RunProgram(TOLVANE_EXE, {"/dev/stdin"}, options);
  ExpectUntouched(
      r, before,
      "\nScanning /dev/stdin.\n***** File error: source file /dev/stdin is not a regular file and "
      "cannot be rewritten in place.\n");
  // Not in place, a pipe is a source like any other.
  r = RunProgram(TOLVANE_EXE, {"/dev/stdin", "out.h"}, options);
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("out.h")), kGenerated);
}

// Row 6: a destination that is the source through a link (symbolic or
// hard) rewrites the source in place, with the source's backup.
TEST_F(FaultInjection, DestinationLinkedToTheSourceRewritesTheSource) {
  fs::create_directory(Dir.File("real"));
  WriteFile(Dir.File("real/a.h"), kSource);
  WriteFile(Dir.File("real/b.h"), kSource);
  fs::create_symlink("real/a.h", Dir.File("link.h"));
  fs::create_hard_link(Dir.File("real/b.h"), Dir.File("hard.h"));
  for (const char* name : {"a", "b"}) {
    std::string source = std::string("real/") + name + ".h";
    TRunResult r = Tolvane({source, name[0] == 'a' ? "link.h" : "hard.h"});
    EXPECT_EQ(Tail(r), "\nScanning " + source + ".\nSuccess");
    EXPECT_EQ(ReadFile(Dir.File(source)), kGenerated);
    EXPECT_EQ(ReadFile(Dir.File(std::string("real/") + name + "._h")), kSource);
  }
  EXPECT_TRUE(fs::is_symlink(Dir.File("link.h")));
  // A link as the only name: the file it names is rewritten, the backup
  // takes the name as given.
  WriteFile(Dir.File("real/a.h"), kSource);
  TRunResult r = Tolvane({"link.h"});
  EXPECT_EQ(Tail(r), "\nScanning link.h.\nSuccess");
  EXPECT_EQ(ReadFile(Dir.File("real/a.h")), kGenerated);
  EXPECT_EQ(ReadFile(Dir.File("link._h")), kSource);
  EXPECT_TRUE(fs::is_symlink(Dir.File("link.h")));
}

// Row 7: temporary files are private until complete.
void ExitUnlessPrivate(TFilePoint point, const std::string& name) {
  if (point == TFilePoint::TempWritten && FileMode(name) != 0600) _exit(70);
}

TEST_F(FaultInjection, TemporaryFilesArePrivateUntilComplete) {
  WriteFile(Dir.File("a.h"), kSource);
  chmod(Dir.File("a.h").c_str(), 0644);
  mode_t old = umask(022);
  TRunResult r = RunToolForked<TTolvane>(Dir.Path(), {"a.h"}, ExitUnlessPrivate);
  umask(old);
  EXPECT_EQ(r.Status, 0) << r.Output;
  EXPECT_EQ(FileMode(Dir.File("a.h")), 0644u);
  EXPECT_EQ(FileMode(Dir.File("a._h")), 0644u);
}

// Row 8: owner and group are kept where the system allows; where the group
// cannot be kept, the group gets no more than the others.
TEST_F(FaultInjection, OwnerAndGroupAreKept) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root: the files are given to other users";
  fs::create_directory(Dir.File("u"));
  ASSERT_EQ(chown(Dir.File("u").c_str(), 1000, 1000), 0);
  struct TCase {
    int Uid;
    std::vector<gid_t> Groups;
    unsigned Gid, Mode;
  };
  for (const TCase& c :
       {TCase{0, {}, 2000, 0640}, TCase{1000, {1000, 2000}, 2000, 0640}, TCase{1000, {1000}, 1000, 0600}}) {
    std::string file = Dir.File("u/own.h"), backup = Dir.File("u/own._h");
    fs::remove(backup);
    WriteFile(file, kSource);
    ASSERT_EQ(chown(file.c_str(), 1000, 2000), 0);
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    TRunOptions options;
    options.WorkDir = Dir.File("u");
    options.Uid = c.Uid;
    options.Gid = c.Uid;
    options.Groups = c.Groups;
    TRunResult r = RunProgram(Program(TOLVANE_EXE, options), {"own.h"}, options);
    EXPECT_EQ(r.Status, 0) << r.Output;
    EXPECT_EQ(ReadFile(file), kGenerated);
    // The backup is the old file itself: its owner, group and mode stay.
    for (const std::string& name : {file, backup}) {
      struct stat st {};
      ASSERT_EQ(stat(name.c_str(), &st), 0);
      EXPECT_EQ(st.st_uid, 1000u) << c.Uid << " " << name;
      EXPECT_EQ(st.st_gid, name == file ? c.Gid : 2000u) << c.Uid << " " << name;
      EXPECT_EQ(st.st_mode & 07777, name == file ? c.Mode : 0640u) << c.Uid << " " << name;
    }
  }
}

// A file of another user that the runner may write, in a directory the
// runner may write: a new file would change its owner, so the file itself
// is rewritten (after its room is reserved) and keeps owner and mode; the
// backup is a copy that belongs to the runner, with the same mode (the
// group may differ, but no bit of it is wider than the others' bits).
TEST_F(FaultInjection, FileOfAnotherUserIsRewrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root: the file is given to another user";
  fs::create_directory(Dir.File("w"));
  fs::permissions(Dir.File("w"), fs::perms(0777));
  std::string file = Dir.File("w/theirs.h"), backup = Dir.File("w/theirs._h");
  WriteFile(file, kSource);
  ASSERT_EQ(chown(file.c_str(), 1000, 1000), 0);
  ASSERT_EQ(chmod(file.c_str(), 0646), 0);
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  TRunOptions options;
  options.WorkDir = Dir.File("w");
  options.Uid = options.Gid = kNobody;
  TRunResult r = RunProgram(Program(TOLVANE_EXE, options), {"theirs.h"}, options);
  EXPECT_EQ(r.Status, 0) << r.Output;
  EXPECT_EQ(Tail(r), "\nScanning theirs.h.\nSuccess");
  EXPECT_EQ(ReadFile(file), kGenerated);
  EXPECT_EQ(ReadFile(backup), kSource);
  struct stat after {
  }, copy{};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  ASSERT_EQ(stat(backup.c_str(), &copy), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, 1000u);
  EXPECT_EQ(after.st_mode & 07777, 0646u);
  EXPECT_EQ(copy.st_uid, static_cast<unsigned>(kNobody));
  EXPECT_EQ(copy.st_mode & 07777, 0646u);
}

// Row 9: memory runs out: a message, not an abort.
TEST_F(FaultInjection, MemoryExhaustionIsReported) {
  if (UnderAddressSanitizer()) GTEST_SKIP() << "the address space limit does not work under AddressSanitizer";
  WriteFile(Dir.File("parts.pt"), kParts);
  const auto before = Snapshot(Dir.Path());
  TRunOptions options;
  options.WorkDir = Dir.Path();
  options.MemoryLimit = long{1} << 28;
  TRunResult r = RunProgram(TOLVANE_EXE, {"/dev/zero", "o.h"}, options);
  ExpectUntouched(r, before, "\nScanning /dev/zero.\n***** Error: not enough memory.\n");
  r = RunProgram(KESSROW_EXE, {"parts.pt", "o.h", "-i", "/dev/zero"}, options);
  ExpectUntouched(r, before, "\n***** Error: not enough memory.\n");
}

// Row 10: a source that shrinks while it is read (mapped: large enough
// not to be read into memory instead) ends with a message, not a bus error.
void Shrink(TFilePoint point, const std::string& name) {
  if (point == TFilePoint::SourceRead && name.find("s.") == 0) truncate(name.c_str(), 1000);
}

TEST_F(FaultInjection, SourceThatShrinksWhileReadIsReported) {
  WriteFile(Dir.File("s.h"), LargeSource(std::size_t{3} << 20));
  WriteFile(Dir.File("s.pt"), LargeParts(std::size_t{3} << 20));
  auto before = Snapshot(Dir.Path());
  TRunResult r = RunToolForked<TTolvane>(Dir.Path(), {"s.h", "d.h"}, Shrink);
  before["s.h"] = ReadFile(Dir.File("s.h"));
  ExpectUntouched(
      r, before,
      "\nScanning s.h.\n***** File error: source file s.h changed while it was read; nothing was written.\n");
  r = RunToolForked<TKessrow>(Dir.Path(), {"s.pt", "d.h"}, Shrink);
  before["s.pt"] = ReadFile(Dir.File("s.pt"));
  ExpectUntouched(r, before,
                  "\n***** File error: source file s.pt changed while it was read; nothing was written.\n");
}

// Row 11: a signal while files are written leaves no temporary file and
// ends the run with that signal.
int SignalToSend = 0;
TFilePoint SignalPoint = TFilePoint::BeforeRename;

void SendSignal(TFilePoint point, const std::string&) {
  if (point == SignalPoint) raise(SignalToSend);
}

TEST_F(FaultInjection, SignalLeavesNoTemporaryFile) {
  WriteFile(Dir.File("a.h"), kSource);
  WriteFile(Dir.File("parts.pt"), kParts);
  const auto before = Snapshot(Dir.Path());
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
    for (TFilePoint point : {TFilePoint::TempWritten, TFilePoint::BeforeRename}) {
      SignalToSend = sig;
      SignalPoint = point;
      TRunResult r = RunToolForked<TTolvane>(Dir.Path(), {"a.h", "out.h"}, SendSignal);
      EXPECT_EQ(r.Signal, sig);
      EXPECT_EQ(Snapshot(Dir.Path()), before) << sig;
      r = RunToolForked<TTolvane>(Dir.Path(), {"a.h"}, SendSignal);
      EXPECT_EQ(r.Signal, sig);
      EXPECT_EQ(Snapshot(Dir.Path()), before) << sig;
      r = RunToolForked<TKessrow>(Dir.Path(), {"parts.pt"}, SendSignal);
      EXPECT_EQ(r.Signal, sig);
      EXPECT_EQ(Snapshot(Dir.Path()), before) << sig;
    }
  }
}

// Row 13: every name that fits NAME_MAX gets its temporary file.
TEST_F(FaultInjection, LongestFileNamesCanBeReplaced) {
  std::string source(252, 'n');
  source += ".h";
  std::string dest(255, 'd');
  WriteFile(Dir.File(source), kSource);
  TRunResult r = Tolvane({source});
  EXPECT_EQ(Tail(r), "\nScanning " + source + ".\nSuccess");
  r = Tolvane({source, dest, "-u"});
  EXPECT_EQ(r.Status, 0) << r.Output;
  std::map<std::string, std::string> expected{
      {source, kGenerated}, {std::string(252, 'n') + "._h", kSource}, {dest, kGenerated}};
  EXPECT_EQ(Snapshot(Dir.Path()), expected);
}

// ---- A hostile tree: pipes, hard links, attributes, sticky directories,
// and what reaches the disk.

// Runs the built program with args in dir, ended by SIGALRM should it
// hang (a hang then fails the test instead of the whole run).
TRunResult RunWatched(const char* exe, const std::string& dir, std::vector<std::string> args) {
  TRunOptions options;
  options.WorkDir = dir;
  return RunForked(
      [&] {
        alarm(10);
        std::vector<char*> argv{const_cast<char*>(exe)};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe, argv.data());
        return 127;
      },
      options);
}

// A pipe without a writer as the in-place source is refused at once.
TEST_F(FaultInjection, PipeWithoutWriterAsInPlaceSourceIsRefused) {
  ASSERT_EQ(mkfifo(Dir.File("a.h").c_str(), 0644), 0);
  const auto before = Snapshot(Dir.Path());
  ExpectUntouched(RunWatched(TOLVANE_EXE, Dir.Path(), {"a.h"}), before,
                  "\nScanning a.h.\n***** File error: source file a.h is not a regular file and cannot be "
                  "rewritten in place.\n");
}

// A destination that is a hard link of the source gets the new text too;
// the backup keeps the old one.
TEST_F(FaultInjection, HardLinkedDestinationGetsTheNewText) {
  WriteFile(Dir.File("a.h"), kSource);
  fs::create_hard_link(Dir.File("a.h"), Dir.File("b.h"));
  TRunResult r = Tolvane({"a.h", "b.h"});
  EXPECT_EQ(Tail(r), kScanning + "\nSuccess");
  std::map<std::string, std::string> expected{{"a.h", kGenerated}, {"b.h", kGenerated}, {"a._h", kSource}};
  EXPECT_EQ(Snapshot(Dir.Path()), expected);
  EXPECT_EQ(fs::hard_link_count(Dir.File("a.h")), 2u);
}

// The extended attributes of a file (its access ACL is one) survive its
// rewrite, and the group bits, which hold the ACL's mask, stay as they were.
TEST_F(FaultInjection, RewriteKeepsExtendedAttributesAndTheAcl) {
  for (const char* name : {"a.h", "b.h"}) WriteFile(Dir.File(name), kSource);
  if (RunProgram("/usr/bin/setfacl", {"-m", "u:nobody:rw", Dir.File("a.h")}).Status != 0 ||
      setxattr(Dir.File("a.h").c_str(), "user.origin", "kept", 4, 0) != 0)
    GTEST_SKIP() << "this file system takes no ACL or user attribute";
  auto attribute = [](const std::string& file, const char* name) {
    std::string value(256, '\0');
    ssize_t n = getxattr(file.c_str(), name, value.data(), value.size());
    return n < 0 ? std::string("<none>") : value.substr(0, static_cast<std::size_t>(n));
  };
  const std::string acl = attribute(Dir.File("a.h"), "system.posix_acl_access");
  const unsigned mode = FileMode(Dir.File("a.h"));
  // In place with the backup, with -r, and through regkit update.
  EXPECT_EQ(Tolvane({"a.h"}).Status, 0);
  for (const std::string& file : {Dir.File("a.h"), Dir.File("a._h")}) {
    EXPECT_EQ(attribute(file, "user.origin"), "kept") << file;
    EXPECT_EQ(attribute(file, "system.posix_acl_access"), acl) << file;
    EXPECT_EQ(FileMode(file), mode) << file;
  }
  EXPECT_EQ(ReadFile(Dir.File("a.h")), kGenerated);
  // A file without attributes gets none from the directory's default ACL.
  ASSERT_EQ(RunProgram("/usr/bin/setfacl", {"-d", "-m", "u:nobody:rwx", Dir.Path()}).Status, 0);
  EXPECT_EQ(Tolvane({"b.h", "-r"}).Status, 0);
  EXPECT_EQ(attribute(Dir.File("b.h"), "system.posix_acl_access"), "<none>");
}

// In a sticky, world-writable directory another user may rewrite a file
// of root's that everybody may write: no name that user cannot remove is
// left behind (the backup is a copy, never a link to root's file).
TEST_F(FaultInjection, StickyDirectoryKeepsNoLinkOfAnotherUsersFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root: the file must belong to another user than the runner";
  fs::permissions(Dir.Path(), fs::perms(0755));
  fs::create_directory(Dir.File("t"));
  fs::permissions(Dir.File("t"), fs::perms(01777));
  WriteFile(Dir.File("t/a.h"), kSource);
  ASSERT_EQ(chmod(Dir.File("t/a.h").c_str(), 0666), 0);
  TRunResult r = RunToolForked<TTolvane>(Dir.File("t"), {"a.h"}, nullptr, kNobody);
  EXPECT_EQ(Tail(r), kScanning + "\nSuccess");
  std::map<std::string, std::string> expected{
      {"t", "<directory>"}, {"t/a.h", kGenerated}, {"t/a._h", kSource}};
  EXPECT_EQ(Snapshot(Dir.Path()), expected);
  EXPECT_EQ(fs::hard_link_count(Dir.File("t/a.h")), 1u);
}

// kessrow's include file replaced while the header is written: the header
// made from the old one is not put in place.
void ReplaceInclude(TFilePoint point, const std::string&) {
  if (point != TFilePoint::TempWritten) return;
  WriteFile("defs.pt.new", "$PART_PREFIX Y_\n");
  std::rename("defs.pt.new", "defs.pt");
}

TEST_F(FaultInjection, KessrowIncludeChangedWhileTheHeaderIsWritten) {
  WriteFile(Dir.File("parts.pt"), kParts);
  WriteFile(Dir.File("defs.pt"), "$PART_PREFIX X_\n");
  WriteFile(Dir.File("parts.h"), "old header\n");
  auto before = Snapshot(Dir.Path());
  before["defs.pt"] = "$PART_PREFIX Y_\n";
  TRunResult r = RunToolForked<TKessrow>(Dir.Path(), {"parts.pt", "-i", "defs.pt"}, ReplaceInclude);
  ExpectUntouched(
      r, before, "\n***** File error: source file defs.pt changed while it was read; nothing was written.\n");
}

// What reaches the disk, in order: a source rewritten in place (its new
// file before the rename, the directory after; where the file itself is
// rewritten, its backup and the directory before the first byte changes);
// a separate destination and kessrow's header pay for no sync. Each sync
// and rename is printed as an "@" line by the file hook.
void PrintEvent(TFilePoint point, const std::string& path) {
  if (point != TFilePoint::Synced && point != TFilePoint::BeforeRename) return;
  std::string name = fs::path(path).filename().string();
  // A temporary name ends in ".tmp<pid>_<n>": the name it stands for counts.
  if (std::size_t tmp = name.find(".tmp"); tmp != std::string::npos && name[0] == '.')
    name = "temp of " + name.substr(1, tmp - 1);
  std::cout << "\n@" << (point == TFilePoint::Synced ? "sync " : "rename ") << name;
}

// The "@" lines of a run, joined by "; ".
std::string EventsOf(const TRunResult& r) {
  std::string events;
  for (std::size_t at = r.Output.find("\n@"); at != std::string::npos; at = r.Output.find("\n@", at + 1)) {
    std::size_t end = r.Output.find('\n', at + 1);
    events +=
        (events.empty() ? "" : "; ") + r.Output.substr(at + 2, end == std::string::npos ? end : end - at - 2);
  }
  return events;
}

TEST_F(FaultInjection, OnlyRewritesOfTheSourceAreSyncedAndBeforeTheyCount) {
  WriteFile(Dir.File("parts.pt"), kParts);
  const std::string renamed = "sync temp of a.h; rename temp of a._h; rename temp of a.h; sync .";
  for (const auto& [args, expected] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"a.h"}, renamed}, {{"a.h", "-r"}, renamed}, {{"a.h", "out.h"}, "rename temp of out.h"}}) {
    WriteFile(Dir.File("a.h"), kSource);
    TRunResult r = RunToolForked<TTolvane>(Dir.Path(), args, PrintEvent);
    EXPECT_EQ(r.Status, 0) << r.Output;
    EXPECT_EQ(EventsOf(r), expected) << args.back();
  }
  TRunResult r = RunToolForked<TKessrow>(Dir.Path(), {"parts.pt"}, PrintEvent);
  EXPECT_EQ(EventsOf(r), "rename temp of parts.h");

  // Another user's file is rewritten in place: its backup (a copy) and the
  // directory are on the disk before the file's first byte changes.
  if (geteuid() != 0) GTEST_SKIP() << "needs root: the file must belong to another user than the runner";
  fs::permissions(Dir.Path(), fs::perms(0777));
  WriteFile(Dir.File("a.h"), kSource);
  fs::remove(Dir.File("a._h"));
  ASSERT_EQ(chown(Dir.File("a.h").c_str(), 1000, 1000), 0);
  ASSERT_EQ(chmod(Dir.File("a.h").c_str(), 0666), 0);
  r = RunToolForked<TTolvane>(Dir.Path(), {"a.h"}, PrintEvent, kNobody);
  EXPECT_EQ(EventsOf(r), "sync temp of a._h; rename temp of a._h; sync .; rename a.h; sync a.h");
  EXPECT_EQ(ReadFile(Dir.File("a.h")), kGenerated);
}

} // namespace
