#include "framework/text/input_assist.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Tok {
  int Type;
  std::string Text;
  int Line;
  int Index;
  int Position;
  bool operator==(const Tok&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Tok& t) {
  return os << "{" << t.Type << ",'" << t.Text << "',L" << t.Line << ",I" << t.Index << ",P" << t.Position
            << "}";
}

// Every token the assistant yields for text, up to the end of the input.
std::vector<Tok> Tokens(TInputAssistant& ia, std::string_view text) {
  std::vector<Tok> out;
  ia.Connect(text);
  while (!ia.EndOfInput) {
    out.push_back({ia.TokenType, std::string(ia.Token), ia.LineNumber, ia.TokenIndex, ia.Position});
    ia.NextToken();
  }
  return out;
}

std::vector<int> Types(TInputAssistant& ia, std::string_view text) {
  std::vector<int> types;
  for (auto& t : Tokens(ia, text)) types.push_back(t.Type);
  return types;
}

std::string EchoOf(std::string_view text) {
  TInputAssistant ia;
  TOutText echo;
  echo.SetSource(text); // lines ended by a lone line feed stay ranges of text
  ia.Echo = &echo;
  ia.EolTokens = false;
  ia.Connect(text);
  while (!ia.EndOfInput) ia.NextToken();
  return echo.Flatten();
}

TEST(InputAssist, WordsAndEndOfLineTokens) {
  TInputAssistant ia;
  std::vector<Tok> expected = {
      {ttGeneral, "a", 1, 1, 0}, {ttGeneral, "b", 1, 2, 2}, {ttEndOfLine, "", 1, 3, 3}};
  EXPECT_EQ(Tokens(ia, "a b\n"), expected);
  EXPECT_EQ(ia.TokenType, ttNone);
  EXPECT_FALSE(ia.NextToken());

  TInputAssistant off;
  off.EolTokens = false;
  expected.pop_back();
  EXPECT_EQ(Tokens(off, "a b\n"), expected);
}

TEST(InputAssist, LineTerminators) {
  struct Case {
    const char* Text;
    int Lines; // lines before the end of the input
  } cases[] = {
      {"a\r\nb\r\n", 3}, {"a\nb\n", 2}, {"a\n\rb\n\r", 3}, {"a\rb\r", 2}, {"\r\r", 2},
      {"", 1},           {"abc", 1},    {"a\n", 1},        {"a\r\n", 2},  {"\n\r\n", 2},
  };
  for (const Case& c : cases) {
    TInputAssistant ia;
    int eols = 0;
    for (auto& t : Tokens(ia, c.Text)) eols += t.Type == ttEndOfLine;
    EXPECT_EQ(eols, c.Lines) << c.Text;
  }
  TInputAssistant ia;
  ia.Connect("x\r\ny\r\n");
  while (!ia.EndOfInput) ia.NextToken();
  EXPECT_EQ(ia.LineNumber, 4); // the GetLine that finds the end counts too
}

// The line end is searched several bytes at a time: a terminator at every
// offset of a long line, behind bytes that differ from a terminator in one
// bit (0x8A, 0x8D, 0x0B, 0x0C, 0x0E), must end the line exactly there.
TEST(InputAssist, LineEndsAtEveryOffset) {
  const std::string filler = "\x8a\x8d\x0b\x0c\x0e\x09a_ \xff";
  for (const char* terminator : {"\n", "\r", "\r\n", "\n\r"}) {
    for (std::size_t length = 0; length < 70; ++length) {
      std::string line;
      for (std::size_t i = 0; i < length; ++i) line += filler[i % filler.size()];
      std::string text = line + terminator + "y\n";
      TInputAssistant ia;
      ia.Connect(text);
      EXPECT_EQ(ia.Line, line) << length << " " << static_cast<int>(terminator[0]);
      ia.NextLine();
      EXPECT_EQ(ia.Line, "y") << length;
      EXPECT_EQ(ia.LineNumber, 2) << length;
    }
  }
}

