// regkit on a small tree made by each test: the walk, the findings, the
// diff and the update, through the built program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include <nlohmann/json.hpp>

#include "regkit/colors.h"
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
const std::string kModern = "class TI {\n  TReg i = TReg(1);\n  void Register() {\n  }\n};\n";
const std::string kModernDone =
    "class TI {\n  TReg i = TReg(1);\n  void Register() {\n    reg( i );    // tolvane\n  }\n};\n";
const std::string kModernError =
    "<stdin>:2:10: error: Unexpected token within member declaration. (--dialect=modern "
    "reads default member initialisers)\n";
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
  EXPECT_EQ(r.Output,
            kFindings +
                "5 files: 4 scanned, 1 without Register() skipped; 2 stale, 0 passed over, 1 error\n");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(ReadFile(Dir.File("src/deep/stale.hpp")), kStale); // check writes nothing

  // Without the erroneous file, stale files give 1, and then none give 0.
  r = Run({"check", "--exclude=error.*", "src"});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Output,
            kFindings.substr(kFindings.find('\n') + 1) +
                "4 files: 3 scanned, 1 without Register() skipped; 2 stale, 0 passed over, 0 errors\n");
  r = Run({"check", "--exclude=*/deep", "--exclude=src/two.h", "src"});
  EXPECT_EQ(r.Output, "2 files: 1 scanned, 1 without Register() skipped; 0 stale, 0 passed over, 0 errors\n");
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
            "2 files: 2 scanned, 0 without Register() skipped; 2 stale, 0 passed over, 0 errors\n");
  // A named file is taken whatever its extension; a file named twice, by
  // any spelling, once.
  r = Run({"check", "src/notes.txt", "src/plain.h", "./src/../src/plain.h", "src/notes.txt"});
  EXPECT_EQ(r.Output, "src/notes.txt:5: error: Register() body is out of date (regkit update src/notes.txt)\n"
                      "2 files: 1 scanned, 1 without Register() skipped; 1 stale, 0 passed over, 0 errors\n");
}

TEST_F(RegkitTree, UnreadablePathsAreErrors) {
  mkfifo(Dir.File("src/pipe.h").c_str(), 0600);
  TRunResult r = Run({"check", "missing", "src/pipe.h", "src/plain.h"});
  EXPECT_EQ(r.Output, "missing: error: No such file or directory\n"
                      "src/pipe.h: error: not a regular file\n"
                      "1 file: 0 scanned, 1 without Register() skipped; 0 stale, 0 passed over, 2 errors\n");
  EXPECT_EQ(r.Status, 2);
  // Root reads any file: root makes this run as nobody.
  chmod(Dir.File("src/plain.h").c_str(), 0);
  r = Run({"check", "src/plain.h"}, geteuid() == 0 ? kNobody : -1);
  EXPECT_EQ(r.Output, "src/plain.h: error: could not open the file\n"
                      "1 file: 1 scanned, 0 without Register() skipped; 0 stale, 0 passed over, 1 error\n");
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
  EXPECT_EQ(update.Output,
            "src/deep/er/error.cc:3:3: error: Unexpected token.\n"
            "src/deep/stale.hpp: updated\nsrc/two.h: updated\n"
            "5 files: 4 scanned, 1 without Register() skipped; 2 updated, 0 passed over, 1 error\n");
  EXPECT_EQ(update.Status, 2);
  EXPECT_EQ(ReadFile(Dir.File("src/deep/stale.hpp")), kStaleDone);
  for (const char* name : {"src/deep/stale.hpp", "src/two.h", "src/current.h", "src/deep/er/error.cc"})
    EXPECT_EQ(ReadFile(copy.File(name)), ReadFile(Dir.File(name))) << name;
  EXPECT_FALSE(FileExists(Dir.File("src/deep/stale._hpp"))); // the backup went

  // Everything up to date now: update has nothing to do and exits with 0.
  update = Run({"update", "--exclude=er", "src"});
  EXPECT_EQ(update.Output,
            "4 files: 3 scanned, 1 without Register() skipped; 0 updated, 0 passed over, 0 errors\n");
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
                      "4 files: 4 scanned, 0 without Register() skipped; 0 stale, 0 passed over, 1 error\n");

  WriteFile(Dir.File("parts/r.kes"), part + "$PART_NAME C\n$PIN_COUNT 0\n$ENDPART\n");
  r = Run({"check", "--diff", "--exclude=bad.kes", "parts"});
  EXPECT_EQ(r.Output.substr(0, r.Output.find("--- ")),
            "parts/r.kes: error: header parts/r.h is out of date (regkit update parts/r.kes)\n");
  EXPECT_NE(r.Output.find("--- a/parts/r.h\n+++ b/parts/r.h\n"), std::string::npos);
  EXPECT_EQ(r.Status, 1);
  r = Run({"update", "-j2", "--exclude=bad.kes", "parts"});
  EXPECT_EQ(r.Output, "parts/r.kes: updated\n3 files: 3 scanned, 0 without Register() skipped; 1 updated, 0 "
                      "passed over, 0 errors\n");
  EXPECT_NE(ReadFile(Dir.File("parts/r.h")), header);
  ASSERT_EQ(RunProgram(KESSROW_EXE, {"r.kes", "again.h"}, In(Dir.File("parts"))).Status, 0);
  std::string again = ReadFile(Dir.File("parts/again.h")), updated = ReadFile(Dir.File("parts/r.h"));
  EXPECT_EQ(updated.substr(updated.find("#ifndef")).substr(0, 20), "#ifndef _r_h_\n#defin");
  EXPECT_EQ(updated.substr(updated.find("#endif")), again.substr(again.find("#endif")));
  EXPECT_FALSE(FileExists(Dir.File("parts/new.h")));

  // Two part files for one header (by name, or through a link): the later
  // ones in path order fail, and neither writes it.
  std::filesystem::create_directories(Dir.File("two"));
  WriteFile(Dir.File("two/p.kes"), part);
  WriteFile(Dir.File("two/p.pd"), part);
  WriteFile(Dir.File("two/q.pd"), part);
  WriteFile(Dir.File("two/p.h"), "old header\n");
  std::filesystem::create_symlink("p.h", Dir.File("two/q.h"));
  for (auto [command, summary] : {std::pair{"check", "1 stale"}, {"update", "0 updated"}}) {
    r = Run({command, "--part-ext=.kes,.pd", "two"});
    EXPECT_EQ(r.Output, "two/p.kes: error: header two/p.h is out of date (regkit update two/p.kes)\n"
                        "two/p.pd: error: header two/p.h is also written by two/p.kes\n"
                        "two/q.pd: error: header two/q.h is also written by two/p.kes\n"
                        "4 files: 3 scanned, 1 without Register() skipped; " +
                            std::string(summary) + ", 0 passed over, 2 errors\n");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(ReadFile(Dir.File("two/p.h")), "old header\n");
  }
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
            "2 files: 2 scanned, 0 without Register() skipped; 1 stale, 0 passed over, 0 errors\n");
  EXPECT_EQ(r.Status, 1);
  r = Run({"check", "w.h", "crlf.h"});
  EXPECT_EQ(r.Output.substr(r.Output.find("\n") + 1),
            "2 files: 1 scanned, 1 without Register() skipped; 0 stale, 0 passed over, 0 errors\n");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(Run({"check", "-w", "w.h"}).Output,
            "1 file: 1 scanned, 0 without Register() skipped; 0 stale, 0 passed over, 0 errors\n");

  for (auto args : std::vector<std::vector<std::string>>{{},
                                                         {"check"},
                                                         {"fix", "."},
                                                         {"check", "-j", "0", "."},
                                                         {"check", "--bogus", "."},
                                                         {"check", "--keep-backup", "."}})
    EXPECT_EQ(Run(args).Status, 2);
  // A usage error is one line and where to read more, not the whole help.
  EXPECT_EQ(Run({"check", "--color=sometimes", "."}).Output,
            "regkit: --color needs auto, always or never, not 'sometimes'\nTry 'regkit --help'.\n");
  EXPECT_EQ(Run({"--version"}).Output, "regkit 1.0.0\n");
  EXPECT_NE(Run({"--help"}).Output.find("regkit check [options] PATH..."), std::string::npos);
}

