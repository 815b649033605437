// One file checked or updated in process, after the walk that found it:
// what happens when the tree changes between the walk and the check, and
// when the process runs out of threads or memory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <stdexcept>

#include "framework/files/file_io.h"
#include "regkit/file_check.h"
#include "regkit/parallel_runner.h"
#include "regkit/report.h"
#include "regkit/tree_walk.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;

const int kNobody = 65534;
const std::string kStale = "class TB {\n  TReg b;\n  virtual void Register() {\n"
                           "    reg( old );    // tolvane\n  }\n};\n";
const std::string kEdited = "// saved by an editor\n" + kStale;

// Every finding of the results as report lines.
std::string Lines(const std::vector<TFileResult>& results) {
  std::string lines;
  for (const TFileResult& result : results)
    for (const TFinding& finding : result.Findings) lines += TReport::Line(finding) + "\n";
  return lines;
}

// Walks paths, and checks (or updates) each file found after between(),
// in one thread.
std::vector<TFileResult> WalkAndCheck(
    TOptions& options, std::vector<std::string> paths, const std::function<void()>& between = [] {}) {
  options.Paths = std::move(paths);
  TTreeWalk walk(options);
  walk.Run();
  between();
  TFileCheck check(options, walk.Dirs);
  std::vector<TFileResult> results;
  for (const TTreeFile& file : walk.Files) results.push_back(check.Run(file));
  return results;
}

TOptions Command(TOptions::TCommand command) {
  TOptions options;
  options.Command = command;
  return options;
}

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
  TOptions options = Command(TOptions::TCommand::Update);
  SetFileHook(SaveBeforeRename);
  std::vector<TFileResult> results = WalkAndCheck(options, {Target});
  SetFileHook(nullptr);
  EXPECT_EQ(Saves, 1);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].State, TFileResult::TState::Failed);
  EXPECT_EQ(Lines(results), Target + ": error: changed during the run; not rewritten\n");
  EXPECT_EQ(ReadFile(Target), kEdited);
  EXPECT_FALSE(FileExists(dir.File("a._h")));
}

// The directory cannot be synced after the rename: the file holds the new
// text, and the backup with the old one stays although -r was asked for.
int FailDirectorySync(const std::string& name) { return fs::is_directory(name) ? EIO : 0; }

TEST(RegkitFileCheck, UpdateThatCannotBeMadeDurableKeepsTheBackup) {
  TTempDir dir;
  Target = dir.File("a.h");
  WriteFile(Target, kStale);
  TOptions options = Command(TOptions::TCommand::Update);
  SetSyncFault(FailDirectorySync);
  std::vector<TFileResult> results = WalkAndCheck(options, {Target});
  SetSyncFault(nullptr);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].State, TFileResult::TState::Failed);
  EXPECT_EQ(Lines(results), Target +
                                ": error: the new text is in place but could not be made durable; its old "
                                "text is kept in " +
                                dir.File("a._h") + " (Input/output error)\n");
  EXPECT_NE(ReadFile(Target), kStale);
  EXPECT_EQ(ReadFile(dir.File("a._h")), kStale);
}

// Between the walk and the check a directory or the file is swapped for
// a link out of the tree, for another file, or for a pipe: nothing outside
// the tree is read or written, nothing waits, and the file is an error.
TEST(RegkitFileCheck, TreeChangedAfterTheWalkIsNeverFollowed) {
  const std::string changed = "changed during the run; not rewritten";
  struct TCase {
    const char* What;
    std::function<void(const TTempDir&)> Swap;
    std::string Message;
  };
  const std::vector<TCase> cases{
      {"directory to a link",
       [](const TTempDir& d) {
         fs::rename(d.File("tree/sub"), d.File("tree/moved"));
         fs::create_directory_symlink(d.File("elsewhere"), d.File("tree/sub"));
       },
       changed},
      {"file to a link",
       [](const TTempDir& d) {
         fs::remove(d.File("tree/sub/x.h"));
         fs::create_symlink(d.File("elsewhere/x.h"), d.File("tree/sub/x.h"));
       },
       changed},
      {"file to another file",
       [](const TTempDir& d) {
         WriteFile(d.File("new.h"), kStale);
         fs::rename(d.File("new.h"), d.File("tree/sub/x.h"));
       },
       changed},
      {"file to a pipe",
       [](const TTempDir& d) {
         fs::remove(d.File("tree/sub/x.h"));
         mkfifo(d.File("tree/sub/x.h").c_str(), 0644);
       },
       "not a regular file"},
  };
  for (TOptions::TCommand command : {TOptions::TCommand::Check, TOptions::TCommand::Update}) {
    for (const TCase& c : cases) {
      TTempDir d;
      fs::create_directories(d.File("tree/sub"));
      fs::create_directories(d.File("elsewhere"));
      WriteFile(d.File("tree/sub/x.h"), kStale);
      WriteFile(d.File("elsewhere/x.h"), kStale);
      TOptions options = Command(command);
      // In a child, so that a read that waits is ended by the alarm.
      TRunResult r = RunForked([&] {
        alarm(10);
        std::cout << Lines(WalkAndCheck(options, {d.File("tree")}, [&] { c.Swap(d); }));
        return 0;
      });
      EXPECT_EQ(r.Output, d.File("tree/sub/x.h") + ": error: " + c.Message + "\n") << c.What;
      EXPECT_EQ(ReadFile(d.File("elsewhere/x.h")), kStale) << c.What;
      EXPECT_FALSE(FileExists(d.File("elsewhere/x._h"))) << c.What;
    }
  }
}

