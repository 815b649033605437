// The pass on texts held in memory: every message with its head and caret,
// the contexts, and the pieces of the generated classes.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "kessrow/kessrow_spec.h"
#include "kessrow/part_pass.h"

namespace {

// One pass with the given flags ("-L", "-N"); the reports as the
// program prints them.
struct TPass {
  TPartOptions Options;
  TPartResult Result;
  TPartPass::TMemory Memory;
  TPartPass P{Options, Result, Memory};
  std::ostringstream Console;
  std::string Out;
  bool Ok = false;

  TPass(std::string_view source, std::vector<std::string> flags = {},
        std::optional<std::string_view> include = std::nullopt) {
    TPartOptions& options = Options;
    options.SourceName = "parts.pt";
    options.DestName = "parts.h";
    options.IncludeName = "defs.pt";
    for (const std::string& flag : flags) {
      if (flag == "-N" && options.RangeOrder == TPartOptions::TRangeOrder::HighLow)
        options.RangeOrder = TPartOptions::TRangeOrder::AsDeclared;
      if (flag == "-L") options.RangeOrder = TPartOptions::TRangeOrder::LowHigh;
    }
    P.Run(include, source);
    Ok = Result.Ok;
    Out = Result.Text.Flatten();
    for (const TDiagnostic& d : Result.Diagnostics) TKessrow::PrintReport(Console, d);
  }
  bool Has(const std::string& text) const { return Out.find(text) != std::string::npos; }
};

// The report block for a short line: head, message, numbered line, caret.
std::string Block(const std::string& head, int number, const std::string& line, int column) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%5d: ", number);
  return "\n***** Error" + head + "\n" + prefix + line + "\n" + std::string(7 + column, ' ') + "^\n";
}

std::string LineOf(const std::string& text, int number) {
  std::istringstream in(text);
  std::string line;
  for (int i = 0; i < number; ++i)
    if (!std::getline(in, line)) return "";
  return line;
}

struct TErrorCase {
  const char* Input;
  std::string Head; // what follows "***** Error"
  int Line;
  int Column;
};

const char* const kPart = "$PART_NAME A\n";
const char* const kLegal =
    "\n***** Legal characters are {a-z, A-Z, 0-9, _}. Identifiers must not start with 0-9.";

