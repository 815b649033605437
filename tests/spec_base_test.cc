#include "framework/cli/spec_base.h"

#include <gtest/gtest.h>

#include "framework/cli/arg_assist.h"
#include "framework/cli/driver.h"
#include "test_util.h"

#include <sstream>

namespace {

TEST(SpecBase, Extensions) {
  struct Case {
    const char* Name;
    const char* Without;
    const char* Extension;
  } cases[] = {
      {"dir/file.tar.gz", "dir/file.tar", "gz"},
      {"dir.d/file", "dir.d/file", ""},
      {".hidden", ".hidden", ""},
      {"", "", ""},
      {"file.", "file", ""},
      {"a\\b.c", "a\\b", "c"},
      {"regs.h", "regs", "h"},
  };
  for (const Case& c : cases) {
    std::string name = c.Name;
    TSpecBase::RemoveExtension(name);
    EXPECT_EQ(name, c.Without) << c.Name;
    EXPECT_EQ(TSpecBase::GetExtension(c.Name), c.Extension) << c.Name;
  }
}

TEST(SpecBase, StringMatchesFile) {
  TTempDir dir;
  WriteFile(dir.File("empty"), "");
  std::string bytes("a\0\x80\xff", 4);
  WriteFile(dir.File("bytes"), bytes);
  EXPECT_TRUE(TSpecBase::StringMatchesFile("", dir.File("empty").c_str()));
  EXPECT_FALSE(TSpecBase::StringMatchesFile("", dir.File("missing").c_str()));
  EXPECT_FALSE(TSpecBase::StringMatchesFile("", dir.Path().c_str()));
  EXPECT_TRUE(TSpecBase::StringMatchesFile(bytes, dir.File("bytes").c_str()));
  EXPECT_FALSE(TSpecBase::StringMatchesFile(std::string("a\0\x81\xff", 4), dir.File("bytes").c_str()));
  EXPECT_FALSE(TSpecBase::StringMatchesFile(bytes.substr(0, 3), dir.File("bytes").c_str()));
  EXPECT_FALSE(TSpecBase::StringMatchesFile(bytes + "x", dir.File("bytes").c_str()));
}

TEST(SpecBase, IdentifiersAndTrim) {
  EXPECT_TRUE(TSpecBase::IsValidC_Identifier("_a1", false));
  EXPECT_TRUE(TSpecBase::IsValidC_Identifier("A", false));
  EXPECT_FALSE(TSpecBase::IsValidC_Identifier("1a", false));
  EXPECT_TRUE(TSpecBase::IsValidC_Identifier("1a", true));
  EXPECT_FALSE(TSpecBase::IsValidC_Identifier("a-b", false));
  EXPECT_FALSE(TSpecBase::IsValidC_Identifier("a b", false));
  EXPECT_FALSE(TSpecBase::IsValidC_Identifier("", true));
  EXPECT_FALSE(TSpecBase::IsValidC_Identifier("\xe9", false));

  std::string s = "  x y \t";
  TSpecBase::Trim(s);
  EXPECT_EQ(s, "x y");
  s = " \r\n\v\f ";
  TSpecBase::Trim(s);
  EXPECT_EQ(s, "");
}

// A tool whose outcome the test chooses.
class TTestTool : public TSpecBase {
public:
  TTestTool() : TSpecBase("Does what the test says.") {}
  bool Succeed = true;
  bool Warn = false;
  bool Processed = false;
  void SetUpAA(TArgAssistant& aa) override {
    AA = &aa;
    aa.LegalFlags = "p";
    aa.LegalParams = "n";
    aa.AddUsage("  test srce_file [-p]");
  }
  const char* GetProgramName() override { return "test.exe"; }
  void PrintUsage(std::ostream& os) override {
    os << ".  Usage:";
    AA->PrintUsage(os);
    os << "\n";
  }
  void Process(std::ostream& os) override {
    Processed = true;
    os << "\nRun";
    SuccessFlag = Succeed;
  }
  bool Prompt() override { return AA->GetFlag('p') && (Warn || !Success()); }
};

struct TRun {
  std::string Output;
  int Status;
  bool Processed;
  std::streamoff InputLeft;
};

TRun RunTest(std::vector<std::string> args, bool succeed, bool warn, std::string input = "xy") {
  TTestTool tool;
  tool.Succeed = succeed;
  tool.Warn = warn;
  args.insert(args.begin(), "test");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  std::ostringstream out;
  std::istringstream in(input);
  int status = RunTool(tool, static_cast<int>(argv.size()), argv.data(), out, in);
  std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return {out.str(), status, tool.Processed, static_cast<std::streamoff>(rest.size())};
}

TEST(Driver, ExitStatusAndPause) {
  const std::string banner =
      "\n\ntest.exe:  regkit 1.0.0 -- C++ registration and part header generators\nDoes what the test says.";
  const std::string pause = "\nPress Enter to continue.\n";

  TRun usage = RunTest({"-p"}, true, true);
  EXPECT_EQ(usage.Output,
            banner + "\n***** Usage error: too few arguments.  Usage:\n  test srce_file [-p]\n");
  EXPECT_EQ(usage.Status, -1);
  EXPECT_FALSE(usage.Processed);
  EXPECT_EQ(usage.InputLeft, 2);

  TRun clean = RunTest({"a", "-p"}, true, false);
  EXPECT_EQ(clean.Output, banner + "\nRun");
  EXPECT_EQ(clean.Status, 0);
  EXPECT_EQ(clean.InputLeft, 2);

  TRun warned = RunTest({"a", "-p"}, true, true);
  EXPECT_EQ(warned.Output, banner + "\nRun" + pause);
  EXPECT_EQ(warned.Status, 0);
  EXPECT_EQ(warned.InputLeft, 1); // exactly one character read

  TRun failed = RunTest({"a", "-p"}, false, false, "");
  EXPECT_EQ(failed.Output, banner + "\nRun" + pause);
  EXPECT_EQ(failed.Status, -1);

  TRun noPrompt = RunTest({"a"}, false, true);
  EXPECT_EQ(noPrompt.Output, banner + "\nRun");
  EXPECT_EQ(noPrompt.Status, -1);
}

TEST(Driver, HelpAndVersionAloneSucceedWithoutProcessing) {
  TRun version = RunTest({"--version"}, false, false);
  EXPECT_EQ(version.Output, "test 1.0.0\n");
  EXPECT_EQ(version.Status, 0);
  EXPECT_FALSE(version.Processed);
  TRun help = RunTest({"--help"}, false, false);
  EXPECT_EQ(help.Output, "\n\ntest.exe:  regkit 1.0.0 -- C++ registration and part header generators\n"
                         "Does what the test says.\nUsage:\n  test srce_file [-p]\n  test --help | --version\n");
  EXPECT_EQ(help.Status, 0);
  EXPECT_FALSE(help.Processed);
  // Beside another argument it is read as flags, as always.
  TRun mixed = RunTest({"a", "--help"}, true, false);
  EXPECT_NE(mixed.Output.find("\n***** Usage error: unknown flag --.  Usage:"), std::string::npos);
  EXPECT_EQ(mixed.Status, -1);
}

} // namespace