TEST_F(RegkitTree, PassedOverBodiesAreWarningsErrorsOrNothing) {
  WriteFile(Dir.File("ns.h"),
            kStale + "namespace app {\nclass TDev {\n  TReg a;\n  virtual void Register() {\n  }\n};\n}\n");
  const std::string why = ": Register() body is not regenerated: class TDev is inside namespace app "
                          "(--dialect=modern reads it)\n";
  TRunResult r = Run({"check", "--passed-over=error", "ns.h"});
  EXPECT_NE(r.Output.find("ns.h:11:16: error" + why), std::string::npos) << r.Output;
  EXPECT_EQ(r.Status, 1);
  // Update names the line the body has in the file it wrote.
  r = Run({"update", "ns.h"});
  EXPECT_EQ(r.Output,
            "ns.h:12:16: warning" + why + "ns.h: updated\n" +
                "1 file: 1 scanned, 0 without Register() skipped; 1 updated, 1 passed over, 0 errors\n");
  EXPECT_EQ(r.Status, 0);
  struct TRow {
    std::vector<std::string> Args;
    std::string Finding;
    int PassedOver, Status;
  } rows[] = {{{"check", "ns.h"}, "ns.h:12:16: warning" + why, 1, 0},
              {{"check", "--passed-over=error", "ns.h"}, "ns.h:12:16: error" + why, 1, 1},
              {{"check", "--passed-over=error", "-w", "ns.h"}, "ns.h:12:16: error" + why, 1, 1},
              {{"check", "-w", "ns.h"}, "", 0, 0},
              {{"check", "--passed-over=ignore", "ns.h"}, "", 0, 0}};
  for (const TRow& row : rows) {
    r = Run(row.Args);
    EXPECT_EQ(r.Output, row.Finding + "1 file: 1 scanned, 0 without Register() skipped; 0 stale, " +
                            std::to_string(row.PassedOver) + " passed over, 0 errors\n");
    EXPECT_EQ(r.Status, row.Status);
  }
  EXPECT_EQ(Run({"check", "--passed-over=loud", "ns.h"}).Status, 2);
  r = Run({"format", "--passed-over=error", "ns.h"});
  EXPECT_EQ(r.Output.substr(0, r.Output.find('\n') + 1), "ns.h:12:16: error" + why);
  EXPECT_EQ(r.Status, 0);
  r = RunProgram(REGKIT_EXE, {"check", "--format=json", "--passed-over=error", "ns.h"}, In(Dir.Path()));
  nlohmann::json doc = nlohmann::json::parse(r.Output);
  EXPECT_EQ(doc["findings"][0]["rule"], "passed-over");
  EXPECT_EQ(doc["findings"][0]["severity"], "error");
  EXPECT_EQ(doc["summary"]["passedOver"], 1);
  EXPECT_EQ(doc["summary"]["exitStatus"], 1);
}