TEST(KessrowPass, EveryMessageWithItsHeadAndCaret) {
  std::string part = kPart;
  std::string ports = part + "$PORTS\n";
  const std::vector<TErrorCase> cases = {
      {"hello\n", ": Unexpected token.", 1, 0},
      {"$END\n", ": Unexpected token.", 1, 0},
      {", x\n", ": Unexpected token.", 1, 0},
      {"$PORTSx\n", ": Unexpected token.", 1, 0},
      {"$ports\n", ": Token $PORTS is only allowed in part block.", 1, 0},
      {"$REGISTER\n", ": Token $REGISTER is only allowed in part block.", 1, 0},
      {"$ENDPART\n", ": Token $ENDPART is only allowed in part block.", 1, 0},
      {"/* open\n\n", ": Expected end of block comment (*/) but end of file reached.", 3, 0},
      {"$PART_PREFIX 1X\n", std::string(": Part prefix is not a valid C++ identifier.") + kLegal, 1, 13},
      {"$PART_PREFIX\n", std::string(": Part prefix is not a valid C++ identifier.") + kLegal, 1, 12},
      {"$PART_NAME -\n", std::string(" in part QV_-: Part name is not a valid C++ identifier.") + kLegal, 1,
       11},
      {"$PART_NAME A # x\n", " in part QV_A: Unexpected token.", 1, 13},
      {"$PART_NAME A\n$ENDPORTS\n", " in part QV_A: Token $ENDPORTS is only allowed in ports block.", 2, 0},
      {"$PART_NAME A\n$part_name B\n",
       " in part QV_A: Token $PART_NAME is not allowed in part block or ports block.", 2, 0},
      {"$PART_NAME A\n#define X\n", " in part QV_A: Token # is not allowed in part block or ports block.", 2,
       0},
      {"$PART_NAME A\n$INSERT\n", " in part QV_A: Token $INSERT is not allowed in part block or ports block.",
       2, 0},
      {"$PART_NAME A\n$ENDFILE\n",
       " in part QV_A: Token $ENDFILE is not allowed in part block or ports block.", 2, 0},
      {"$PART_NAME A\n$PIN_COUNT 0\n$ENDPART\n$PART_NAME A\n", " in part QV_A: Duplicate part name.", 4, 11},
      {"$PART_NAME A\n$PIN_COUNT 14a\n", " in part QV_A: Expected a decimal integer.", 2, 11},
      {"$PART_NAME A\n$PIN_COUNT -14\n", " in part QV_A: Signed number not allowed.", 2, 11},
      {"$PART_NAME A\n$PIN_COUNT 100000\n", " in part QV_A: Abnormally high pin count.", 2, 11},
      {"$PART_NAME A\n$PIN_COUNT 99999999999999\n", " in part QV_A: Abnormally high pin count.", 2, 11},
      {"$PART_NAME A\n$constructor\nx\n",
       " in part QV_A: Expected $END for $CONSTRUCTOR block, but end of file reached.", 4, 0},
      {"$PART_NAME A\n$ENDPART\n", " in part QV_A: Part block is missing $PIN_COUNT.", 2, 0},
      {"$PART_NAME A\n$PIN_COUNT 2\n$PORTS\nX 1 ;\n$ENDPORTS\n$ENDPART\n",
       " in part QV_A: Found 1 pin, but $PIN_COUNT specified 2.", 6, 0},
      {"$PART_NAME A\n$PIN_COUNT 1\n$PORTS\nX[2] 1 2;\n$ENDPORTS\n$ENDPART\n",
       " in part QV_A: Found 2 pins, but $PIN_COUNT specified 1.", 6, 0},
      // Ports block.
      {"$PART_NAME A\n$PORTS\n$register\n", " in part QV_A: Token $REGISTER is not allowed in port block.", 3,
       0},
      {"$PART_NAME A\n$PORTS\n$ENDPART\n", " in part QV_A: Token $ENDPART is not allowed in port block.", 3,
       0},
      {"$PART_NAME A\n$PORTS\n$ENDPORT\n", " in part QV_A: Unexpected token.", 3, 0},
      {"$PART_NAME A\n$PORTS\n", " in part QV_A: Unexpected end of file encountered in ports block.", 3, 0},
      {"$PART_NAME A\n$PORTS // c", " in part QV_A: Unexpected end of file encountered in ports block.", 3,
       0},
      {"$PART_NAME A\n$PORTS\nD[3:0] 1 2\n",
       " in part QV_A: Unexpected end of file encountered in ports block.", 4, 0},
      {"$PART_NAME A\n$PORTS\nD[3:\n", " in part QV_A: Unexpected end of file encountered in ports block.", 4,
       0},
      // The end of the input right after a "//" comment, at each skip of
      // the declaration: the report names the empty line at the end.
      {"$PART_NAME X\n$PIN_COUNT 1\n$PORTS\n  A 1 ;  // c",
       " in part QV_X: Unexpected end of file encountered in ports block.", 5, 0},
      {"$PART_NAME X\n$PIN_COUNT 1\n$PORTS\n  A 1 ;  // c\n",
       " in part QV_X: Unexpected end of file encountered in ports block.", 5, 0},
      {"$PART_NAME A\n$PORTS\nA // c", " in part QV_A: Unexpected end of file encountered in ports block.", 4,
       0},
      {"$PART_NAME A\n$PORTS\nD[2] 1 // c\n",
       " in part QV_A: Unexpected end of file encountered in ports block.", 4, 0},
      {"$PART_NAME A\n$PORTS\nA 1 // c\n",
       " in part QV_A: Unexpected end of file encountered in ports block.", 4, 0},
      // A part cut off by the end of the input.
      {"$PART_NAME A\n$PIN_COUNT 0\n", " in part QV_A: Unexpected end of file encountered in part block.", 3,
       0},
      {"$PART_NAME A\n$PIN_COUNT 0 // c", " in part QV_A: Unexpected end of file encountered in part block.",
       3, 0},
      {"$PART_NAME A\n$PORTS\nA 1 ;\n$ENDPORTS\n",
       " in part QV_A: Unexpected end of file encountered in part block.", 5, 0},
      {"$PART_NAME A\n$PORTS\n/* c */\n",
       std::string(" in part QV_A: Port name is not a valid C++ identifier.") + kLegal, 3, 0},
      {"$PART_NAME A\n$PORTS\n  1A 1 ;\n",
       std::string(" in part QV_A: Port name is not a valid C++ identifier.") + kLegal, 3, 2},
      {"$PART_NAME A\n$PORTS\nA 1 ;\n$OPORTS\nA 2 ;\n", " in part QV_A: Port name A is duplicated.", 5, 0},
      {"$PART_NAME A\n$PORTS\nD[-1:0] 1 ;\n", " in part QV_A: Signed number not allowed.", 3, 2},
      {"$PART_NAME A\n$PORTS\nD[1:x] 1 ;\n", " in part QV_A: Expected a decimal integer.", 3, 4},
      {"$PART_NAME A\n$PORTS\nD[0] ;\n", " in part QV_A: A port must have at least one pin.", 3, 3},
      {"$PART_NAME A\n$PORTS\nD[1,2] 1 ;\n", " in part QV_A: Unexpected token in port declaration.", 3, 3},
      {"$PART_NAME A\n$PORTS\nD[1:2) 1 2 ;\n", " in part QV_A: Expected ] in port declaration.", 3, 5},
      {"$PART_NAME A\n$PORTS\nD[3:0] 1 2 3 ;\n", " in part QV_A: Expected 4 pins for port D", 3, 13},
      {"$PART_NAME A\n$PORTS\nA ;\n", " in part QV_A: Expected 1 pin for port A", 3, 2},
      {"$PART_NAME A\n$PORTS\nD[3:0] 1 2 3 4 5 ;\n",
       " in part QV_A: Expected 4 pins for port D.\n***** Expected terminal semicolon for port declaration.",
       3, 15},
      {"$PART_NAME A\n$PORTS\nD[0:99999999999] 1 ;\n", " in part QV_A: Expected 2147483648 pins for port D",
       3, 19},
      {"$PART_NAME A\n$PORTS\nA 1 ;\n$ENDPORTS\n$PORTS\nB 1 ;\n", " in part QV_A: Duplicate pin.", 6, 2},
  };
  for (const TErrorCase& c : cases) {
    TPass pass(c.Input);
    EXPECT_FALSE(pass.Ok) << c.Input;
    EXPECT_EQ(pass.Console.str(), Block(c.Head, c.Line, LineOf(c.Input, c.Line), c.Column)) << c.Input;
  }
}