// A file named several ways, or reached through a directory and by name,
// or through a hard link, is one file: taken once, by its first path.
TEST(RegkitFileCheck, EachFileIsTakenOnce) {
  TTempDir d;
  WriteFile(d.File("a.h"), kStale);
  fs::create_hard_link(d.File("a.h"), d.File("hard.h"));
  TOptions options;
  options.Paths = {d.File("a.h"), d.Path() + "//a.h", d.Path(), d.Path() + "/./a.h", d.File("hard.h")};
  TTreeWalk walk(options);
  walk.Run();
  ASSERT_EQ(walk.Files.size(), 1u);
  EXPECT_EQ(walk.Files[0].Path, d.Path() + "/./a.h");
}

// A bind mount makes a loop, or shows a directory twice: each directory
// is walked once, with a warning where it is met again.
TEST(RegkitFileCheck, DirectoriesMetAgainAreWalkedOnce) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root: bind mounts";
  TTempDir d;
  for (const char* sub : {"t/a", "t/b/again", "t/loop/back"}) fs::create_directories(d.File(sub));
  WriteFile(d.File("t/a/x.h"), kStale);
  TRunOptions in;
  in.WorkDir = d.Path();
  TRunResult r = RunForked(
      [&] {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(d.File("t/a").c_str(), d.File("t/b/again").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            mount(d.File("t").c_str(), d.File("t/loop/back").c_str(), nullptr, MS_BIND, nullptr) != 0)
          return 99;
        TOptions options;
        options.Paths = {"t"};
        TTreeWalk walk(options);
        walk.Run();
        TFileResult problems;
        problems.Findings = walk.Problems;
        std::cout << Lines({problems});
        for (const TTreeFile& file : walk.Files) std::cout << file.Path << "\n";
        return 0;
      },
      in);
  if (r.Status == 99) GTEST_SKIP() << "needs root: no mount namespace can be made here";
  EXPECT_EQ(r.Output, "t/b/again: warning: the same directory as t/a; not walked again\n"
                      "t/loop/back: warning: the same directory as t; not walked again\n"
                      "t/a/x.h\n");
}

// Names are quoted where they hold control characters, a backslash or a
// double quote, in the findings and in the diff; a name with a space,
// which patch would cut short, is left out of the diff.
TEST(RegkitFileCheck, NamesAreQuotedAndLeftOutOfADiffWhereUnsafe) {
  TTempDir d;
  for (const char* name : {"a\177b.h", "new\nline.h", "q\"uote.h", "sp ace.h"})
    WriteFile(d.File(name), kStale);
  TOptions options = Command(TOptions::TCommand::Check);
  options.Diff = true;
  // Run in the directory, which the diff names its files relative to.
  TRunOptions in;
  in.WorkDir = d.Path();
  TRunResult r = RunForked(
      [&] {
        std::vector<TFileResult> results = WalkAndCheck(options, {"."});
        std::cout << Lines(results);
        for (const TFileResult& result : results) std::cout << result.Diff.substr(0, result.Diff.find("@@"));
        return results[3].State == TFileResult::TState::Failed ? 0 : 1;
      },
      in);
  EXPECT_EQ(r.Status, 0);
  // The command a finding names quotes the path for the shell.
  EXPECT_EQ(r.Output,
            "\"./a\\177b.h\":4: error: Register() body is out of date (regkit update $'./a\\x7fb.h')\n"
            "\"./new\\nline.h\":4: error: Register() body is out of date (regkit update $'./new\\nline.h')\n"
            "\"./q\\\"uote.h\":4: error: Register() body is out of date (regkit update './q\"uote.h')\n"
            "./sp ace.h:4: error: Register() body is out of date (regkit update './sp ace.h')\n"
            "./sp ace.h: error: name cannot be written in a diff; run regkit update\n"
            "--- \"a/a\\177b.h\"\n+++ \"b/a\\177b.h\"\n"
            "--- \"a/new\\nline.h\"\n+++ \"b/new\\nline.h\"\n"
            "--- \"a/q\\\"uote.h\"\n+++ \"b/q\\\"uote.h\"\n");
}