TEST_F(RegkitTree, ColourAsCompilersPrintIt) {
  struct TCase {
    TColors::TWhen When;
    bool Terminal;
    const char *NoColor, *Term;
    bool Wanted;
  };
  using W = TColors::TWhen;
  for (const TCase& c : std::vector<TCase>{{W::Auto, true, nullptr, "xterm", true},
                                           {W::Auto, false, nullptr, "xterm", false},
                                           {W::Auto, true, "1", "xterm", false},
                                           {W::Auto, true, "", "xterm", true}, // empty: unset
                                           {W::Auto, true, nullptr, "dumb", false},
                                           {W::Always, false, "1", "dumb", true},
                                           {W::Never, true, nullptr, nullptr, false}})
    EXPECT_EQ(TColors::Wanted(c.When, c.Terminal, c.NoColor, c.Term), c.Wanted)
        << static_cast<int>(c.When) << c.Terminal << (c.NoColor ? c.NoColor : "-") << (c.Term ? c.Term : "-");
  // regkit's own notes and errors, as compilers print theirs.
  EXPECT_EQ(TColors::RunPrefix(TColors::TPaint::Cyan, "note:", true), "\033[1mregkit:\033[m \033[1;36mnote:\033[m ");
  EXPECT_EQ(TColors::RunPrefix(TColors::TPaint::Red, "error:", false), "regkit: error: ");

  WriteFile(Dir.File("w.h"), "class TW {\n  TReg a;\n  virtual void Register() { reg( a ); }\n};\n");
  EXPECT_EQ(Run({"check", "--color=always", "w.h", "src/two.h"}).Output,
            "\033[1msrc/two.h:4:\033[m \033[1;31merror:\033[m Register() body is out of date (regkit update "
            "src/two.h)\n\033[1msrc/two.h:9:\033[m \033[1;31merror:\033[m Register() body is out of date (regkit "
            "update src/two.h)\n"
            "\033[1mw.h:3:29:\033[m \033[1;35mwarning:\033[m To auto register, { of Register() must be the "
            "last non-comment token on the line.\n"
            "2 files: 2 scanned, 0 without Register() skipped; 1 stale, 0 passed over, 0 errors\n");
}

// A name that is not UTF-8 keeps its bytes in pathBytes (base64), in the
// files list and in every finding; a UTF-8 name has none.
TEST_F(RegkitTree, JsonNamesThatAreNotUtf8KeepTheirBytes) {
  using nlohmann::json;
  TTempDir d;
  for (const char* name : {"\xfe.h", "\xff.h", "\xc3\xa9.h"}) WriteFile(d.File(name), kStale);
  TRunResult r = RunProgram(REGKIT_EXE, {"check", "--format=json", "."}, In(d.Path()));
  json doc = json::parse(r.Output);
  json names = json::array();
  for (const json& list : {doc["files"], doc["findings"]})
    for (const json& entry : list)
      names.push_back(entry.value("pathBytes", entry["path"].get<std::string>()));
  // "./\u00e9.h" is UTF-8; the others are "./\xfe.h" and "./\xff.h".
  EXPECT_EQ(names, json({"./\u00e9.h", "Li/+Lmg=", "Li//Lmg=", "./\u00e9.h", "Li/+Lmg=", "Li//Lmg="}));
}