TEST(KessrowPass, ReportsWhileReadingTheIncludeFileNameIt) {
  TPass pass("$PORTS\n", {"-i", "defs.pt"}, "$PART_NAME A\n$PORTS\n");
  EXPECT_EQ(pass.Console.str(),
            "\n***** Error in include file defs.pt:" +
                Block(" in part QV_A: Unexpected end of file encountered in ports block.", 3, "", 0));
  // A part begun in the include file carries on into the source, and the
  // line count goes on: the include file's end counts as line 3.
  TPass carried("$PIN_COUNT x\n", {"-i", "defs.pt"}, "$PART_NAME A\n\n");
  EXPECT_EQ(carried.Console.str(),
            Block(" in part QV_A: Expected a decimal integer.", 4, "$PIN_COUNT x", 11));
  // So the end of the include file does not cut the part off; only the end
  // of the whole input does, and that report names no include file.
  TPass ended("$PIN_COUNT 0\n$ENDPART\n", {"-i", "defs.pt"}, "$PART_NAME A\n");
  EXPECT_TRUE(ended.Ok) << ended.Console.str();
  EXPECT_TRUE(ended.Has("\nclass QV_A : public TPart {\n"));
  TPass open("$PIN_COUNT 0\n", {"-i", "defs.pt"}, "$PART_NAME A\n");
  EXPECT_FALSE(open.Ok);
  // The line count runs on from the include file: its end was line 2.
  EXPECT_EQ(open.Console.str(),
            Block(" in part QV_A: Unexpected end of file encountered in part block.", 4, "", 0));
}

// The highest pin count allowed is 99999 (100000 is an error above).
TEST(KessrowPass, HighestPinCount) {
  TPass pass("$PART_NAME A\n$PIN_COUNT 99999\n$ENDPART\n");
  EXPECT_FALSE(pass.Ok);
  EXPECT_NE(pass.Console.str().find("Found 0 pins, but $PIN_COUNT specified 99999."), std::string::npos)
      << pass.Console.str();
}

