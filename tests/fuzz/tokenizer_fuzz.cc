// The tokenizer over arbitrary bytes. The first bytes choose the options,
// the keywords and a short list of operations; the rest is the text. Every
// token is checked against the line it came from and against the type and
// length that the tokenizing rules give there (a plain re-reading of them,
// without the keyword index), the tokens of a line must cover everything
// but white space, and the echo must reproduce the text with its line ends
// normalised.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "framework/text/input_assist.h"
#include "fuzz_util.h"

namespace {

struct TKeyword {
  const char* Text;
  bool CaseSensitive;
  bool WholeWord;
};

// Shared prefixes, case-insensitive entries and ones that match inside words.
const TKeyword kKeywords[] = {
    {"class", true, true},  {"::", true, false},     {"#", true, false},   {"//", true, false},
    {"$PORT", false, true}, {"$PORTS", false, true}, {"void", true, true}, {"TOLVANE_", false, false},
};
const char* const kSeekTexts[] = {"*/", "\"", "x", "", "//", "\r"};
const int kWidths[] = {0, 39, 70, 200};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool AllSpace(std::string_view text) {
  for (char c : text)
    if (!IsSpace(c)) return false;
  return true;
}

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return strncmpi(std::string(a).c_str(), std::string(b).c_str(), static_cast<unsigned>(a.size())) == 0;
}

bool KeywordMatches(const TInputAssistant& ia, const TTokenDescr& entry, std::string_view rest) {
  if (!entry.Enabled || entry.Length > rest.size()) return false;
  std::string_view text(entry.Text, entry.Length);
  std::string_view here = rest.substr(0, entry.Length);
  if (entry.CaseSensitive ? here != text : !SameNoCase(here, text)) return false;
  return !entry.WholeWord || entry.Length == rest.size() || !ia.IsAlphaNumeric(rest[entry.Length]);
}

// The type and length of the token that the rules give for the rest of a
// line (which starts with no white space): literals first, then the first
// keyword in table order, then punctuation, then the longest word.
std::pair<int, std::size_t> ExpectedToken(const TInputAssistant& ia, std::string_view rest) {
  auto literal = [&](char quote, std::size_t from, int closed, int open) -> std::pair<int, std::size_t> {
    for (std::size_t i = from; i < rest.size(); ++i) {
      if (rest[i] == '\\' && i + 1 < rest.size() && rest[i + 1] == quote)
        ++i;
      else if (rest[i] == quote)
        return {closed, i + 1};
    }
    return {open, rest.size()};
  };
  // The character after an opening apostrophe is taken whatever it is.
  if (ia.CharLiterals && rest[0] == '\'') return literal('\'', 2, ttCharLiteral, ttOpenCharLiteral);
  if (ia.StringLiterals && rest[0] == '"') return literal('"', 1, ttStringLiteral, ttOpenStringLiteral);
  for (std::size_t k = 0; k < ia.Tokens.size(); ++k)
    if (KeywordMatches(ia, ia.Tokens[k], rest))
      return {ttFirstKeyword + static_cast<int>(k), ia.Tokens[k].Length};
  if (ia.SplitPunctuation && !ia.IsAlphaNumeric(rest[0])) return {ttNonAlphaNum, 1};
  std::size_t n = 0;
  while (n < rest.size() && !IsSpace(rest[n]) && (!ia.SplitPunctuation || ia.IsAlphaNumeric(rest[n]))) ++n;
  return {ttGeneral, n};
}