TEST_F(RegkitTree, JsonAndSarifCarryEveryFinding) {
  using nlohmann::json;
  TRunResult r =
      RunProgram(REGKIT_EXE, {"check", "--format=json", "--diff", "src", "missing"}, In(Dir.Path()));
  EXPECT_EQ(r.Status, 2);
  json doc = json::parse(r.Output);
  EXPECT_EQ(doc["tool"], json({{"name", "regkit"}, {"version", "1.0.0"}}));
  json states = json::array();
  for (const json& file : doc["files"])
    states.push_back({file["path"], file["state"], file["scanned"], file.contains("diff")});
  EXPECT_EQ(states, json({{"src/current.h", "up-to-date", true, false},
                          {"src/deep/er/error.cc", "failed", true, false},
                          {"src/deep/stale.hpp", "stale", true, true},
                          {"src/plain.h", "up-to-date", false, false}, // no Register(): passed over
                          {"src/two.h", "stale", true, true}}));
  auto finding = [](const char* path, int line, int column, const char* severity, const char* rule,
                    const char* message) {
    return json({{"path", path},
                 {"line", line},
                 {"column", column},
                 {"severity", severity},
                 {"rule", rule},
                 {"message", message}});
  };
  const char* stale = "Register() body is out of date (regkit update src/two.h)";
  for (json& f : doc["findings"]) f.erase("fix"); // FixesGiveWhatUpdateWrites
  EXPECT_EQ(doc["findings"],
            json({finding("missing", 0, 0, "error", "file-error", "No such file or directory"),
                  finding("src/deep/er/error.cc", 3, 3, "error", "scan-error", "Unexpected token."),
                  finding("src/deep/stale.hpp", 5, 0, "error", "stale-body",
                          "Register() body is out of date (regkit update src/deep/stale.hpp)"),
                  finding("src/two.h", 4, 0, "error", "stale-body", stale),
                  finding("src/two.h", 9, 0, "error", "stale-body", stale)}));
  EXPECT_EQ(doc["summary"],
            json({{"files", 5}, {"stale", 2}, {"passedOver", 0}, {"errors", 2}, {"exitStatus", 2}}));

  // SARIF: paths inside the working directory relative to it (encoded),
  // others as file URIs; an unreadable path is a notification of the run.
  TTempDir outside;
  WriteFile(outside.File("o.h"), kStale);
  WriteFile(Dir.File("src/a b.h"), kStale);
  r = RunProgram(
      REGKIT_EXE,
      {"check", "--format=sarif", "./src/deep/../two.h", "src/a b.h", outside.File("o.h"), "missing"},
      In(Dir.Path()));
  EXPECT_EQ(r.Status, 2);
  doc = json::parse(r.Output);
  EXPECT_EQ(doc["version"], "2.1.0");
  EXPECT_EQ(doc["$schema"], "https://json.schemastore.org/sarif-2.1.0.json");
  ASSERT_EQ(doc["runs"].size(), 1u);
  const json& run = doc["runs"][0];
  EXPECT_EQ(run["tool"]["driver"]["name"], "regkit");
  EXPECT_EQ(run["tool"]["driver"]["version"], "1.0.0");
  json ids = json::array();
  for (const json& rule : run["tool"]["driver"]["rules"]) {
    ids.push_back(rule["id"]);
    for (const char* text : {"shortDescription", "fullDescription", "help"})
      EXPECT_TRUE(rule[text]["text"].is_string());
    EXPECT_TRUE(rule["defaultConfiguration"]["level"] == "error" || rule["id"] == "scan-warning" ||
                rule["id"] == "passed-over");
  }
  EXPECT_EQ(ids,
            json({"scan-error", "scan-warning", "stale-body", "line-ends", "part-stale", "passed-over"}));
  std::string root = run["originalUriBaseIds"]["%SRCROOT%"]["uri"];
  EXPECT_TRUE(root.starts_with("file:///") && root.ends_with("/")) << root;
  json located = json::array();
  for (const json& result : run["results"]) {
    EXPECT_EQ(run["tool"]["driver"]["rules"][result["ruleIndex"].get<int>()]["id"], result["ruleId"]);
    EXPECT_EQ(result["level"], "error");
    EXPECT_TRUE(result["message"]["text"].get<std::string>().starts_with("Register() body is out of date"));
    const json& location = result["locations"][0]["physicalLocation"];
    located.push_back({location["artifactLocation"], location["region"]});
  }
  // In the walk's order of the paths as given.
  EXPECT_EQ(located, json({{{{"uri", "src/two.h"}, {"uriBaseId", "%SRCROOT%"}}, {{"startLine", 4}}},
                           {{{"uri", "src/two.h"}, {"uriBaseId", "%SRCROOT%"}}, {{"startLine", 9}}},
                           {{{"uri", "file://" + outside.File("o.h")}}, {{"startLine", 5}}},
                           {{{"uri", "src/a%20b.h"}, {"uriBaseId", "%SRCROOT%"}}, {{"startLine", 5}}}}));
  const json& invocation = run["invocations"][0];
  EXPECT_EQ(invocation["executionSuccessful"], false);
  EXPECT_EQ(invocation["toolExecutionNotifications"],
            json({{{"level", "error"},
                   {"message", {{"text", "No such file or directory"}}},
                   {"locations",
                    {{{"physicalLocation",
                       {{"artifactLocation", {{"uri", "missing"}, {"uriBaseId", "%SRCROOT%"}}}}}}}}}}));
}

// The byte offset of a 1-based line and column (UTF-16 code units) of an
// LF-only text.
std::size_t OffsetOf(const std::string& text, int line, int column) {
  std::size_t at = 0;
  for (int l = 1; l < line; ++l) at = text.find('\n', at) + 1;
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  for (int units = 1; units < column;) {
    units += byte(at) >= 0xF0 ? 2 : 1;
    for (++at; at < text.size() && (byte(at) & 0xC0) == 0x80;) ++at;
  }
  return at;
}

TEST_F(RegkitTree, FixesGiveWhatUpdateWrites) {
  using nlohmann::json;
  const std::map<std::string, std::string> texts = {
      {"fix/stale.h", kStale},
      {"fix/two.h", kTwoBodies}, // inserted lines; no line end at the end
      {"fix/gone.h", "class T {\n  TReg a;\n  virtual void Register() {\n    reg( a );    // tolvane\n"
                     "    reg( gone );    // tolvane\n  }\n};\n"},          // a line deleted
      {"fix/last.h", "struct T {\n  TReg a;\n  virtual void Register() {\n  } }; // \xc3\xa4 \xf0\x9f\x98\x80"}};
  std::filesystem::create_directory(Dir.File("fix"));
  for (const auto& [path, text] : texts) WriteFile(Dir.File(path), text);
  json doc = json::parse(RunProgram(REGKIT_EXE, {"check", "--format=json", "fix"}, In(Dir.Path())).Output);
  json sarif = json::parse(RunProgram(REGKIT_EXE, {"check", "--format=sarif", "fix"}, In(Dir.Path())).Output);
  EXPECT_EQ(sarif["runs"][0]["tool"]["driver"]["informationUri"], "file:///usr/share/doc/regkit/README.md");
  std::map<std::string, std::string> fromJson = texts, fromSarif = texts;
  // Each file's fixes, applied from the last to the first.
  const json& findings = doc["findings"];
  for (auto f = findings.rbegin(); f != findings.rend(); ++f) {
    std::string& text = fromJson[(*f)["path"]];
    std::size_t from = OffsetOf(text, (*f)["fix"]["startLine"], 1);
    std::size_t to = std::min(OffsetOf(text, (*f)["fix"]["endLine"].get<int>() + 1, 1), text.size());
    text.replace(from, to - from, (*f)["fix"]["text"].get<std::string>());
  }
  const json& results = sarif["runs"][0]["results"];
  for (auto r = results.rbegin(); r != results.rend(); ++r) {
    const json& change = (*r)["fixes"][0]["artifactChanges"][0];
    std::string& text = fromSarif["fix/" + change["artifactLocation"]["uri"].get<std::string>().substr(4)];
    const json& region = change["replacements"][0]["deletedRegion"];
    std::size_t from = OffsetOf(text, region["startLine"], region["startColumn"]);
    std::size_t to = OffsetOf(text, region["endLine"], region["endColumn"]);
    text.replace(from, to - from, change["replacements"][0]["insertedContent"]["text"].get<std::string>());
  }
  EXPECT_EQ(findings.size(), 5u);
  EXPECT_EQ(results.size(), 5u);
  ASSERT_EQ(RunProgram(REGKIT_EXE, {"update", "fix"}, In(Dir.Path())).Status, 0);
  for (const auto& [path, text] : texts) {
    EXPECT_EQ(fromJson[path], ReadFile(Dir.File(path))) << path;
    EXPECT_EQ(fromSarif[path], ReadFile(Dir.File(path))) << path;
  }
}