TEST(KessrowPass, FileWideSettingsAndPartNames) {
  TPass pass("$BASE_CLASS public TChip, X // c\n$PART_NAME A\n$PIN_COUNT 0\n$ENDPART\n"
             "$base_class\n$PART_PREFIX SN_\n$PART_NAME 74LS00\n$PIN_COUNT 0\n$ENDPART\n"
             "$PART_PREFIX QV_\n$PART_NAME 74LS00\n$PIN_COUNT 0\n$ENDPART\n");
  EXPECT_TRUE(pass.Ok) << pass.Console.str();
  EXPECT_TRUE(pass.Has("\nclass QV_A : public TChip, X  {\n"));
  EXPECT_TRUE(pass.Has("\nclass SN_74LS00 :  {\n"));
  EXPECT_TRUE(pass.Has("\nclass QV_74LS00 :  {\n"));
  // Only the first token is the name; the dash is then a stray token.
  TPass dashed("$PART_NAME 74-00\n");
  EXPECT_NE(dashed.Console.str().find(" in part QV_74: Unexpected token."), std::string::npos);
}

TEST(KessrowPass, PartWithoutPortsAndComments) {
  // The second part must not show the first part's comments.
  TPass pass("$PART_NAME A // a\n$FOOTPRINT DIP14 // fp \n$REF_PREFIX U // ref\n$PIN_COUNT 0\n$ENDPART\n"
             "$PART_NAME B\n$PIN_COUNT\n$ENDPART\n");
  ASSERT_TRUE(pass.Ok) << pass.Console.str();
  EXPECT_TRUE(pass.Has("\nclass QV_A : public TPart {     // a\n\npublic:\n\n  QV_A() {\n"
                       "    SetPackage( \"DIP14\", 0 );     // fp \n"
                       "    SetReferencePrefix( \"U\" );     // ref\n  }\n\n"
                       "  virtual void Register() {\n  }\n};\n"));
  EXPECT_TRUE(pass.Has("\nclass QV_B : public TPart {\n\npublic:\n\n  QV_B() {\n"
                       "    SetPackage( \"\", 0 );\n    SetReferencePrefix( \"\" );\n  }\n"));
}

TEST(KessrowPass, VerbatimBlocksHashLinesAndEndFile) {
  TPass pass("#include \"part.h\"\n$INSERT\n// one\n\n$END // rest\n"
             "$PART_NAME A\n$PIN_COUNT 0\n$part_lines\n  int X;\n$END\n"
             "$CONSTRUCTOR ignored\n/* not a comment\n$ENDPART inside\n$end\n"
             "$REGISTER\n\n  reg( X );\n$END\n$REGISTER\n  more();\n$END\n$ENDPART\n"
             "/* a\n $ENDFILE */\n# line\n$ENDFILE\nanything goes here\n");
  ASSERT_TRUE(pass.Ok) << pass.Console.str();
  EXPECT_TRUE(pass.Has("needed\n\n#include \"part.h\"\n// one\n\nclass QV_A"));
  EXPECT_TRUE(pass.Has("public:\n\n  int X;\n\n  QV_A() {"));
  EXPECT_TRUE(pass.Has("( \"\" );\n\n/* not a comment\n$ENDPART inside\n  }"));
  EXPECT_TRUE(pass.Has("Register() {\n\n\n  reg( X );\n  more();\n  }\n};\n\n# line\n\n#endif\n"));
}

TEST(KessrowPass, PortFormsKindsAndLayout) {
  TPass pass("$PART_NAME A\n$PIN_COUNT 3\n$PORTS\n  C 1, 2 ;\n");
  ASSERT_FALSE(pass.Ok);
  // The comma is a pin: "C 1, 2 ;" has three pins for a single-pin port.
  EXPECT_NE(pass.Console.str().find("Expected 1 pin for port C.\n"), std::string::npos);

  TPass good("$PART_NAME A\n$PIN_COUNT 5\n$IOPORTS\n"
             "  LONGNAME // first line\n   1\n  ; // not this\n"
             "$PIN_COUNT 5 $ports\n  Q[1] x ; // one\n  L[5:5] 9;\n  Z[2] 01 $ ;\n$ENDPORTS\n$ENDPART\n");
  ASSERT_TRUE(good.Ok) << good.Console.str();
  std::string gap(12, ' ');
  EXPECT_TRUE(good.Has("\n  ioport LONGNAME;     // first line\n  port   Q;" + gap + "// 1 pins  // one" +
                       "\n  port   L;" + gap + "// TOLVANE_BUS(5,5)\n  port   Z;" + gap + "// 2 pins\n"));
  EXPECT_TRUE(good.Has("\n    reg(  LONGNAME );\n          LONGNAME.SetPin( \"1\" );"
                       "\n    reg(  Q );\n          Q.AddPin( \"x\" );"
                       "\n    regb( L, 5, 5 );\n          L.AddPin( 5, \"9\" );"
                       "\n    reg(  Z );\n          Z.AddPin( \"01\" );\n          Z.AddPin( \"$\" );\n"));
}

