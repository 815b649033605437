// The line-oriented tokenizer both programs drive. It works on a text held
// in memory (normally a whole input file), splits the current line into
// tokens, classifies them by built-in rules or by a keyword table filled at
// run time, and can echo every line it leaves into an output text.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "framework/text/char_class.h"
#include "framework/text/diagnostic.h"
#include "framework/text/out_text.h"

// The width in columns of the line that a report shows, its line number
// included (PrintLineState).
inline constexpr int kReportWidth = 70;

// The length of the line end at text[at] by the tokenizer's rule: 2 for a
// carriage return and a line feed in either order, 1 for either alone, 0
// where no line ends.
inline std::size_t LineEndLength(std::string_view text, std::size_t at) {
  if (at >= text.size() || (text[at] != '\n' && text[at] != '\r')) return 0;
  char other = text[at] == '\n' ? '\r' : '\n';
  return at + 1 < text.size() && text[at + 1] == other ? 2 : 1;
}

// Case-insensitive comparison of at most n characters (ASCII letters only).
int strncmpi(const char* a, const char* b, unsigned n);

// One keyword of the token table. Text is kept by pointer: it must outlive
// the table (the programs pass string literals).
struct TTokenDescr {
  const char* Text = nullptr;
  unsigned Length = 0;
  bool CaseSensitive = true;
  bool WholeWord = true; // must not be followed by an alphanumeric character
  bool Enabled = true;
};

// Token type numbers. Keyword i of the table has type ttFirstKeyword + i.
enum TTokenType : int {
  ttNone = 0,
  ttEndOfLine = 1,
  ttCharLiteral = 2,
  ttOpenCharLiteral = 3,
  ttStringLiteral = 4,
  ttOpenStringLiteral = 5,
  ttNonAlphaNum = 6,
  ttSeekFound = 7,
  ttGeneral = 8,
  ttFirstKeyword = 9,
};

class TInputAssistant {
public:
  std::vector<TTokenDescr> Tokens; // the token table
  int LineLength = 0;
  bool LineEndedAtEof = false; // the current line ended at the end of input
  TOutText* Echo = nullptr;    // receives each line once it has been left

  // Options.
  bool EolTokens = true;
  bool CharLiterals = true;
  bool StringLiterals = true;
  bool SplitPunctuation = true;
  bool UnderscoreAlnum = true;
  // Today's literals: digit separators inside numbers (1'000), raw strings
  // (R"x(...)x", over lines too) and a backslash that escapes whatever
  // follows it in a quoted literal.
  bool ModernLiterals = false;

  // The current token. Line and Token view the connected text or the
  // keyword table, so they stay valid while that text is connected.
  bool EndOfInput = false;
  std::string_view Token;
  std::string_view Line;
  int LineNumber = 0;
  int TokenType = ttNone;
  int TokenIndex = 0; // 1 for the first token of its line
  int Position = 0;   // column of the current token in Line
  std::string Printable;

  // Reads from text from now on (the caller keeps it alive) and makes the
  // first token of its first line current. The line count goes on.
  void Connect(std::string_view text);
  // True when no text is connected.
  bool Failed() const { return !Connected; }
  // Reads the connected text from its start again, at line number 0.
  void Rewind();

  // Echoes the line being left (when Echo is set) and makes the next line
  // current with no token; sets EndOfInput when there is none.
  void GetLine();
  // Makes the next token current, moving to later lines where the current
  // one has no more (or giving an end-of-line token with EolTokens); false
  // once the end of the input is reached.
  bool NextToken() { return ModernLiterals ? NextTokenOf<true>() : NextTokenOf<false>(); }
  // Leaves the current line and makes the first token of the next current.
  void NextLine();
  // Finds text from the current token on, over lines, and makes it the
  // current token (type ttSeekFound); stops at the end of the input.
  void Seek(std::string_view text);
  // Passes a block comment whose "/*" is the current token: seeks "*/"
  // (from the "/*" on, over lines) and makes the token after it current.
  // False, at the end of the input, when no "*/" follows.
  bool SkipBlockComment();
  // Column of text in the current line from the current token on, or -1;
  // looks at no other line.
  int Find(std::string_view text) const;