// No thread can be started beyond the calling one: the run goes on with
// it, says so once, and every file gets its result.
TEST(RegkitFileCheck, RunGoesOnWithTheThreadsThatStarted) {
  TRunOptions options;
  if (geteuid() == 0) options.Uid = kNobody; // the process limit does not bind root
  TRunResult r = RunForked(
      [] {
        dup2(1, 2);
        rlimit one{1, 1};
        if (setrlimit(RLIMIT_NPROC, &one) != 0) return 99;
        TParallelRunner runner(4, false);
        std::vector<TFileResult> results = runner.Run(
            6,
            [] {
              return [](std::size_t i) {
                TFileResult result;
                result.Diff = std::to_string(i);
                return result;
              };
            },
            [](std::size_t) { return std::string(); });
        for (const TFileResult& result : results) std::cout << result.Diff;
        std::cout << "\n";
        return 0;
      },
      options);
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Output, "regkit: note: 1 of 4 threads could be started (Resource temporarily unavailable); "
                      "going on with those\n012345\n");
}

// An exception while a worker is made or works fails that file alone; the
// next file gets a new worker.
TEST(RegkitFileCheck, WorkerThatThrowsFailsOnlyThatFile) {
  int made = 0;
  TParallelRunner runner(1, false);
  std::vector<TFileResult> results = runner.Run(
      4,
      [&made]() -> TParallelRunner::TWorker {
        if (made++ == 0) throw std::logic_error("no engine");
        return [](std::size_t i) {
          if (i == 1) throw std::runtime_error("boom");
          if (i == 2) throw 42;
          return TFileResult();
        };
      },
      [](std::size_t i) { return std::to_string(i) + ".h"; });
  EXPECT_EQ(Lines(results), "0.h: error: internal error: no engine\n"
                            "1.h: error: internal error: boom\n"
                            "2.h: error: internal error: unknown exception\n");
  EXPECT_EQ(results[3].State, TFileResult::TState::UpToDate);
  EXPECT_EQ(made, 4);
}

// Memory runs out on one file: that file is an error, the others go on,
// and no temporary file stays.
TEST(RegkitFileCheck, MemoryExhaustionFailsOnlyThatFile) {
  if (UnderAddressSanitizer()) GTEST_SKIP() << "the address space limit does not work under AddressSanitizer";
  TTempDir d;
  std::string huge;
  for (int i = 0; huge.size() < (std::size_t{48} << 20); ++i)
    huge += "class T" + std::to_string(i) + " {\n  TReg alpha;\n  virtual void Register() {\n  }\n};\n";
  WriteFile(d.File("huge.h"), huge);
  WriteFile(d.File("small.h"), kStale);
  TRunResult r = RunForked([&] {
    TOptions options = Command(TOptions::TCommand::Update);
    options.Paths = {d.Path()};
    TTreeWalk walk(options);
    walk.Run();
    TFileCheck check(options, walk.Dirs);
    std::vector<TFileResult> results;
    // Room for the small file's work, not for a copy of the huge one.
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    std::ifstream status("/proc/self/statm");
    std::size_t pages = 0;
    status >> pages;
    rlim_t room = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{32} << 20);
    rlimit cap{room, limit.rlim_max};
    if (setrlimit(RLIMIT_AS, &cap) != 0) return 99;
    for (const TTreeFile& file : walk.Files) results.push_back(check.Run(file));
    std::cout << Lines(results);
    return 0;
  });
  EXPECT_EQ(r.Output, d.File("huge.h") + ": error: not enough memory\n" + d.File("small.h") + ": updated\n");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(d.Path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"huge.h", "small.h"}));
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