// What must hold of the current token, whatever produced it. A keyword
// disabled after it was matched stays current: fresh is false then.
void CheckToken(const TInputAssistant& ia, bool fresh = true) {
  FUZZ_CHECK(ia.LineLength == static_cast<int>(ia.Line.size()));
  FUZZ_CHECK(ia.Position >= 0 && ia.Position <= ia.LineLength);
  if (ia.EndOfInput) {
    // NextLine that meets the end still runs NextToken, which with
    // end-of-line tokens on leaves an end-of-line token behind.
    FUZZ_CHECK(ia.Token.empty() && (ia.TokenType == ttNone || (ia.EolTokens && ia.TokenType == ttEndOfLine)));
    return;
  }
  FUZZ_CHECK(ia.TokenType != ttNone);
  FUZZ_CHECK(ia.TokenIndex >= 1);
  const std::size_t pos = static_cast<std::size_t>(ia.Position);
  const std::string_view rest = ia.Line.substr(pos);
  const std::string_view token = ia.Token;
  if (ia.TokenType == ttEndOfLine) {
    FUZZ_CHECK(ia.EolTokens && token.empty() && pos == ia.Line.size());
    return;
  }
  FUZZ_CHECK(!token.empty() && token.size() <= rest.size());
  if (fresh && ia.TokenType != ttSeekFound) {
    auto [type, length] = ExpectedToken(ia, rest);
    FUZZ_CHECK(ia.TokenType == type && token.size() == length);
  }
  if (ia.TokenType >= ttFirstKeyword) {
    std::size_t index = static_cast<std::size_t>(ia.TokenType - ttFirstKeyword);
    FUZZ_CHECK(index < ia.Tokens.size());
    const TTokenDescr& entry = ia.Tokens[index];
    FUZZ_CHECK((entry.Enabled || !fresh) && token == std::string_view(entry.Text, entry.Length));
    std::string_view source = rest.substr(0, token.size());
    FUZZ_CHECK(entry.CaseSensitive ? source == token : SameNoCase(source, token));
    if (entry.WholeWord && token.size() < rest.size()) FUZZ_CHECK(!ia.IsAlphaNumeric(rest[token.size()]));
    return;
  }
  FUZZ_CHECK(rest.substr(0, token.size()) == token);
  switch (ia.TokenType) {
  case ttCharLiteral:
    FUZZ_CHECK(ia.CharLiterals && token.size() >= 3 && token.front() == '\'' && token.back() == '\'');
    break;
  case ttOpenCharLiteral:
    FUZZ_CHECK(ia.CharLiterals && token.front() == '\'' && token == rest);
    break;
  case ttStringLiteral:
    FUZZ_CHECK(ia.StringLiterals && token.size() >= 2 && token.front() == '"' && token.back() == '"');
    break;
  case ttOpenStringLiteral:
    FUZZ_CHECK(ia.StringLiterals && token.front() == '"' && token == rest);
    break;
  case ttNonAlphaNum:
    FUZZ_CHECK(ia.SplitPunctuation && token.size() == 1 && !ia.IsAlphaNumeric(token[0]) &&
               !IsSpace(token[0]));
    break;
  case ttSeekFound:
    break;
  case ttGeneral:
    for (char c : token) FUZZ_CHECK(!IsSpace(c) && (!ia.SplitPunctuation || ia.IsAlphaNumeric(c)));
    // The word is the longest such run.
    if (token.size() < rest.size()) {
      char next = rest[token.size()];
      FUZZ_CHECK(IsSpace(next) || (ia.SplitPunctuation && !ia.IsAlphaNumeric(next)));
    }
    break;
  default:
    FUZZ_CHECK(false);
  }
}

void CheckFind(const TInputAssistant& ia, std::string_view text) {
  int at = ia.Find(text);
  if (at < 0) {
    FUZZ_CHECK(ia.Line.find(text, static_cast<std::size_t>(ia.Position)) == std::string_view::npos);
    return;
  }
  FUZZ_CHECK(at >= ia.Position && ia.Line.substr(static_cast<std::size_t>(at), text.size()) == text);
  FUZZ_CHECK(ia.Line.find(text, static_cast<std::size_t>(ia.Position)) == static_cast<std::size_t>(at));
}

void CheckLineState(TInputAssistant& ia, bool withNumber, int width) {
  std::ostringstream os;
  ia.PrintLineState(os, withNumber, width);
  std::string text = os.str();
  std::size_t first = text.find('\n');
  FUZZ_CHECK(first != std::string::npos && first + 1 < text.size());
  std::string caretLine = text.substr(first + 1);
  FUZZ_CHECK(caretLine.find('\n') == caretLine.size() - 1);
  FUZZ_CHECK(caretLine.size() >= 2 && caretLine[caretLine.size() - 2] == '^');
  FUZZ_CHECK(AllSpace(caretLine.substr(0, caretLine.size() - 2)));
  int w = (width < 40 ? 40 : width) - (withNumber ? 7 : 0);
  // The visible part of the line never exceeds the width plus the marks.
  FUZZ_CHECK(first <= static_cast<std::size_t>(w + (withNumber ? 7 : 0) + 6) + (withNumber ? 16 : 0));
  for (std::size_t i = 0; i < first; ++i) FUZZ_CHECK(text[i] >= 0x20 && text[i] <= 0x7E);

  // Exactly: the printable line, cut to the width around the caret.
  const int position = ia.Position;
  const bool cutLeft = position > w - 20;
  const std::size_t from = cutLeft ? static_cast<std::size_t>(position - w + 20) : 0;
  std::string shown(ia.Line.substr(std::min(from, ia.Line.size())));
  for (char& c : shown)
    if (c < 0x20 || c > 0x7E) c = ' ';
  const bool cutRight = shown.size() > static_cast<std::size_t>(w);
  if (cutRight) shown.resize(static_cast<std::size_t>(w));
  std::string expected;
  if (withNumber) {
    char number[32];
    std::snprintf(number, sizeof number, "%5d: ", ia.LineNumber);
    expected += number;
  }
  expected += (cutLeft ? "..." : "") + shown + (cutRight ? "...\n" : "\n");
  expected += std::string(withNumber ? 7 : 0, ' ') + (cutLeft ? "   " : "");
  expected += std::string(static_cast<std::size_t>(position) - from, ' ') + "^\n";
  FUZZ_CHECK(text == expected);
}