  // Empties the keyword table.
  void ClearTokens();
  // Appends a keyword; its token type is ttFirstKeyword + its index. text
  // must outlive the table.
  void AddToken(const char* text, bool caseSensitive, bool wholeWord);
  // The token type of the keyword written text (by its own case rule), or 0.
  int GetTokenType(const char* text) const;
  // The table entry of the keyword text, or null.
  TTokenDescr* GetTokenDescr(const char* text);
  // Stops the keyword text from being recognised (it becomes a word).
  void DisableToken(const char* text);
  // Lets a disabled keyword be recognised again.
  void EnableToken(const char* text);
  // Gives the keyword oldText the spelling newText, which must have the
  // same length (the entry keeps its Length) and outlive the table.
  void ReplaceToken(const char* oldText, const char* newText);

  // An ASCII letter or digit, or the underscore while UnderscoreAlnum is on.
  bool IsAlphaNumeric(char c) const { return c == '_' ? UnderscoreAlnum : IsAlnumChar(c); }
  // Printable = Line with every character that does not print as a blank.
  void MakePrintable();
  // Prints the current line (the window around the current token of at most
  // width columns, "..." where it is cut) and a caret line under the token.
  void PrintLineState(std::ostream& os, bool withLineNumber, int width);
  // A report of message at the current token: its line, column and line
  // state (numbered, kReportWidth wide).
  TDiagnostic Diagnose(TDiagnostic::TKind kind, std::string_view message);

private:
  int FindEntry(const char* text) const;
  // The tokenizer with or without the modern literals, each compiled apart
  // so that the other costs the plain one nothing per token.
  template <bool kModern> bool NextTokenOf();
  // With ModernLiterals: the token that a word of wordLength characters at
  // the start of rest begins (a number with separators, a raw string);
  // false where it is an ordinary word.
  bool ModernWordToken(std::string_view rest, std::size_t wordLength);
  // With ModernLiterals: the quoted literal at the start of rest, its
  // escapes read whole; false where rest starts no literal.
  bool ModernQuotedToken(std::string_view rest);
  // Goes on with a raw string left open at the end of the line before.
  void ContinueRawString();

  int MatchKeyword(std::string_view rest, std::size_t wordLength) const;
  bool MayBeKeyword(char first, std::size_t wordLength) const;
  void IndexTokens();
  void IndexEntry(std::size_t i);

  std::string_view Input; // the connected text
  bool Connected = false;
  std::size_t ReadPos = 0;   // next unread byte of Input
  bool LoneLineFeed = false; // Line ended in a line feed not paired with a carriage return
  bool EofNoted = false;     // a look-ahead found no further byte
  std::string RawEnd;        // the text that closes the raw string left open, else empty
  // Table entries by the first byte they can match, in table order, so
  // that a token is compared only with the keywords that could match it.
  // Length and WholeWord are copied from the entry, so that the candidates
  // of other lengths are passed over without reading the table.
  struct TKeywordRef {
    std::uint16_t Index; // into Tokens
    std::uint8_t Kind;   // how the text relates to words (see MatchKeyword)
    bool WholeWord;
    unsigned Length;
  };
  std::array<std::vector<TKeywordRef>, 256> ByFirstChar;
  // Per first byte, for words: the lengths of the whole-word keywords made
  // of word characters (bit n for length n, bit 63 for 63 and more), and
  // whether any other entry is there; [0] while the underscore is no word
  // character, [1] while it is. Most words skip the keyword search by them.
  std::array<std::array<std::uint64_t, 256>, 2> WordLengths{};
  std::array<std::array<bool, 256>, 2> OtherKeywords{};
};
