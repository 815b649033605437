// The scan on texts held in memory: regeneration, tracking, directives and
// every report, without touching the disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "tolvane/register_engine.h"
#include "tolvane/register_scan.h"
#include "tolvane/tolvane_spec.h"

namespace {

struct TScan {
  bool Ok;
  std::string Out;
  std::string Console;
};

// The reports as the program prints them.
TScan RunScan(std::string_view source) {
  TRegisterEngine tool;
  TScanResult result = tool.Scan(source);
  std::ostringstream console;
  for (const TDiagnostic& d : result.Diagnostics) TTolvane::PrintReport(console, d);
  return {result.Ok, result.Text.Flatten(), console.str()};
}

// One report block: head, message, numbered line, caret under column.
std::string Report(const std::string& head, const std::string& message, int line, const std::string& text,
                   int column) {
  char number[16];
  std::snprintf(number, sizeof number, "%5d: ", line);
  return "\n***** " + head + ":\n***** " + message + "\n" + number + text + "\n" +
         std::string(7 + static_cast<std::size_t>(column), ' ') + "^\n";
}

struct TRegenCase {
  const char* Name;
  const char* Input;
  const char* Output; // nullptr: the input unchanged
};

const TRegenCase kRegenCases[] = {
    {"WorkedExample1",
     "class TFoo {\n  TReg alpha;\n  TReg beta[8];\n  TReg gamma; // TOLVANE_BUS(7,0)\n"
     "  virtual void Register() {\n  }\n};\n",
     "class TFoo {\n  TReg alpha;\n  TReg beta[8];\n  TReg gamma; // TOLVANE_BUS(7,0)\n"
     "  virtual void Register() {\n"
     "    reg(  alpha       );    // tolvane\n"
     "    rega( beta, 8     );    // tolvane\n"
     "    regb( gamma, 7, 0 );    // tolvane\n"
     "  }\n};\n"},
    {"WorkedExample2",
     "class TFoo { TReg alpha;\n  // TOLVANE_INCL Extra();\n  TReg beta[4]; // tolvane_bus ( 3 , 0 )\n"
     "virtual void Register() {\n}\n};",
     "class TFoo { TReg alpha;\n  // TOLVANE_INCL Extra();\n  TReg beta[4]; // tolvane_bus ( 3 , 0 )\n"
     "virtual void Register() {\n"
     "  reg(   alpha         );    // tolvane\n"
     "  Extra();                   // tolvane\n"
     "  regab( beta, 4, 3, 0 );    // tolvane\n"
     "}\n};"},
    {"AllFourCallsShareOnePadding",
     "class TAll {\n  TReg a;\n  TReg b[2];\n  TReg c; // TOLVANE_BUS(1,0)\n  TReg d[4]; // TOLVANE_BUS(3,0)\n"
     "  virtual void Register() {\n  }\n};\n",
     "class TAll {\n  TReg a;\n  TReg b[2];\n  TReg c; // TOLVANE_BUS(1,0)\n  TReg d[4]; // TOLVANE_BUS(3,0)\n"
     "  virtual void Register() {\n"
     "    reg(   a          );    // tolvane\n"
     "    rega(  b, 2       );    // tolvane\n"
     "    regb(  c, 1, 0    );    // tolvane\n"
     "    regab( d, 4, 3, 0 );    // tolvane\n"
     "  }\n};\n"},
    {"StaleLinesDroppedUserLinesKept",
     "class A {\n  TReg a, bb;\n  TReg ccc;\n  virtual void Register() {\n      reg( ccc );  // tolvane\n"
     "    // keep me\n    Reg( bb );\n    x(); // tolvane too\n    reg( a ); // tolvane\n\n  }\n};\n",
     "class A {\n  TReg a, bb;\n  TReg ccc;\n  virtual void Register() {\n"
     "    // keep me\n    Reg( bb );\n    x(); // tolvane too\n"
     "    reg( a   );    // tolvane\n    reg( ccc );    // tolvane\n  }\n};\n"},
    {"DirectivesOnOffIgnore",
     "struct A {\n  TReg a; // TOLVANE_IGNORE\n  TReg b;\n  // Tolvane_Off\n  TReg c;\n"
     "  TReg d; // TOLVANE_ON\n  TReg e;\n  virtual void Register() {\n  }\n};\n",
     "struct A {\n  TReg a; // TOLVANE_IGNORE\n  TReg b;\n  // Tolvane_Off\n  TReg c;\n"
     "  TReg d; // TOLVANE_ON\n  TReg e;\n  virtual void Register() {\n"
     "    reg( b );    // tolvane\n    reg( d );    // tolvane\n    reg( e );    // tolvane\n"
     "  }\n};\n"},
    {"TrackingSkipsWhatCannotBeRegistered",
     "class A : public B {\npublic:\n  A();\n  ~A();\n  int x;\n  static TReg s;\n  TReg *p, q;\n"
     "  TReg &r;\n  vector<TReg> v;\n  TReg f(int) const;\n  TPart::port x2;\n  enum E { P, Q };\n"
     "  struct TIn { TReg n; virtual void Register() { } };\n  void Go() { if (x) { x = 0; } }\n"
     "  TReg arr[ N + 1 ], z;\n  #define M(a) \\\n     a\n  /* TReg hidden; */\nprotected\n:\n"
     "  TReg last; virtual void Register() {\n\t}\n};\n",
     "class A : public B {\npublic:\n  A();\n  ~A();\n  int x;\n  static TReg s;\n  TReg *p, q;\n"
     "  TReg &r;\n  vector<TReg> v;\n  TReg f(int) const;\n  TPart::port x2;\n  enum E { P, Q };\n"
     "  struct TIn { TReg n; virtual void Register() { } };\n  void Go() { if (x) { x = 0; } }\n"
     "  TReg arr[ N + 1 ], z;\n  #define M(a) \\\n     a\n  /* TReg hidden; */\nprotected\n:\n"
     "  TReg last; virtual void Register() {\n"
     "\t  reg(  q          );    // tolvane\n\t  reg(  x2         );    // tolvane\n"
     "\t  rega( arr, N + 1 );    // tolvane\n\t  reg(  z          );    // tolvane\n"
     "\t  reg(  last       );    // tolvane\n\t}\n};\n"},
    {"FillCappedAt32AndIncludeColumns",
     "class A {\n  TReg a;\n  TReg abcdefghijabcdefghijabcdefghijabcdefghij;\n  // TOLVANE_INCL Tail();\n"
     "  virtual void Register() {\n  }\n};\nclass B {\n  TReg b; // TOLVANE_INCL LongerIncl( 1, 2 );\n"
     "  virtual void Register() {\n  }\n};\nclass C {\n  // TOLVANE_INCL  "
     "ThisIncludeIsLongerByMoreThan32Chars();\n"
     "  TReg c;\n  virtual void Register() {\n  }\n};\n",
     "class A {\n  TReg a;\n  TReg abcdefghijabcdefghijabcdefghijabcdefghij;\n  // TOLVANE_INCL Tail();\n"
     "  virtual void Register() {\n"
     "    reg( a                                 );    // tolvane\n"
     "    reg( abcdefghijabcdefghijabcdefghijabcdefghij );    // tolvane\n"
     "    Tail();                                       // tolvane\n"
     "  }\n};\nclass B {\n  TReg b; // TOLVANE_INCL LongerIncl( 1, 2 );\n  virtual void Register() {\n"
     "    LongerIncl( 1, 2 );       // tolvane\n    reg( b              );    // tolvane\n"
     "  }\n};\nclass C {\n  // TOLVANE_INCL  ThisIncludeIsLongerByMoreThan32Chars();\n"
     "  TReg c;\n  virtual void Register() {\n"
     "     ThisIncludeIsLongerByMoreThan32Chars();       // tolvane\n"
     "    reg( c );    // tolvane\n  }\n};\n"},
    // An include text exactly 32 wider than the member lines is too wide to
    // align them with: the members keep their own width.
    {"IncludeWiderByTheFillLimit",
     "class A {\n  TReg a; // TOLVANE_INCL Include_text_exactly_38_characters_();\n"
     "  virtual void Register() {\n  }\n};\n",
     "class A {\n  TReg a; // TOLVANE_INCL Include_text_exactly_38_characters_();\n"
     "  virtual void Register() {\n"
     "    Include_text_exactly_38_characters_();       // tolvane\n"
     "    reg( a );    // tolvane\n  }\n};\n"},
    // An include text that itself ends in the marker: its generated line
    // ends in two markers and must still be replaced, not kept and repeated.
    {"IncludeTextEndingInTheMarker",
     "class A {\n  TReg a; // TOLVANE_INCL Extra(); // tolvane\n  virtual void Register() {\n  }\n};\n",
     "class A {\n  TReg a; // TOLVANE_INCL Extra(); // tolvane\n  virtual void Register() {\n"
     "    Extra(); // tolvane       // tolvane\n    reg( a              );    // tolvane\n  }\n};\n"},
    {"OverrideAndFinalHeads",
     "class A : public B {\n  TReg a;\n  void Register() override {\n  }\n};\n"
     "struct C { TReg c;\n  virtual void Register() override {\n  }\n};\n"
     "struct D { TReg d;\n  void\n  Register ( ) final\n  {\n  }\n};\n"
     "struct E { TReg e;\n  void Register() final override {\n  }\n};\n",
     "class A : public B {\n  TReg a;\n  void Register() override {\n    reg( a );    // tolvane\n  }\n};\n"
     "struct C { TReg c;\n  virtual void Register() override {\n    reg( c );    // tolvane\n  }\n};\n"
     "struct D { TReg d;\n  void\n  Register ( ) final\n  {\n    reg( d );    // tolvane\n  }\n};\n"
     "struct E { TReg e;\n  void Register() final override {\n    reg( e );    // tolvane\n  }\n};\n"},
    // Ordinary member functions: no virtual, override or final; no body; a
    // word twice; another token or a comment in the head; not at file level.
    {"OtherRegisterHeadsSkipped",
     "struct A { TReg a;\n  void Register() {\n    reg( x ); // tolvane\n  }\n"
     "  void Register() override;\n  void Register() override override {\n  }\n"
     "  void Register() final final {\n  }\n  void Register() const override {\n  }\n"
     "  virtual void Register() noexcept override {\n  }\n  void Register(void) final {\n  }\n"
     "  void Register() override /* note */ {\n  }\n  void Register() final // note\n  {\n  }\n};\n"
     "namespace N { struct B { TReg b; void Register() override {\n} }; }\n"
     "void Register() final {\n}\n",
     nullptr},
    {"SkippedScopesAndQuietClassesUnchanged",
     "namespace N { class A { TReg a; virtual void Register() {\n} }; }\n"
     "template <class T> class B { TReg b; virtual void Register() {\n} };\n"
     "class C { TReg c; // TOLVANE_OFF\n  virtual void Register() {\n    reg( c ); // tolvane\n  }\n};\n"
     "class D { TReg d; // TOLVANE_ON\n  virtual void Register() { reg( d ); }\n};\n",
     nullptr},
};

// A failing case is named in the report instead of dumped as raw bytes.
void PrintTo(const TRegenCase& c, std::ostream* os) { *os << c.Name; }

class TRegenTest : public testing::TestWithParam<TRegenCase> {};

TEST_P(TRegenTest, RegeneratesAndIsIdempotent) {
  const TRegenCase& c = GetParam();
  std::string expected = c.Output ? c.Output : c.Input;
  TScan first = RunScan(c.Input);
  ASSERT_TRUE(first.Ok) << first.Console;
  EXPECT_EQ(first.Out, expected);
  TScan second = RunScan(first.Out);
  ASSERT_TRUE(second.Ok);
  EXPECT_EQ(second.Out, expected);
}

INSTANTIATE_TEST_SUITE_P(Scan, TRegenTest, testing::ValuesIn(kRegenCases),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TReportCase {
  const char* Input;
  std::string Expected; // the whole console text of the scan
};

const char* const kReportExample =
    "class TFoo {\n  TReg m2;\n  TReg m3;\n  TReg m4;\n  TReg m5;\n  TReg m6;\n"
    "    TReg Count; // TOLVANE_OFF \\\n};\n";

// Scans that stop with an error: the one report, and no output text.
const TReportCase kErrorCases[] = {
    {kReportExample, Report("Error in class TFoo", "Illegal line continuation character.", 7,
                            "    TReg Count; // TOLVANE_OFF \\", 19)},
    {"}\n", Report("Error", "Unexpected closing brace.", 1, "}", 0)},
    {"class A {\n  int x",
     Report("Error in class A", "Expected closing brace (}) but end of file reached.", 3, "", 0)},
    {"class A {\n  TReg a;\n",
     Report("Error in class A", "Brace mismatch detected at end of file.", 3, "", 0)},
    {"\"x\";\n", Report("Error", "Unexpected token.", 1, "\"x\";", 0)},
    {"class A {\n  tolvane_on x;\n};\n",
     Report("Error in class A", "Unexpected token.", 2, "  tolvane_on x;", 2)},
    {"class A {\n  TReg a; # x\n};\n",
     Report("Error in class A", "Unexpected token.", 2, "  TReg a; # x", 10)},
    {"class A {\n  \\ x;\n};\n", Report("Error in class A", "Unexpected token.", 2, "  \\ x;", 2)},
    {"*x;\n", Report("Error", "Unexpected token.", 1, "*x;", 0)},
    {"struct {\npublic x;\n};\n",
     Report("Error", "Unexpected token following access specifier.", 2, "public x;", 7)},
    {"class A {\n  TReg = 0;\n};\n",
     Report("Error in class A", "Unexpected token within declaration.", 2, "  TReg = 0;", 7)},
    {"class A {\n  TReg 2a;\n};\n",
     Report("Error in class A", "Expected valid C++ identifier.", 2, "  TReg 2a;", 7)},
    {"class A {\n  TReg a // note\n;};\n",
     Report("Error in class A", "Unexpected token within member declaration.", 2, "  TReg a // note", 9)},
    {"class A {\n  TReg a; // TOLVANE_BUS(7,\n 0)\n};\n",
     Report("Error in class A", "Unexpected new line.", 3, " 0)", 1)},
    {"// TOLVANE_BUS 7\n", Report("Error", "Expected opening parenthesis.", 1, "// TOLVANE_BUS 7", 15)},
    {"// TOLVANE_BUS(N-1,0)\n", Report("Error", "Expected comma.", 1, "// TOLVANE_BUS(N-1,0)", 16)},
    {"// TOLVANE_BUS(7,0]\n", Report("Error", "Expected closing parenthesis.", 1, "// TOLVANE_BUS(7,0]", 18)},
    {"// TOLVANE_INCL x();\n", Report("Error",
                                      "TOLVANE_INCL is not allowed outside of a class "
                                      "declaration.",
                                      1, "// TOLVANE_INCL x();", 3)},
    {"class A {\n  TReg a;\n  virtual void Register() {\n  // tolvane_incl x();\n  }\n};\n",
     Report("Error in class A", "TOLVANE_INCL is not allowed to follow Register().", 4,
            "  // tolvane_incl x();", 5)},
    {"/* x\n", Report("Error", "Expected end of block comment (*/) but end of file reached.", 2, "", 0)},
};

// Scans that succeed with warnings: all of them, in order.
const TReportCase kWarningCases[] = {
    {"class A {\n  TReg a; \\\n};\n",
     Report("Warning in class A", "Line continuation character ignored.", 2, "  TReg a; \\", 10)},
    {"class A {\n  TReg a;\n  virtual void Register() {\n  }\n  TReg b;\n};\n",
     Report("Warning in class A", "Class members following Register() are ignored.", 6, "};", 0)},
    {"class A {\n  // TOLVANE_INCL x();\n};\n",
     Report("Warning in class A",
            "TOLVANE_INCL on line 2 was ignored, because Register() was not "
            "found for this class.",
            3, "};", 0)},
    {"class A {\n  TReg a; // TOLVANE_INCL x();\n  virtual void Register() { f(); }\n};\n",
     Report("Warning in class A",
            "To auto register, { of Register() must be the last non-comment "
            "token on the line.",
            3, "  virtual void Register() { f(); }", 28) +
         Report("Warning in class A", "TOLVANE_INCL on line 2 was ignored.", 3,
                "  virtual void Register() { f(); }", 28)},
    {"class A {\n  TReg a;\n  virtual void Register() {\n    reg( x ); // tolvane\n    f(); }\n};\n",
     Report("Warning in class A",
            "To auto register, } of Register() must be the first token on "
            "the line.",
            5, "    f(); }", 9)},
    {"class A {\n  TReg a[], b[4] = x;\n  virtual void Register() {\n  }\n};\n",
     Report("Warning in class A", "Could not auto-register array member a on line 2.", 4, "  }", 2) +
         Report("Warning in class A", "Could not auto-register array member b on line 2.", 4, "  }", 2)},
    {"class A {\n  TReg b; // TOLVANE_BUS(1,0)\n  virtual void Register() {\n    regb( b );\n    regb( b );\n"
     "  }\n};\n",
     Report("Warning in class A",
            "Could not auto-register array or bus member b due to existing "
            "user registration of this member.",
            4, "    regb( b );", 10) +
         Report("Warning in class A",
                "Could not auto-register array or bus member b due to existing "
                "user registration of this member.",
                5, "    regb( b );", 10)},
    {"class A {\n  TReg a[4];\n  virtual void Register() {\n    rega(&a, 4);\n  }\n};\n",
     Report("Warning in class A",
            "Could not auto-register array or bus member a due to existing "
            "user registration of this member.",
            4, "    rega(&a, 4);", 10)},
};

TEST(TolvaneScan, ErrorsStopTheScanWithOneReport) {
  for (const TReportCase& c : kErrorCases) {
    TScan scan = RunScan(c.Input);
    EXPECT_FALSE(scan.Ok) << c.Input;
    EXPECT_EQ(scan.Console, c.Expected) << c.Input;
  }
}

TEST(TolvaneScan, WarningsAreReportedAndTheScanGoesOn) {
  for (const TReportCase& c : kWarningCases) {
    TScan scan = RunScan(c.Input);
    EXPECT_TRUE(scan.Ok) << c.Input;
    EXPECT_EQ(scan.Console, c.Expected) << c.Input;
  }
  // The "}" that is not first: earlier generated lines are gone, nothing new.
  EXPECT_EQ(RunScan(kWarningCases[4].Input).Out,
            "class A {\n  TReg a;\n  virtual void Register() {\n    f(); }\n};\n");
}

TEST(TolvaneScan, KeywordTableOrderFixesTheTokenTypes) {
  const std::pair<const char*, int> types[] = {
      {"TOLVANE_ON", 9}, {"TOLVANE_INCL", 13}, {"private", 14}, {"virtual", 19}, {"void", 20},
      {"inline", 49},    {"/*", 50},           {"#", 51},       {"//", 52},      {"::", 53}};
  for (TScanOptions::TDialect dialect : {TScanOptions::TDialect::Specified, TScanOptions::TDialect::Modern}) {
    TScanOptions options;
    options.Dialect = dialect;
    TScanResult result;
    TRegisterScan scan(options, result);
    for (auto [text, type] : types) EXPECT_EQ(scan.KeywordType(text), type) << text;
  }
}

// Words are read eight bytes at a time: every word character, at every
// place of the first two words of a name, ends up in the member's name and
// its type's, and nothing else does.
TEST(TolvaneScan, EveryWordCharacterAtEveryPlaceOfAName) {
  const std::string characters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
  TRegisterEngine tool;
  for (char c : characters) {
    for (std::size_t at = 0; at < 17; ++at) {
      std::string name = std::string("m").append(at, 'x').append(1, c).append("z");
      std::string head = std::string("class T {\n  T").append(name).append(" ").append(name);
      head.append(";\n  virtual void Register() {\n");
      std::string source = std::string(head).append("  }\n};\n");
      TScanResult result = tool.Scan(source);
      ASSERT_TRUE(result.Ok) << name;
      std::string expected = std::string(head).append("    reg( ").append(name);
      EXPECT_EQ(result.Text.Flatten(), expected.append(" );    // tolvane\n  }\n};\n")) << name;
    }
  }
}

// User registrations in one body, names declared more than once and
// registered more than once: every member of a registered name is passed
// over, whichever registration line names it, and each registration of an
// array reports each array of that name. The count of other registrations
// before them varies, so that the names are looked up in a body of few
// registrations, of many, and across the change from one to the other.
TEST(TolvaneScan, UserRegistrationsWithRepeatedNames) {
  for (int count : {0, 3, 6, 12}) {
    std::string members, registrations;
    for (int i = 0; i < 12; ++i) members += "  TReg m" + std::to_string(i) + ";\n";
    members += "  TReg a;\n  TReg m5;\n  TReg t[2];\n  TReg a;\n  TReg t[3];\n  TReg last;\n";
    // The lines for the members not registered, in declaration order (the
    // second m5 too), aligned with "last".
    std::string generated;
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 5}) {
      if (i < count) continue;
      generated += "    reg( m" + std::to_string(i);
      generated += std::string(i < 10 ? 2 : 1, ' ') + " );    // tolvane\n";
    }
    for (int i = count - 1; i >= 0; --i) registrations += "    reg( m" + std::to_string(i) + " );\n";
    registrations += "    reg( a );\n    rega( t, 2 );\n    reg( a );\n    rega( t, 3 );\n";
    std::string head = "class A {\n" + members + "  virtual void Register() {\n" + registrations;
    TScan scan = RunScan(head + "  }\n};\n");
    ASSERT_TRUE(scan.Ok) << scan.Console;
    EXPECT_EQ(scan.Out, head + generated + "    reg( last );    // tolvane\n  }\n};\n") << count;
    std::string warning = "Could not auto-register array or bus member t due to existing user registration";
    std::size_t warnings = 0;
    for (std::size_t at = scan.Console.find(warning); at != std::string::npos;
         at = scan.Console.find(warning, at + 1))
      ++warnings;
    EXPECT_EQ(warnings, 4u) << count; // two registrations of t, two arrays named t
  }
}