TEST_F(RegkitTree, FormatWritesTolvanesTextAndTouchesNothing) {
  std::string crlf;
  for (char c : kStale) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  struct TCase {
    std::vector<std::string> Args;
    std::string Input, Output, Errors;
    int Status;
  };
  const TCase cases[] = {
      {{"format", "src/deep/stale.hpp"}, "", kStaleDone, "", 0},
      {{"format"}, kStale, kStaleDone, "", 0},
      {{"format", "--assume-filename=buf.h", "-"}, crlf, kStaleDone, "", 0}, // CR LF comes back as LF
      {{"format", "-", "--assume-filename=buf.h"}, kError, "", "buf.h:3:3: error: Unexpected token.\n", 1},
      {{"format"}, kError, "", "<stdin>:3:3: error: Unexpected token.\n", 1},
      {{"format", "missing.h"},
       "",
       "",
       "missing.h: error: could not open the file (No such file or directory)\n",
       2},
      {{"format"}, kModern, "", kModernError, 1},
      {{"format", "--dialect=modern"}, kModern, kModernDone, "", 0},
  };
  for (const TCase& c : cases) {
    std::string command = std::string(REGKIT_EXE) + " 2>err";
    for (const std::string& arg : c.Args) command += " '" + arg + "'";
    TRunOptions options = In(Dir.Path());
    options.Input = c.Input;
    TRunResult r = RunProgram("/bin/sh", {"-c", command}, options);
    EXPECT_EQ(r.Output, c.Output) << c.Args.back();
    EXPECT_EQ(ReadFile(Dir.File("err")), c.Errors) << c.Args.back();
    EXPECT_EQ(r.Status, c.Status) << c.Args.back();
  }
  EXPECT_EQ(ReadFile(Dir.File("src/deep/stale.hpp")), kStale);
  // Memory runs out (an input that never ends): a message, no text.
  if (!UnderAddressSanitizer()) {
    TRunOptions options = In(Dir.Path());
    options.MemoryLimit = long{1} << 28;
    TRunResult r = RunProgram("/bin/sh", {"-c", std::string(REGKIT_EXE) + " format 2>err </dev/zero"}, options);
    EXPECT_EQ(r.Output, "");
    EXPECT_EQ(ReadFile(Dir.File("err")), "<stdin>: error: not enough memory\n");
    EXPECT_EQ(r.Status, 2);
  }

  for (auto args : std::vector<std::vector<std::string>>{{"format", "a.h", "b.h"},
                                                         {"check", "--format=xml", "."},
                                                         {"update", "--format=json", "."},
                                                         {"check", "--assume-filename=x.h", "."},
                                                         {"lsp", "x.h"},
                                                         {"check", "--dialect=c89", "."}})
    EXPECT_EQ(Run(args).Status, 2) << args[1];
}

// In the modern dialect a Register() body in a source is regenerated from
// its class in a header the source includes; the header stays as it is.
TEST_F(RegkitTree, BodyOutsideItsClassTakesTheHeadersMembers) {
  const std::string header = "namespace app {\nclass TDev {\n  TReg a;\n  void Register() override;\n};\n}\n";
  WriteFile(Dir.File("dev.h"), header);
  WriteFile(Dir.File("dev.cpp"), "#include \"dev.h\"\nnamespace app {\nvoid TDev::Register() {\n}\n}\n");
  EXPECT_EQ(Run({"check", "dev.cpp"}).Status, 0);
  EXPECT_EQ(Run({"update", "--dialect=modern", "dev.cpp", "dev.h"}).Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("dev.cpp")),
            "#include \"dev.h\"\nnamespace app {\nvoid TDev::Register() {\n  reg( a );    // tolvane\n}\n}\n");
  EXPECT_EQ(ReadFile(Dir.File("dev.h")), header);
}