// White space is skipped several bytes at a time: runs of every length at
// every column, up to the end of the line, end exactly at the next token.
// 0xA0 and 0x89 differ from a blank and a tab in the high bit alone and are
// tokens.
TEST(InputAssist, WhiteSpaceRunsOfEveryLength) {
  const std::string blanks = " \t\v\f ";
  auto run = [&](std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += blanks[i % blanks.size()];
    return text;
  };
  for (std::size_t lead = 0; lead < 12; ++lead) {
    for (std::size_t gap = 0; gap < 20; ++gap) {
      std::string line = std::string(lead, 'x') + run(gap) + "\xa0\x89y" + run(gap) + ";" + run(lead + gap);
      std::vector<int> expected;
      if (lead) expected.push_back(0);
      std::size_t at = lead + gap;
      for (std::size_t column : {at, at + 1, at + 2, at + 3 + gap, line.size()})
        expected.push_back(static_cast<int>(column));
      TInputAssistant ia;
      std::vector<int> positions;
      for (auto& t : Tokens(ia, line + "\n")) positions.push_back(t.Position);
      EXPECT_EQ(positions, expected) << lead << " " << gap;
    }
  }
}

TEST(InputAssist, LastLineWithoutTerminatorAndEcho) {
  TInputAssistant ia;
  ia.Connect("ab\ncd");
  ia.NextLine();
  EXPECT_EQ(ia.Line, "cd");
  EXPECT_TRUE(ia.LineEndedAtEof);

  EXPECT_EQ(EchoOf("a\r\nb\r\n"), "a\nb\n"); // the extra empty last line adds nothing
  EXPECT_EQ(EchoOf("a\nb\n"), "a\nb\n");
  EXPECT_EQ(EchoOf("a\rb"), "a\nb");
  EXPECT_EQ(EchoOf(""), "");
  std::string binary("x\0\x80\xff y\n\n  \nz", 12);
  EXPECT_EQ(EchoOf(binary), binary);
}

TEST(InputAssist, EchoOnlyLinesLeft) {
  TInputAssistant ia;
  TOutText echo;
  ia.Echo = &echo;
  ia.Connect("one\ntwo\nthree\n");
  ia.NextLine();
  EXPECT_EQ(echo.Flatten(), "one\n"); // the current line is not echoed yet
}

// Lines ended by a lone line feed are echoed together with it; every other
// ending must still come out as one line feed, also when a second text is
// connected while the echo is on (the line left then belongs to the first).
TEST(InputAssist, EchoOfMixedLineEndsAndOfASecondText) {
  EXPECT_EQ(EchoOf("a\nb\r\nc\n\rd\re\n\nf"), "a\nb\nc\nd\ne\n\nf");
  EXPECT_EQ(EchoOf("\r\r\n\n\r"), "\n\n\n");
  TInputAssistant ia;
  TOutText echo;
  ia.Echo = &echo;
  ia.EolTokens = false;
  std::string first = "one\r\nlast\r";
  ia.Connect(first);
  ia.NextLine();
  ia.Connect("two\n");
  while (!ia.EndOfInput) ia.NextToken();
  EXPECT_EQ(echo.Flatten(), "one\nlast\ntwo\n");
}