TEST(KessrowPass, BusOrderFollowsTheFlags) {
  const char* input = "$PART_NAME A\n$PIN_COUNT 4\n$PORTS\nU[0:1] 1 2 ;\nD[1:0] 3 4 ;\n$ENDPORTS\n$ENDPART\n";
  struct {
    std::vector<std::string> Flags;
    const char* Up;   // lines of U[0:1]
    const char* Down; // lines of D[1:0]
  } cases[] = {
      {{},
       "(1,0)|regb( U, 1, 0 );\n          U.AddPin( 1, \"2\" );\n          U.AddPin( 0, \"1\" );",
       "(1,0)|regb( D, 1, 0 );\n          D.AddPin( 1, \"3\" );\n          D.AddPin( 0, \"4\" );"},
      {{"-N"},
       "(0,1)|regb( U, 0, 1 );\n          U.AddPin( 0, \"1\" );\n          U.AddPin( 1, \"2\" );",
       "(1,0)|regb( D, 1, 0 );\n          D.AddPin( 1, \"3\" );\n          D.AddPin( 0, \"4\" );"},
      {{"-L", "-N"},
       "(0,1)|regb( U, 0, 1 );\n          U.AddPin( 0, \"1\" );\n          U.AddPin( 1, \"2\" );",
       "(0,1)|regb( D, 0, 1 );\n          D.AddPin( 0, \"4\" );\n          D.AddPin( 1, \"3\" );"},
  };
  for (auto& c : cases) {
    TPass pass(input, c.Flags);
    ASSERT_TRUE(pass.Ok) << pass.Console.str();
    for (std::string expected : {std::string(c.Up), std::string(c.Down)}) {
      std::size_t bar = expected.find('|');
      EXPECT_TRUE(pass.Has("// TOLVANE_BUS" + expected.substr(0, bar))) << expected;
      EXPECT_TRUE(pass.Has("\n    " + expected.substr(bar + 1))) << expected;
    }
  }
}

// A part as large as a pin count allows: the duplicate checks must not make
// it quadratic. The sets count the slots they look at: a few per pin, not a
// number that grows with the pins before it (the speed itself is measured
// by the benchmark, not here).
TEST(KessrowPass, OnePartOfManyPins) {
  const int pins = 99980;
  std::string input = "$PART_NAME Big\n$PIN_COUNT 99980\n$PORTS\nP[99979:0]";
  for (int i = 0; i < pins; ++i) {
    input += i % 20 ? ' ' : '\n';
    input += std::to_string(i);
  }
  input += " ;\n$ENDPORTS\n$ENDPART\n";
  TPass pass(input);
  ASSERT_TRUE(pass.Ok) << pass.Console.str();
  EXPECT_TRUE(pass.Has("\n          P.AddPin( 0, \"99979\" );\n  }"));
  EXPECT_EQ(pass.P.PinsHeld(), static_cast<std::size_t>(pins));
  EXPECT_LT(pass.P.PinProbes(), 4u * pins);
}

// Many ports: each port name is looked up twice (checked, then recorded).
TEST(KessrowPass, ManyPortsOfOnePinEach) {
  const int ports = 20000;
  std::string input = "$PART_NAME Wide\n$PIN_COUNT 20000\n$PORTS\n";
  for (int i = 0; i < ports; ++i) {
    std::string number = std::to_string(i);
    input += 'N';
    input += number + " " + number + " ;\n";
  }
  input += "$ENDPORTS\n$ENDPART\n";
  TPass pass(input);
  ASSERT_TRUE(pass.Ok) << pass.Console.str();
  EXPECT_EQ(pass.P.PortNamesHeld(), static_cast<std::size_t>(ports));
  EXPECT_LT(pass.P.PortNameProbes(), 2u * 4u * ports);
  EXPECT_LT(pass.P.PinProbes(), 4u * ports);
}

} // namespace