// A body whose class is in another file of the run, not included by
// quotes, takes that class; two such classes of one name are an error at
// the body that needs it, naming both; a header's TOLVANE_INCL goes with
// its class to the body outside.
TEST_F(RegkitTree, BodyOutsideItsClassTakesTheRunsClasses) {
  std::filesystem::create_directories(Dir.File("inc/app"));
  std::filesystem::create_directories(Dir.File("src"));
  const std::string header = "namespace app {\nclass TDev {\n  TReg a; // TOLVANE_INCL   more(this);\n"
                             "  virtual void Register() override;\n};\n}\n";
  WriteFile(Dir.File("inc/app/dev.h"), header);
  WriteFile(Dir.File("src/dev.cpp"), "#include <app/dev.h>\nvoid app::TDev::Register() {\n}\n");
  TRunResult run = Run({"update", "--dialect=modern", "."});
  EXPECT_EQ(run.Status, 0) << run.Output;
  EXPECT_EQ(run.Output.find("TOLVANE_INCL"), std::string::npos) << run.Output;
  EXPECT_EQ(ReadFile(Dir.File("src/dev.cpp")),
            "#include <app/dev.h>\nvoid app::TDev::Register() {\n    more(this);       // tolvane\n"
            "  reg( a        );    // tolvane\n}\n");
  EXPECT_EQ(ReadFile(Dir.File("inc/app/dev.h")), header);
  WriteFile(Dir.File("src/copy.h"), header);
  run = Run({"check", "--dialect=modern", "."});
  EXPECT_EQ(run.Status, 2);
  EXPECT_NE(
      run.Output.find("src/dev.cpp:2:28: error: Class app::TDev is defined twice, at ./inc/app/dev.h:2 and "
                      "./src/copy.h:2: its Register() body is not regenerated."),
      std::string::npos)
      << run.Output;
  // The same from two headers that one source includes.
  WriteFile(Dir.File("src/two.cpp"),
            "#include \"copy.h\"\n#include \"other.h\"\nvoid app::TDev::Register() {\n}\n");
  WriteFile(Dir.File("src/other.h"), header);
  run = Run({"check", "--dialect=modern", "src/two.cpp"});
  EXPECT_NE(run.Output.find("at src/copy.h:2 and src/other.h:2"), std::string::npos) << run.Output;
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
  EXPECT_EQ(errors.Output,
            shown + ": error: name cannot be written in a diff; run regkit update\n"
                    "3 files: 3 scanned, 0 without Register() skipped; 1 stale, 0 passed over, 1 error\n");
  EXPECT_EQ(errors.Status, 2);
  TRunResult diff = RunProgram(REGKIT_EXE, {"check", "--diff", "odd"}, In(Dir.Path()));
  EXPECT_EQ(diff.Output.substr(0, diff.Output.find("--- ")),
            shown +
                ":5: error: Register() body is out of date (regkit update $'odd/d\\n+++ b/victim.h\\n/x.h')\n"
                "\"odd/new\\nline.h\":5: error: Register() body is out of date (regkit update "
                "$'odd/new\\nline.h')\n");
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
            expected +
                "40 files: 40 scanned, 0 without Register() skipped; 40 updated, 0 passed over, 0 errors\n");
  TRunResult r = Run({"check", "-j1025", "many"});
  EXPECT_EQ(r.Status, 2);
  EXPECT_TRUE(r.Output.starts_with("regkit: -j needs a number from 1 to 1024, not '1025'\n")) << r.Output;
}

} // namespace

// regkit generate writes kessrow's bytes for the same flags and names, and
// reports an error at the line of the file it lies in.
TEST_F(RegkitTree, GenerateWritesKessrowsHeader) {
  const std::filesystem::path examples = std::filesystem::path(REGKIT_SOURCE_DIR) / "examples";
  std::filesystem::copy(examples / "consumer" / "parts", Dir.File("parts"));
  std::filesystem::copy(examples / "parts.kes", Dir.File("parts/top.kes"));
  struct TCase {
    std::string Part;
    std::vector<std::string> Flags;
  };
  const TCase cases[] = {
      {"parts/gates.kes", {"-i", "parts/common.inc"}},
      {"parts/transceiver.kes", {"-vL", "-i", "parts/common.inc"}},
      {"parts/counter.kes", {"-N", "-u", "-i", "parts/common.inc"}},
      {"parts/top.kes", {"-d"}},
      {"parts/top.kes", {"-wL"}},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> kessrow = {c.Part, "k.h"}, regkit = {"generate", c.Part, "-o", "k.h"};
    kessrow.insert(kessrow.end(), c.Flags.begin(), c.Flags.end());
    regkit.insert(regkit.end(), c.Flags.begin(), c.Flags.end());
    ASSERT_EQ(RunProgram(KESSROW_EXE, kessrow, In(Dir.Path())).Status, 0) << c.Part;
    std::string expected = ReadFile(Dir.File("k.h"));
    std::filesystem::remove(Dir.File("k.h"));
    TRunResult r = Run(regkit);
    EXPECT_EQ(r.Status, 0) << c.Part << r.Output;
    EXPECT_EQ(r.Output, c.Flags[0] == "-vL" ? "k.h: updated\n" : "") << c.Part;
    EXPECT_EQ(ReadFile(Dir.File("k.h")), expected) << c.Part;
  }
  // The default header is kessrow's name for it.
  EXPECT_EQ(Run({"generate", "parts/top.kes"}).Output, "");
  EXPECT_TRUE(FileExists(Dir.File("parts/top.h")));

  // Errors: the part file's own line although the include file came first,
  // the include file's line, the files that cannot be read; nothing written.
  WriteFile(Dir.File("parts/bad.kes"), "\n$PART_NAME B\n$PIN_COUNT x\n");
  WriteFile(Dir.File("bad.inc"), "$PART_PREFIX P_\n\n$BOGUS\n");
  const std::pair<std::vector<std::string>, std::string> errors[] = {
      {{"generate", "parts/bad.kes", "-i", "parts/common.inc"},
       "parts/bad.kes:3:12: error: Expected a decimal integer. (part DEMO_B)\n"},
      {{"generate", "parts/gates.kes", "-i", "bad.inc"}, "bad.inc:3:1: error: Unexpected token.\n"},
      {{"generate", "parts/gates.kes", "-i", "none.inc"},
       "none.inc: error: could not open the file (No such file or directory)\n"},
      {{"generate", "none.kes"}, "none.kes: error: could not open the file (No such file or directory)\n"},
  };
  for (const auto& [args, message] : errors) {
    TRunResult r = Run(args);
    EXPECT_EQ(r.Output, message);
    EXPECT_EQ(r.Status, message.find("open") == std::string::npos ? 1 : 2) << message;
  }
  EXPECT_FALSE(FileExists(Dir.File("parts/bad.h")));
  EXPECT_FALSE(FileExists(Dir.File("parts/gates.h")));
}

