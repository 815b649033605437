#include "framework/cli/arg_assist.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Parse {
  TArgAssistant AA;
  std::ostringstream Console;
  bool Ok = false;
  std::vector<std::string> Storage;
  std::vector<char*> Argv;

  Parse(const char* flags, const char* params, std::vector<std::string> args) : Storage(std::move(args)) {
    AA.Console = &Console;
    AA.LegalFlags = flags;
    AA.LegalParams = params;
    Storage.insert(Storage.begin(), "prog");
    for (auto& s : Storage) Argv.push_back(s.data());
    Ok = AA.SetArgs(static_cast<int>(Argv.size()), Argv.data());
  }
};

Parse Tolvane(std::vector<std::string> args) { return Parse("wpur", "nnnn", std::move(args)); }
Parse Kessrow(std::vector<std::string> args) { return Parse("wpuvdNLi", "nnnnnnnr", std::move(args)); }

TEST(ArgAssist, Messages) {
  struct Case {
    bool IsKessrow;
    std::vector<std::string> Args;
    const char* Message;
  } cases[] = {
      {false, {}, "\n***** Usage error: too few arguments"},
      {false, {"a", "b", "c"}, "\n***** Usage error: another plain argument (c) is not allowed"},
      {false, {"a", "-ww"}, "\n***** Usage error: flag -w must appear at most once"},
      {false, {"a", "-w", "-w"}, "\n***** Usage error: flag -w must appear at most once"},
      {false, {"a", "-x"}, "\n***** Usage error: unknown flag -x"},
      {false, {"a", "-"}, "\n***** Usage error: bad flag -"},
      {false, {"a", "--"}, "\n***** Usage error: unknown flag --"},
      {true, {"a", "-i"}, "\n***** Usage error: flag -i requires a parameter"},
      {true, {"a", "-i", "-w"}, "\n***** Usage error: flag i requires a parameter"},
      {true, {"a", "-iw"}, "\n***** Usage error: flag i requires a parameter"},
      {true, {"-i"}, "\n***** Usage error: too few arguments"},
      {true, {"a", "-n"}, "\n***** Usage error: unknown flag -n"},
  };
  for (const Case& c : cases) {
    Parse p = c.IsKessrow ? Kessrow(c.Args) : Tolvane(c.Args);
    EXPECT_FALSE(p.Ok);
    EXPECT_EQ(p.Console.str(), c.Message);
  }
  Parse bad("ab", "n", {"x"});
  EXPECT_FALSE(bad.Ok);
  EXPECT_EQ(bad.Console.str(), "\n***** Program error: LegalFlags and LegalParams must have same length");
}

TEST(ArgAssist, FlagsParametersAndPlainArguments) {
  Parse p = Kessrow({"src", "-wN", "-i", "inc", "dst", "-L"});
  ASSERT_TRUE(p.Ok) << p.Console.str();
  EXPECT_TRUE(p.AA.GetFlag('w'));
  EXPECT_TRUE(p.AA.GetFlag('N'));
  EXPECT_TRUE(p.AA.GetFlag('L'));
  EXPECT_FALSE(p.AA.GetFlag('p'));
  EXPECT_FALSE(p.AA.GetFlag('x'));
  EXPECT_STREQ(p.AA.GetParam('i'), "inc");
  EXPECT_STREQ(p.AA.GetParam('w'), "");
  EXPECT_EQ(p.AA.PlainCount(), 2u);
  EXPECT_STREQ(p.AA.GetPlain(0), "src");
  EXPECT_STREQ(p.AA.GetPlain(1), "dst");
  EXPECT_STREQ(p.AA.GetPlain(2), "");
  EXPECT_EQ(p.Console.str(), "");

  Parse a = Tolvane({"-w", "src", "dst"});
  Parse b = Tolvane({"src", "-w", "dst"});
  EXPECT_TRUE(a.Ok && b.Ok);
  EXPECT_STREQ(a.AA.GetPlain(1), b.AA.GetPlain(1));

  Parse optional("xo", "no", {"-o", "value", "src"});
  ASSERT_TRUE(optional.Ok);
  EXPECT_STREQ(optional.AA.GetParam('o'), "value");
  EXPECT_EQ(optional.AA.PlainCount(), 1u);
  Parse noValue("xo", "no", {"src", "-o", "-x"});
  ASSERT_TRUE(noValue.Ok);
  EXPECT_STREQ(noValue.AA.GetParam('o'), "");
}

TEST(ArgAssist, QueriesBeforeParsingAndUsage) {
  TArgAssistant aa;
  aa.LegalFlags = "w";
  EXPECT_FALSE(aa.GetFlag('w'));
  EXPECT_STREQ(aa.GetParam('w'), "");
  EXPECT_FALSE(aa.SetArgs(0, nullptr)); // no console: no message, false
  aa.AddUsage("  one");
  aa.AddUsage("  two");
  std::ostringstream os;
  aa.PrintUsage(os);
  EXPECT_EQ(os.str(), "\n  one\n  two");
}

} // namespace