TEST(InputAssist, Literals) {
  TInputAssistant ia;
  struct Case {
    const char* Text;
    std::vector<std::string> Tokens;
    std::vector<int> TypesOf;
  } cases[] = {
      {"'a';", {"'a'", ";"}, {ttCharLiteral, ttNonAlphaNum}},
      {R"("a\"b" x)", {R"("a\"b")", "x"}, {ttStringLiteral, ttGeneral}},
      {R"('\\' x)", {R"('\\' x)"}, {ttOpenCharLiteral}},
      {R"('\'')", {R"('\')", "'"}, {ttCharLiteral, ttOpenCharLiteral}},
      {"''a'", {"''a'"}, {ttCharLiteral}},
      {"x '", {"x", "'"}, {ttGeneral, ttOpenCharLiteral}},
      {"\"abc", {"\"abc"}, {ttOpenStringLiteral}},
      {"\"\"", {"\"\""}, {ttStringLiteral}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> texts;
    std::vector<int> types;
    for (auto& t : Tokens(ia, c.Text)) {
      if (t.Type == ttEndOfLine) continue;
      texts.push_back(t.Text);
      types.push_back(t.Type);
    }
    EXPECT_EQ(texts, c.Tokens) << c.Text;
    EXPECT_EQ(types, c.TypesOf) << c.Text;
  }
}

TEST(InputAssist, KeywordsWholeWordCaseAndOrder) {
  TInputAssistant ia;
  ia.EolTokens = false;
  ia.AddToken("void", true, true);        // 9
  ia.AddToken("::", false, false);        // 10
  ia.AddToken("TOLVANE_ON", false, true); // 11
  ia.AddToken("#", false, false);         // 12
  ia.AddToken("ab", false, false);        // 13
  ia.AddToken("abc", false, false);       // 14, never wins over "ab"
  EXPECT_EQ(Types(ia, "void voids void( void_ Void"),
            (std::vector<int>{9, ttGeneral, 9, ttNonAlphaNum, ttGeneral, ttGeneral}));
  EXPECT_EQ(Types(ia, "a::b"), (std::vector<int>{ttGeneral, 10, ttGeneral}));
  EXPECT_EQ(Types(ia, "#include"), (std::vector<int>{12, ttGeneral}));
  EXPECT_EQ(Types(ia, "abc"), (std::vector<int>{13, ttGeneral}));
  auto toks = Tokens(ia, "tolvane_On x");
  EXPECT_EQ(toks[0].Text, "TOLVANE_ON");
  EXPECT_EQ(toks[1].Position, 11);
  // Only letters match in the other case: bytes that differ from the
  // keyword's in the case bit alone are other characters.
  ia.AddToken("@[_", false, false); // 15
  EXPECT_EQ(Types(ia, "`{_ @[_"), (std::vector<int>{ttNonAlphaNum, ttNonAlphaNum, ttGeneral, 15}));
  EXPECT_EQ(Types(ia, "TOLVANE\x7fON tOlVaNe_oN"),
            (std::vector<int>{ttGeneral, ttNonAlphaNum, ttGeneral, 11}));
  ia.UnderscoreAlnum = false;
  EXPECT_EQ(Types(ia, "void_"), (std::vector<int>{9, ttNonAlphaNum}));
  ia.UnderscoreAlnum = true;

  ia.DisableToken("void");
  EXPECT_EQ(Types(ia, "void"), (std::vector<int>{ttGeneral}));
  EXPECT_EQ(ia.GetTokenType("void"), 9);
  ia.EnableToken("void");
  EXPECT_EQ(Types(ia, "void"), (std::vector<int>{9}));
  EXPECT_EQ(ia.GetTokenType("tolvane_on"), 11);
  EXPECT_EQ(ia.GetTokenType("Void"), 0);

  TInputAssistant plain;
  EXPECT_EQ(Types(plain, "a::b"),
            (std::vector<int>{ttGeneral, ttNonAlphaNum, ttNonAlphaNum, ttGeneral, ttEndOfLine}));
}

// A whole-word keyword made of letters, digits and underscores matches only
// a word of exactly its length; whether the underscore belongs to words is
// decided when the text is read, not when the keyword was added.
TEST(InputAssist, WholeWordKeywordsAgainstWordsOfOtherLengths) {
  TInputAssistant ia;
  ia.EolTokens = false;
  ia.AddToken("int", true, true);         // 9
  ia.AddToken("TOLVANE_ON", false, true); // 10
  ia.AddToken("u8", true, true);          // 11
  ia.AddToken("op=", true, true);         // 12: ends in punctuation
  EXPECT_EQ(Types(ia, "int in int8 int_ int;"),
            (std::vector<int>{9, ttGeneral, ttGeneral, ttGeneral, 9, ttNonAlphaNum}));
  EXPECT_EQ(Types(ia, "u8 u8x u"), (std::vector<int>{11, ttGeneral, ttGeneral}));
  EXPECT_EQ(Types(ia, "op= op=x op=="),
            (std::vector<int>{12, ttGeneral, ttNonAlphaNum, ttGeneral, 12, ttNonAlphaNum}));
  EXPECT_EQ(Types(ia, "tolvane_on TOLVANE_ONE TOLVANE_ON_"), (std::vector<int>{10, ttGeneral, ttGeneral}));
  ia.UnderscoreAlnum = false;
  // Now the words are TOLVANE and ON: the keyword still matches across the
  // underscore, and an underscore after it no longer prevents the match.
  EXPECT_EQ(Types(ia, "TOLVANE_ON TOLVANE_ON_ TOLVANE_ONx int_"),
            (std::vector<int>{10, 10, ttNonAlphaNum, ttGeneral, ttNonAlphaNum, ttGeneral, 9, ttNonAlphaNum}));
  ia.UnderscoreAlnum = true;
  ia.ReplaceToken("int", "i_t");
  EXPECT_EQ(Types(ia, "i_t int i_t_"), (std::vector<int>{9, ttGeneral, ttGeneral}));
  ia.SplitPunctuation = false;
  EXPECT_EQ(Types(ia, "int;x u8"), (std::vector<int>{ttGeneral, 11}));
  ia.SplitPunctuation = true;

  // Lengths from 63 up share one mark in the prefilter: the comparison
  // itself must still tell them apart.
  std::string longWord(70, 'k'), longer(71, 'k'), shorter(66, 'k');
  TInputAssistant big;
  big.EolTokens = false;
  big.AddToken(longWord.c_str(), false, true); // 9
  EXPECT_EQ(Types(big, longWord + " " + longer + " " + shorter + " K" + longWord.substr(1)),
            (std::vector<int>{9, ttGeneral, ttGeneral, 9}));
}

TEST(InputAssist, SeekAndFind) {
  TInputAssistant ia;
  ia.EolTokens = false;
  ia.AddToken("/*", false, false);
  ia.Connect("/* c */ x");
  ia.Seek("*/");
  EXPECT_EQ(ia.TokenType, ttSeekFound);
  EXPECT_EQ(ia.Position, 5);
  ia.NextToken();
  EXPECT_EQ(ia.Token, "x");

  ia.Connect("/*/ y");
  ia.Seek("*/");
  EXPECT_EQ(ia.Position, 1); // the search starts at the opening pair itself

  TInputAssistant echoing;
  TOutText echo;
  echoing.Echo = &echo;
  echoing.Connect("/* a\nb\nc");
  echoing.Seek("*/");
  EXPECT_TRUE(echoing.EndOfInput);
  EXPECT_EQ(echoing.TokenType, ttNone);
  EXPECT_EQ(echo.Flatten(), "/* a\nb\nc");

  ia.Connect("abc // x");
  EXPECT_EQ(ia.Find("//"), 4);
  EXPECT_EQ(ia.Find("x y"), -1);
  EXPECT_EQ(ia.Find("abc"), 0);
  ia.NextToken();
  EXPECT_EQ(ia.Find("abc"), -1);
}

TEST(InputAssist, ConnectContinuesLineCount) {
  TInputAssistant ia;
  ia.EolTokens = false;
  ia.Connect("a\nb\n");
  while (!ia.EndOfInput) ia.NextToken();
  ia.Connect("c");
  EXPECT_EQ(ia.Token, "c");
  EXPECT_EQ(ia.LineNumber, 4);
  EXPECT_FALSE(ia.EndOfInput);
}

std::string LineState(std::string line, int position, int width = 70, int lineNumber = 7) {
  TInputAssistant ia;
  ia.Line = line;
  ia.LineLength = static_cast<int>(line.size());
  ia.Position = position;
  ia.LineNumber = lineNumber;
  std::ostringstream os;
  ia.PrintLineState(os, true, width);
  return os.str();
}

TEST(InputAssist, PrintLineState) {
  std::string line;
  for (int i = 0; i < 120; ++i) line += static_cast<char>('a' + i % 26);
  EXPECT_EQ(LineState(line, 50), "    7: ..." + line.substr(7, 63) + "...\n" + std::string(53, ' ') + "^\n");
  EXPECT_EQ(LineState(line, 43), "    7: " + line.substr(0, 63) + "...\n" + std::string(50, ' ') + "^\n");
  EXPECT_EQ(LineState("", 0, 10, 12345), "12345: \n       ^\n");
  EXPECT_EQ(LineState("a\tb", 2), "    7: a b\n         ^\n");
  // 63 characters fit the window of width 70 with a line number; 64 do not.
  EXPECT_EQ(LineState(line.substr(0, 63), 0), "    7: " + line.substr(0, 63) + "\n       ^\n");
  EXPECT_EQ(LineState(line.substr(0, 64), 0), "    7: " + line.substr(0, 63) + "...\n       ^\n");
  // The window is made printable, and MakePrintable still covers the line.
  TInputAssistant ia;
  ia.Line = "x\x01y";
  ia.MakePrintable();
  EXPECT_EQ(ia.Printable, "x y");
}

TEST(InputAssist, Strncmpi) {
  EXPECT_EQ(strncmpi("abc", "ABD", 2), 0);
  EXPECT_EQ(strncmpi("abc", "ABD", 3), -1);
  EXPECT_EQ(strncmpi("ab", "abc", 3), -1);
  EXPECT_EQ(strncmpi("abc", "ab", 3), 1);
  EXPECT_EQ(strncmpi("_", "z", 1), 1);
}

} // namespace