// .regkit.toml: found upward from the path, the nearer file winning key by
// key, root = true ending the search, the command line over all; a wrong
// file is an error at its line and column.
TEST_F(RegkitTree, ConfigurationDiscoveryAndMerging) {
  struct TCase {
    std::vector<std::pair<std::string, std::string>> Files; // under cfg/
    std::vector<std::string> Args;                          // after "config"
    std::string Expected;
    int Status = 0;
  };
  const std::string top =
      "root = true\nexclude = [\"third_party/\"]\next = [\"h\", \".cc\"]\npart-include = \"p/c.inc\"\n";
  const TCase cases[] = {
      {{{".regkit.toml", top}, {"a/.regkit.toml", "dialect = \"modern\"\next = [\".hpp\"]\n"}},
       {"cfg/a/b/x.h"},
       "dialect = \"modern\"  # cfg/a/.regkit.toml:1\n"
       "passed-over = \"warning\"  # default\n"
       "exclude = [\"third_party/\"]  # cfg/.regkit.toml:2\n"
       "ext = [\".hpp\"]  # cfg/a/.regkit.toml:2\n"
       "part-ext = [\".kes\"]  # default\n"
       "part-include = \"cfg/p/c.inc\"  # cfg/.regkit.toml:4\n"},
      // root = true below: nothing above counts; the command line wins.
      {{{".regkit.toml", top}, {"a/.regkit.toml", "root = true\npassed-over = \"error\"\n"}},
       {"--ext=c", "--part-ext=pd", "--exclude=gen", "cfg/a"},
       "dialect = \"specified\"  # default\n"
       "passed-over = \"error\"  # cfg/a/.regkit.toml:2\n"
       "exclude = []  # default\n"
       "# and --exclude [\"gen\"]  # command line\n"
       "ext = [\".c\"]  # command line\n"
       "part-ext = [\".pd\"]  # command line\n"
       "part-include = \"\"  # default\n"},
      {{{".regkit.toml", top + "bogus = 1\n"}},
       {"cfg"},
       "cfg/.regkit.toml:5:1: error: unknown key 'bogus'",
       2},
      {{{".regkit.toml", "root = true\n\next = \".h\"\n"}},
       {"cfg"},
       "cfg/.regkit.toml:3:7: error: ext must be an array of strings",
       2},
      {{{".regkit.toml", "root = true\npassed-over = \"loud\"\n"}},
       {"cfg"},
       "cfg/.regkit.toml:2:15: error: passed-over must be one of warning, error, ignore, not 'loud'",
       2},
      {{{".regkit.toml", "root = 1\n"}},
       {"cfg"},
       "cfg/.regkit.toml:1:8: error: root must be true or false",
       2},
      {{{".regkit.toml", "root = true\next = [\n"}}, {"cfg"}, "cfg/.regkit.toml:2:9: error: ", 2},
  };
  for (const TCase& c : cases) {
    std::filesystem::remove_all(Dir.File("cfg"));
    for (const auto& [name, text] : c.Files) {
      std::filesystem::create_directories(std::filesystem::path(Dir.File("cfg/" + name)).parent_path());
      WriteFile(Dir.File("cfg/" + name), text);
    }
    std::vector<std::string> args = {"config"};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    TRunResult r = Run(args);
    EXPECT_EQ(r.Status, c.Status) << c.Expected;
    if (c.Status == 0)
      EXPECT_EQ(r.Output, c.Expected);
    else
      EXPECT_EQ(r.Output.substr(0, c.Expected.size()), c.Expected);
  }
}