// Tracks the stretch of the current line covered by tokens so far, so that
// a line's tokens provably skip nothing but white space.
class TCoverage {
public:
  // Called after each NextToken; sequential is false after a jump (Seek).
  void After(const TInputAssistant& ia) {
    if (!Valid) {
      Start(ia);
      return;
    }
    if (ia.LineNumber != LineNumber) {
      FUZZ_CHECK(AllSpace(LastLine.substr(End)));
      Start(ia);
      return;
    }
    std::size_t pos = static_cast<std::size_t>(ia.Position);
    FUZZ_CHECK(pos >= End && AllSpace(ia.Line.substr(End, pos - End)));
    End = pos + ia.Token.size();
  }
  // Forgets the line; jumped: the current line was entered part-way, so its
  // start is not checked.
  void Reset(const TInputAssistant& ia, bool jumped) {
    Valid = false;
    JumpLine = jumped ? ia.LineNumber : -1;
  }

private:
  void Start(const TInputAssistant& ia) {
    if (ia.EndOfInput) {
      Valid = false;
      return;
    }
    std::size_t pos = static_cast<std::size_t>(ia.Position);
    if (ia.LineNumber != JumpLine) FUZZ_CHECK(AllSpace(ia.Line.substr(0, pos)));
    Valid = true;
    LineNumber = ia.LineNumber;
    LastLine = ia.Line;
    End = pos + ia.Token.size();
  }
  bool Valid = false;
  int LineNumber = 0;
  int JumpLine = -1;
  std::string_view LastLine;
  std::size_t End = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint8_t options = data[0];
  const std::uint8_t keywordMask = data[1];
  std::size_t opCount = data[2] % 48u;
  if (3 + opCount > size) opCount = size - 3;
  const std::uint8_t* ops = data + 3;
  std::string_view text(reinterpret_cast<const char*>(data + 3 + opCount), size - 3 - opCount);

  TInputAssistant ia;
  ia.EolTokens = options & 1;
  ia.CharLiterals = options & 2;
  ia.StringLiterals = options & 4;
  ia.SplitPunctuation = options & 8;
  ia.UnderscoreAlnum = options & 16;
  TOutText echo;
  echo.SetSource(text);
  if (options & 32) ia.Echo = &echo;
  ia.ClearTokens();
  for (unsigned i = 0; i < 8; ++i)
    if (keywordMask & (1u << i))
      ia.AddToken(kKeywords[i].Text, kKeywords[i].CaseSensitive, kKeywords[i].WholeWord);

  ia.Connect(text);
  // Line 1, or more when line ends run together without end-of-line tokens.
  FUZZ_CHECK(ia.LineNumber >= 1 && (ia.EolTokens ? ia.LineNumber == 1 : true));
  CheckToken(ia);
  TCoverage coverage;
  coverage.After(ia);

  bool fresh = true;
  for (std::size_t i = 0; i < opCount && !ia.EndOfInput; ++i) {
    unsigned op = ops[i] & 7u;
    unsigned arg = ops[i] >> 3;
    if (op <= 3) fresh = true;
    switch (op) {
    case 0:
    case 1:
      ia.NextToken();
      coverage.After(ia);
      break;
    case 2: {
      int before = ia.LineNumber;
      ia.NextLine();
      FUZZ_CHECK(ia.LineNumber > before);
      coverage.Reset(ia, false);
      coverage.After(ia);
      break;
    }
    case 3: {
      const char* sought = kSeekTexts[arg % 6];
      ia.Seek(sought);
      if (!ia.EndOfInput) FUZZ_CHECK(ia.TokenType == ttSeekFound && ia.Token == sought);
      coverage.Reset(ia, true);
      break;
    }
    case 4:
      CheckFind(ia, kSeekTexts[arg % 6]);
      break;
    case 5:
      CheckLineState(ia, arg & 1, kWidths[(arg >> 1) % 4]);
      break;
    case 6:
      if (!ia.Tokens.empty()) {
        const char* keyword = ia.Tokens[arg % ia.Tokens.size()].Text;
        FUZZ_CHECK(ia.GetTokenDescr(keyword) != nullptr);
        if (arg & 16)
          ia.EnableToken(keyword);
        else
          ia.DisableToken(keyword);
      }
      fresh = false;
      break;
    case 7: {
      // Find looks at the current line only and changes nothing.
      int position = ia.Position;
      std::string_view token = ia.Token;
      CheckFind(ia, std::string_view(kKeywords[arg % 8].Text));
      FUZZ_CHECK(ia.Position == position && ia.Token == token);
      break;
    }
    }
    CheckToken(ia, fresh);
  }

  // Read to the end: every call must make progress.
  std::size_t budget = 4 * text.size() + 16;
  while (!ia.EndOfInput) {
    FUZZ_CHECK(budget-- > 0);
    ia.NextToken();
    CheckToken(ia);
    coverage.After(ia);
  }
  if (ia.Echo) FUZZ_CHECK(echo.Flatten() == NormaliseLineEnds(text));
  return 0;
}