namespace {

const std::string kPart = "$PART_NAME A\n$PIN_COUNT 1\n$PORTS\nP 1 ;\n$ENDPORTS\n$ENDPART\n";

int Overwrites = 0;
// Once the new text is in place (the directory synced after the rename),
// something else writes the file.
void OverwriteAfterRename(TFilePoint point, const std::string& name) {
  if (point != TFilePoint::Synced || name + "/a.h" != Target || ReadFile(Target) == kStale) return;
  ++Overwrites;
  WriteFile(Target, "x\n");
}

// An update that cannot stand: the file changes under it, or its header
// would be the part file itself, or the rewritten file does not hold the
// new text. Each is an error that says so, and the user's text survives.
TEST(RegkitFileCheck, UpdatesThatFailSayWhy) {
  TTempDir d;
  TOptions update = Command(TOptions::TCommand::Update);

  // The part file is saved while its header is written.
  Target = d.File("p.kes");
  WriteFile(Target, kPart);
  WriteFile(d.File("p.h"), "// old\n");
  Saves = 0;
  SetFileHook(SaveBeforeRename);
  std::vector<TFileResult> results = WalkAndCheck(update, {Target});
  SetFileHook(nullptr);
  EXPECT_EQ(Lines(results), Target + ": error: changed during the run; not rewritten\n");
  EXPECT_EQ(ReadFile(d.File("p.h")), "// old\n");

  // A part file whose header has its own name.
  TOptions sameName = update;
  sameName.PartExtensions = {".h"};
  WriteFile(d.File("q.h"), kPart);
  results = WalkAndCheck(sameName, {d.File("q.h")});
  EXPECT_EQ(Lines(results), d.File("q.h") + ": error: its header would replace the part file itself\n");
  EXPECT_EQ(ReadFile(d.File("q.h")), kPart);

  // The rewritten file is overwritten before it is verified.
  Target = d.File("a.h");
  WriteFile(Target, kStale);
  SetFileHook(OverwriteAfterRename);
  results = WalkAndCheck(update, {Target});
  SetFileHook(nullptr);
  EXPECT_EQ(Overwrites, 1);
  EXPECT_EQ(Lines(results),
            Target + ": error: the rewritten file does not hold the new text; its old text is kept in " +
                d.File("a._h") + "\n");
  EXPECT_EQ(ReadFile(d.File("a._h")), kStale);
}

// A part file checked with --diff from another directory: the stale header
// is named as the part file is, relative to the PATH given, so that the
// diff applies with patch -p1 there.
TEST(RegkitFileCheck, StaleHeaderDiffAppliesWherePathPoints) {
  TTempDir d, elsewhere;
  WriteFile(d.File("parts.kes"), kPart);
  WriteFile(d.File("parts.h"), "// old\n");
  TOptions options = Command(TOptions::TCommand::Check);
  options.Diff = true;
  TRunOptions in;
  in.WorkDir = elsewhere.Path();
  TRunResult r = RunForked(
      [&] {
        std::vector<TFileResult> results = WalkAndCheck(options, {d.Path()});
        for (const TFileResult& result : results) std::cout << result.Diff; // the header's alone
        return results.size() == 2 && results[1].State == TFileResult::TState::Stale ? 0 : 1;
      },
      in);
  ASSERT_EQ(r.Status, 0) << r.Output;
  EXPECT_EQ(r.Output.substr(0, r.Output.find("@@")), "--- a/parts.h\n+++ b/parts.h\n");
  WriteFile(elsewhere.File("fix.diff"), r.Output);
  TRunOptions there;
  there.WorkDir = d.Path();
  ASSERT_EQ(RunProgram("/usr/bin/patch", {"-s", "-p1", "-i", elsewhere.File("fix.diff")}, there).Status, 0);
  TPartResult made;
  TPartOptions pass;
  pass.SourceName = "parts.kes";
  pass.DestName = "parts.h";
  TPartEngine().Generate(std::nullopt, kPart, pass, made);
  EXPECT_EQ(ReadFile(d.File("parts.h")), made.Text.Flatten());
}

} // namespace