// The walk takes the configured extensions and leaves out the configured
// patterns; a part file is read with the configured include file; a wrong
// configuration stops the run before anything is written.
TEST_F(RegkitTree, ConfigurationShapesTheRun) {
  std::filesystem::create_directories(Dir.File("cfg/third_party"));
  std::filesystem::create_directories(Dir.File("cfg/src/gen"));
  std::filesystem::create_directories(Dir.File("cfg/parts"));
  WriteFile(Dir.File("cfg/.regkit.toml"),
            "root = true\nexclude = [\"third_party/\", \"**/gen/*.hxx\", \"!keep.hxx\"]\n"
            "ext = [\"hxx\"]\npart-include = \"parts/common.inc\"\n");
  for (const char* name : {"third_party/a.hxx", "src/gen/b.hxx", "src/gen/keep.hxx", "src/c.hxx", "src/d.cc"})
    WriteFile(Dir.File(std::string("cfg/") + name), kStale);
  WriteFile(Dir.File("cfg/parts/common.inc"), "$PART_PREFIX P_\n");
  WriteFile(Dir.File("cfg/parts/r.kes"),
            "\n$PART_NAME R\n$PIN_COUNT 3\n$PORTS\n  T[2] 1 2 ;\n$ENDPORTS\n$ENDPART\n");
  TRunResult r = Run({"check", "cfg"});
  EXPECT_EQ(
      r.Output,
      "cfg/parts/r.kes:7:1: error: Found 2 pins, but $PIN_COUNT specified 3. (part P_R)\n"
      "cfg/src/c.hxx:5: error: Register() body is out of date (regkit update cfg/src/c.hxx)\n"
      "cfg/src/gen/keep.hxx:5: error: Register() body is out of date (regkit update cfg/src/gen/keep.hxx)\n"
      "3 files: 3 scanned, 0 without Register() skipped; 2 stale, 0 passed over, 1 error\n");
  // The configured dialect reads a class in a namespace; --dialect wins.
  std::filesystem::create_directories(Dir.File("cfg/ns"));
  WriteFile(Dir.File("cfg/ns/.regkit.toml"), "dialect = \"modern\"\next = [\"h\"]\n");
  WriteFile(Dir.File("cfg/ns/x.h"), "namespace a {\n" + kStale + "}\n");
  EXPECT_EQ(Run({"check", "cfg/ns"}).Status, 1);
  EXPECT_EQ(Run({"check", "--dialect=specified", "cfg/ns"}).Status, 0);
  EXPECT_EQ(Run({"format", "cfg/ns/x.h"}).Output, "namespace a {\n" + kStaleDone + "}\n");
  // So is the configured level of the bodies passed over.
  WriteFile(Dir.File("cfg/ns/.regkit.toml"), "passed-over = \"error\"\next = [\"h\"]\n");
  EXPECT_EQ(Run({"check", "cfg/ns"}).Status, 1);
  EXPECT_EQ(Run({"check", "--passed-over=ignore", "cfg/ns"}).Status, 0);
  std::filesystem::remove_all(Dir.File("cfg/ns"));
  // A hook passes every staged file: the configured extensions pick them.
  r = Run({"check", "--filter-named", "cfg/src/d.cc", "cfg/src/c.hxx", "cfg/parts/common.inc"});
  EXPECT_EQ(r.Output.substr(r.Output.find('\n') + 1),
            "1 file: 1 scanned, 0 without Register() skipped; 1 stale, 0 passed over, 0 errors\n");
  WriteFile(Dir.File("cfg/src/.regkit.toml"), "ext = [\"hxx\"]\nexclude = 7\n");
  r = Run({"update", "cfg"});
  EXPECT_EQ(r.Output, "cfg/src/.regkit.toml:2:11: error: exclude must be an array of strings\n");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(ReadFile(Dir.File("cfg/src/c.hxx")), kStale);
  std::filesystem::remove(Dir.File("cfg/src/.regkit.toml"));
  std::filesystem::remove(Dir.File("cfg/parts/common.inc"));
  r = Run({"update", "cfg/parts"});
  EXPECT_EQ(r.Output.substr(0, r.Output.find('\n')),
            "cfg/parts/common.inc: error: could not open the file (No such file or directory)");
  EXPECT_EQ(r.Status, 2);
}

// In a git work tree the walk leaves out what git ignores (every
// .gitignore, info/exclude, the global excludes file); a named path and
// --no-ignore take everything.
TEST_F(RegkitTree, GitIgnoredFilesAreLeftOut) {
  if (std::system("command -v git >/dev/null 2>&1") != 0) GTEST_SKIP() << "git is not installed";
  ASSERT_EQ(RunProgram("/bin/sh", {"-c", "git init -q repo"}, In(Dir.Path())).Status, 0);
  for (const char* name : {"repo/vendor/a.h", "repo/src/b.gen.h", "repo/src/local.h", "repo/src/info.h",
                           "repo/src/global.h", "repo/src/kept.h"}) {
    std::filesystem::create_directories(std::filesystem::path(Dir.File(name)).parent_path());
    WriteFile(Dir.File(name), kStale);
  }
  WriteFile(Dir.File("repo/.gitignore"), "vendor/\n*.gen.h\n");
  WriteFile(Dir.File("repo/src/.gitignore"), "local.h\n");
  WriteFile(Dir.File("repo/.git/info/exclude"), "info.h\n");
  std::filesystem::create_directories(Dir.File("home"));
  WriteFile(Dir.File("home/.gitconfig"), "[core]\n\texcludesFile = " + Dir.File("home/ignore") + "\n");
  WriteFile(Dir.File("home/ignore"), "global.h\n");
  auto check = [&](const std::vector<std::string>& args) {
    TRunOptions options = In(Dir.Path());
    options.Environment = {{"HOME", Dir.File("home")}, {"XDG_CONFIG_HOME", Dir.File("home")}};
    std::string command = REGKIT_EXE;
    for (const std::string& arg : args) command += " '" + arg + "'";
    std::string output = RunProgram("/bin/sh", {"-c", command + " 2>&1"}, options).Output;
    return output.substr(output.rfind('\n', output.size() - 2) + 1);
  };
  EXPECT_EQ(check({"check", "repo"}),
            "1 file: 1 scanned, 0 without Register() skipped; 1 stale, 0 passed over, 0 errors\n");
  EXPECT_EQ(check({"check", "repo/vendor", "repo/src/b.gen.h"}),
            "2 files: 2 scanned, 0 without Register() skipped; 2 stale, 0 passed over, 0 errors\n");
  EXPECT_EQ(check({"check", "--no-ignore", "repo"}),
            "6 files: 6 scanned, 0 without Register() skipped; 6 stale, 0 passed over, 0 errors\n");
}