// A report on a long line shows the window that ends the line, cut with
// "..." on the left, and the caret under the token.
TEST(TolvaneScan, ReportOnALongLineShowsItsWindow) {
  std::string line = "    ";
  for (int i = 0; i < 400; ++i) line += "reg(a);";
  TScan scan = RunScan("class A {\n  TReg a[4];\n  virtual void Register() {\n" + line + "\n  }\n};\n");
  ASSERT_TRUE(scan.Ok);
  // The last call's "a" stands 3 characters before the end of the line.
  std::string expected = Report("Warning in class A",
                                "Could not auto-register array or bus member a due to existing user "
                                "registration of this member.",
                                4, "..." + line.substr(line.size() - 3 - 43), 3 + 43);
  ASSERT_GE(scan.Console.size(), expected.size());
  EXPECT_EQ(scan.Console.substr(scan.Console.size() - expected.size()), expected);
}

} // namespace

// A body that is up to date is passed on as the source's own bytes: the
// whole output is one range of the source, nothing made. Where the bytes
// differ (line ends to normalise, a blank line to drop, a line that moved),
// the generated text is made as before.
TEST(TolvaneScan, UpToDateBodyIsARangeOfTheSource) {
  const std::string upToDate = "class TFoo {\n  TReg a;\n  TReg b[2];\n  virtual void Register() {\n"
                               "    reg(  Kept );\n"
                               "    reg(  a    );    // tolvane\n"
                               "    rega( b, 2 );    // tolvane\n"
                               "  }\n};\n";
  auto scan = [](const std::string& source, std::size_t& madeBytes) {
    TRegisterEngine tool;
    TScanResult result = tool.Scan(source);
    EXPECT_TRUE(result.Ok);
    madeBytes = 0;
    for (const TOutText::TPiece& piece : result.Text.Pieces())
      if (piece.Made) madeBytes += piece.Size;
    return result.Text.Flatten();
  };
  std::size_t made = 0;
  EXPECT_EQ(scan(upToDate, made), upToDate);
  EXPECT_EQ(made, 0u);

  auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
      text.replace(at, from.size(), to);
    return text;
  };
  const std::string crlf = replaced(upToDate, "\n", "\r\n");
  const std::string blankAfter = replaced(upToDate, "// tolvane\n  }", "// tolvane\n\n  }");
  const std::string movedInput = replaced(replaced(upToDate, "    reg(  Kept );\n", ""), "// tolvane\n  }",
                                          "// tolvane\n    reg(  Kept );\n  }");
  EXPECT_EQ(scan(crlf, made), upToDate);
  EXPECT_GT(made, 0u);
  EXPECT_EQ(scan(blankAfter, made), upToDate);
  EXPECT_GT(made, 0u);
  EXPECT_EQ(scan(movedInput, made), upToDate);
  // The generated lines before a user line are one run, and the same bytes.
  EXPECT_EQ(made, 0u);
}
