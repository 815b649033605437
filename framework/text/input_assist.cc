#include "framework/text/input_assist.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <sstream>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "framework/text/char_class.h"

namespace {

// Character classes by table: one load per character instead of a chain of
// comparisons. The underscore is alphanumeric only while UnderscoreAlnum is
// on, so it is left out of the table and tested by the callers.
enum : unsigned char { kSpace = 1, kAlnum = 2 };

constexpr std::array<unsigned char, 256> MakeClasses(bool underscoreAlnum) {
  std::array<unsigned char, 256> classes{};
  for (std::size_t i = 0; i < classes.size(); ++i) {
    char c = static_cast<char>(i);
    if (IsSpaceChar(c)) classes[i] = kSpace;
    if (IsAlnumChar(c) || (underscoreAlnum && c == '_')) classes[i] = kAlnum;
  }
  return classes;
}

constexpr std::array<unsigned char, 256> kClasses = MakeClasses(false);
// The same with the underscore a word character: the tokenizer's word scan
// picks one of the two by UnderscoreAlnum, so it needs no second test.
constexpr std::array<unsigned char, 256> kClassesUnderscore = MakeClasses(true);

bool IsSpace(char c) { return kClasses[static_cast<unsigned char>(c)] & kSpace; }

// How a keyword's text relates to words, for the length filter of
// MatchKeyword: all letters and digits, letters and digits with at least one
// underscore, or anything else.
enum : std::uint8_t { kOtherText = 0, kPlainWord = 1, kUnderscoreWord = 2 };

std::uint8_t WordKind(const char* text, std::size_t length) {
  std::uint8_t kind = kPlainWord;
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] == '_')
      kind = kUnderscoreWord;
    else if (!(kClasses[static_cast<unsigned char>(text[i])] & kAlnum))
      return kOtherText;
  }
  return kind;
}

// c, or a blank where c would not print (tabs too, so that every character
// takes one column and the caret stands under its token).
char PrintableChar(char c) { return IsPrintableChar(c) ? c : ' '; }

// ASCII case changes; other bytes stay as they are.
char Upper(char c) { return IsLetterChar(c) && c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c; }
char Lower(char c) { return IsLetterChar(c) && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    // Unequal bytes match only as the two cases of one letter, which differ
    // in the 0x20 bit alone.
    if ((a[i] ^ b[i]) != 0x20 || !IsLetterChar(a[i])) return false;
  }
  return true;
}

// Byte equality without a library call: keywords are a few bytes long.
bool EqualBytes(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// Length of a literal that opens with quote at rest[0], its text looked at
// from index from on (past the opening quote, and past one more character
// where that one is taken unexamined); a backslash directly before a quote
// escapes it. Returns 0 when the line ends first.
std::size_t LiteralLength(std::string_view rest, char quote, std::size_t from) {
  std::size_t i = from;
  while (i < rest.size()) {
    if (rest[i] == '\\' && i + 1 < rest.size() && rest[i + 1] == quote) {
      i += 2;
    } else if (rest[i] == quote) {
      return i + 1;
    } else {
      ++i;
    }
  }
  return 0;
}

static_assert(std::endian::native == std::endian::little, "the word scan reads bytes as little-endian words");

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHigh = 0x8080808080808080ull;

// The high bit of each byte of y (all bytes below 0x80) that lies in
// [lo, hi]: adding 0x80 - lo carries into the high bit from lo on, adding
// 0x7F - hi from above hi; no byte carries into the next.
constexpr std::uint64_t InRange(std::uint64_t y, unsigned char lo, unsigned char hi) {
  return (y + (0x80u - lo) * kOnes) & ~(y + (0x7Fu - hi) * kOnes) & kHigh;
}

// The number of word characters (letters, digits, and the underscore when
// underscore is set) that text begins with, eight bytes at a time.
// Inlined into both forms of the tokenizer: it is their hottest loop.
[[gnu::always_inline]] inline std::size_t WordLength(std::string_view text, bool underscore) {
  const auto& classes = underscore ? kClassesUnderscore : kClasses;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t x;
    std::memcpy(&x, text.data() + i, 8);
    std::uint64_t y = x & ~kHigh; // bytes from 0x80 up are cut to ASCII, then ruled out
    std::uint64_t word = InRange(y, '0', '9') | InRange(y, 'A', 'Z') | InRange(y, 'a', 'z');
    if (underscore) word |= ~((y ^ ('_' * kOnes)) + 0x7F * kOnes) & kHigh;
    std::uint64_t other = ~(word & ~x) & kHigh;
    // The lowest byte comes first in memory.
    if (other) return i + static_cast<std::size_t>(std::countr_zero(other)) / 8;
  }
  while (i < text.size() && (classes[static_cast<unsigned char>(text[i])] & kAlnum)) ++i;
  return i;
}

// The first column from position on (below length) that is not white
// space, or length. Locals, so the loop keeps them in registers.
int SkipSpace(const char* text, int position, int length) {
  while (position < length && IsSpace(text[position])) ++position;
  return position;
}

// The first line feed or carriage return in [p, end), or end: one pass
// for both terminators, sixteen bytes at a time where SSE2 is there, then
// eight at a time (the rest of the text, or all of it elsewhere).
const char* FindLineEnd(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (; end - p >= 16; p += 16) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, lf), _mm_cmpeq_epi8(x, cr)));
    if (hits) return p + std::countr_zero(static_cast<unsigned>(hits));
  }
#endif
  for (; end - p >= 8; p += 8) {
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    // A byte equal to a terminator becomes zero in a or b. The zero-byte
    // test may also flag bytes after a true zero (by the borrow), never
    // before one, so the lowest flag is exact.
    std::uint64_t a = x ^ ('\n' * kOnes), b = x ^ ('\r' * kOnes);
    std::uint64_t hits = ((a - kOnes) & ~a & kHigh) | ((b - kOnes) & ~b & kHigh);
    if (hits) return p + std::countr_zero(hits) / 8;
  }
  while (p < end && *p != '\n' && *p != '\r') ++p;
  return p;
}

} // namespace

int strncmpi(const char* a, const char* b, unsigned n) {
  for (unsigned i = 0; i < n; ++i) {
    signed char ca = static_cast<signed char>(Upper(a[i]));
    signed char cb = static_cast<signed char>(Upper(b[i]));
    if (ca == 0 && cb == 0) return 0;
    if (ca == 0) return -1;
    if (cb == 0) return 1;
    if (ca < cb) return -1;
    if (ca > cb) return 1;
  }
  return 0;
}

void TInputAssistant::Connect(std::string_view text) {
  Input = text;
  Connected = true;
  ReadPos = 0;
  EofNoted = false;
  RawEnd.clear();
  // The line being left belongs to the text before: it is echoed without
  // reading past it.
  LoneLineFeed = false;
  GetLine();
  NextToken();
}

void TInputAssistant::Rewind() {
  if (Connected) {
    ReadPos = 0;
    EofNoted = false;
  }
  RawEnd.clear();
  LoneLineFeed = false;
  LineNumber = 0;
}

void TInputAssistant::GetLine() {
  if (Echo && LineNumber != 0 && !EndOfInput) {
    // A line ended by a lone line feed is echoed with it as one range of
    // the input; another terminator is made a line feed.
    if (LoneLineFeed) {
      Echo->AppendSource(std::string_view(Line.data(), Line.size() + 1));
    } else {
      Echo->AppendSource(Line);
      if (!LineEndedAtEof) Echo->push_back('\n');
    }
  }
  ++LineNumber;
  Line = {};
  Token = {};
  TokenIndex = 0;
  TokenType = ttNone;
  Position = 0;
  LineLength = 0;
  EndOfInput = false;
  if (!Connected || EofNoted) {
    EndOfInput = true;
    return;
  }
  LineEndedAtEof = false;
  LoneLineFeed = false;
  const char* begin = Input.data() + ReadPos;
  const char* end = Input.data() + Input.size();
  const char* p = FindLineEnd(begin, end);
  Line = std::string_view(begin, static_cast<std::size_t>(p - begin));
  LineLength = static_cast<int>(Line.size());
  if (p == end) {
    // The line ends with the input: a look-ahead (or the read itself) met
    // the end, so the next GetLine finds no further line.
    LineEndedAtEof = true;
    EofNoted = true;
    ReadPos = Input.size();
    return;
  }
  char other = *p == '\n' ? '\r' : '\n';
  if (p + 1 < end && p[1] == other) {
    // A two-character terminator: its second character is taken without a
    // look-ahead, so the end of the input is not noted yet.
    ReadPos = static_cast<std::size_t>(p + 2 - Input.data());
  } else {
    LoneLineFeed = *p == '\n';
    ReadPos = static_cast<std::size_t>(p + 1 - Input.data());
    EofNoted = ReadPos == Input.size();
  }
}

// Whether an entry of the table could match a token that begins with first
// followed by wordLength - 1 more alphanumeric characters. A keyword made of
// word characters begins with one, so it never matches where wordLength is 0.
bool TInputAssistant::MayBeKeyword(char first, std::size_t wordLength) const {
  auto c = static_cast<unsigned char>(first);
  std::size_t u = UnderscoreAlnum ? 1 : 0;
  if (OtherKeywords[u][c]) return true;
  if (wordLength == 0) return false;
  return (WordLengths[u][c] >> std::min<std::size_t>(wordLength, 63)) & 1;
}

// wordLength: the number of alphanumeric characters that rest begins with.
// A whole-word keyword made of such characters can only match a word of
// exactly its length, so most candidates are passed over without comparing.
int TInputAssistant::MatchKeyword(std::string_view rest, std::size_t wordLength) const {
  for (TKeywordRef ref : ByFirstChar[static_cast<unsigned char>(rest[0])]) {
    if (ref.Length > rest.size()) continue;
    bool wordText = ref.Kind == kPlainWord || (ref.Kind == kUnderscoreWord && UnderscoreAlnum);
    if (ref.WholeWord && wordText && ref.Length != wordLength) continue;
    const TTokenDescr& t = Tokens[ref.Index];
    if (!t.Enabled) continue;
    bool equal = t.CaseSensitive ? EqualBytes(rest.data(), t.Text, t.Length)
                                 : EqualNoCase(rest.data(), t.Text, t.Length);
    if (!equal) continue;
    if (t.WholeWord && t.Length < rest.size() && IsAlphaNumeric(rest[t.Length])) continue;
    return ref.Index;
  }
  return -1;
}

template <bool kModern> bool TInputAssistant::NextTokenOf() {
  if constexpr (kModern) {
    if (!RawEnd.empty()) {
      ContinueRawString();
      return !EndOfInput;
    }
  }
  if (TokenType == ttEndOfLine) {
    GetLine();
    if (EndOfInput) return false;
  }
  if (TokenType != ttNone) Position += static_cast<int>(Token.size());
  TokenType = ttNone;
  for (;;) {
    Token = {};
    Position = SkipSpace(Line.data(), Position, LineLength);
    if (Position >= LineLength) {
      if (EolTokens) {
        TokenType = ttEndOfLine;
        break;
      }
      GetLine();
      if (EndOfInput) break;
      continue;
    }
    std::string_view rest = Line.substr(static_cast<std::size_t>(Position));
    char first = rest[0];
    // One lookup tells a word from the rest; only a word's length is
    // scanned, since only words can be keywords of word characters.
    bool word = (UnderscoreAlnum ? kClassesUnderscore : kClasses)[static_cast<unsigned char>(first)] & kAlnum;
    std::size_t wordLength = word ? WordLength(rest, UnderscoreAlnum) : 0;
    if constexpr (kModern) {
      // Only a number, a raw string's prefix or a quote can start a token
      // the modern literals read otherwise.
      bool number = word && IsDigitChar(first);
      bool prefix = word && wordLength < rest.size() && rest[wordLength] == '"';
      if ((number || prefix) && ModernWordToken(rest, wordLength)) break;
      if (!word && (first == '\'' || first == '"') && ModernQuotedToken(rest)) break;
    }
    if (!word && CharLiterals && first == '\'') {
      std::size_t n = rest.size() < 2 ? 0 : LiteralLength(rest, '\'', 2);
      Token = n ? rest.substr(0, n) : rest;
      TokenType = n ? ttCharLiteral : ttOpenCharLiteral;
    } else if (!word && StringLiterals && first == '"') {
      std::size_t n = LiteralLength(rest, '"', 1);
      Token = n ? rest.substr(0, n) : rest;
      TokenType = n ? ttStringLiteral : ttOpenStringLiteral;
    } else if (int k = MayBeKeyword(first, wordLength) ? MatchKeyword(rest, wordLength) : -1; k >= 0) {
      Token = std::string_view(Tokens[k].Text, Tokens[k].Length);
      TokenType = ttFirstKeyword + k;
    } else if (SplitPunctuation && !word) {
      Token = rest.substr(0, 1);
      TokenType = ttNonAlphaNum;
    } else {
      // With SplitPunctuation a word is the alphanumeric run; without, it
      // runs to the next white space.
      std::size_t n = SplitPunctuation ? wordLength : 1;
      if (!SplitPunctuation)
        while (n < rest.size() && !IsSpace(rest[n])) ++n;
      Token = rest.substr(0, n);
      TokenType = ttGeneral;
    }
    break;
  }
  if (TokenType != ttNone) ++TokenIndex;
  return !EndOfInput;
}

bool TInputAssistant::ModernWordToken(std::string_view rest, std::size_t wordLength) {
  if (IsDigitChar(rest[0])) {
    // Separators join the digit groups of a number into one word.
    std::size_t n = wordLength;
    // (A plain loop: the word scan stays inlined in NextToken alone.)
    while (n + 1 < rest.size() && rest[n] == '\'' && IsAlphaNumeric(rest[n + 1]))
      for (n += 1; n < rest.size() && IsAlphaNumeric(rest[n]); ++n) {
      }
    if (n == wordLength) return false;
    Token = rest.substr(0, n);
    TokenType = ttGeneral;
    return true;
  }
  std::string_view prefix = rest.substr(0, wordLength);
  if (wordLength >= rest.size() || rest[wordLength] != '"' ||
      (prefix != "R" && prefix != "LR" && prefix != "uR" && prefix != "UR" && prefix != "u8R"))
    return false;
  // The delimiter: at most 16 characters up to "(", none of them a blank,
  // a backslash or a parenthesis.
  const std::size_t kMaxDelimiter = 16;
  std::size_t open = wordLength + 1;
  while (open < rest.size() && open - wordLength - 1 <= kMaxDelimiter && rest[open] != '(' &&
         rest[open] != ')' && rest[open] != '\\' && !IsSpace(rest[open]) && rest[open] != '"')
    ++open;
  if (open >= rest.size() || rest[open] != '(' || open - wordLength - 1 > kMaxDelimiter) return false;
  std::string end = ")";
  end.append(rest.substr(wordLength + 1, open - wordLength - 1));
  end += '"';
  TokenType = ttStringLiteral;
  std::size_t close = rest.find(end, open + 1);
  if (close != std::string_view::npos) {
    Token = rest.substr(0, close + end.size());
    return true;
  }
  // The string goes on over the lines after this one.
  Token = rest;
  RawEnd = std::move(end);
  return true;
}

bool TInputAssistant::ModernQuotedToken(std::string_view rest) {
  char quote = rest[0];
  if (!(quote == '\'' && CharLiterals) && !(quote == '"' && StringLiterals)) return false;
  std::size_t i = 1;
  while (i < rest.size() && rest[i] != quote) i += rest[i] == '\\' ? 2 : 1;
  bool closed = i < rest.size();
  Token = closed ? rest.substr(0, i + 1) : rest;
  TokenType = quote == '"' ? (closed ? ttStringLiteral : ttOpenStringLiteral)
                           : (closed ? ttCharLiteral : ttOpenCharLiteral);
  return true;
}

void TInputAssistant::ContinueRawString() {
  std::string end = std::move(RawEnd);
  RawEnd.clear();
  Position = LineLength;
  Seek(end);
  if (EndOfInput) return;
  Token = Line.substr(static_cast<std::size_t>(Position), end.size());
  TokenType = ttStringLiteral;
  TokenIndex = 2; // the tail of a literal, not the first token of a line
}

template bool TInputAssistant::NextTokenOf<false>();
template bool TInputAssistant::NextTokenOf<true>();

void TInputAssistant::NextLine() {
  GetLine();
  NextToken();
}

void TInputAssistant::Seek(std::string_view text) {
  while (!EndOfInput) {
    if (Position >= LineLength) {
      GetLine();
      continue;
    }
    std::size_t at =
        text.empty() ? std::string_view::npos : Line.find(text, static_cast<std::size_t>(Position));
    if (at == std::string_view::npos) {
      Position = LineLength;
      continue;
    }
    Position = static_cast<int>(at);
    Token = Line.substr(at, text.size());
    TokenType = ttSeekFound;
    TokenIndex = 1;
    return;
  }
}

bool TInputAssistant::SkipBlockComment() {
  Seek("*/");
  if (EndOfInput) return false;
  NextToken();
  return true;
}

int TInputAssistant::Find(std::string_view text) const {
  if (Position < 0 || Position > LineLength) return -1;
  std::size_t at = Line.find(text, static_cast<std::size_t>(Position));
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

void TInputAssistant::ClearTokens() {
  Tokens.clear();
  IndexTokens();
}

void TInputAssistant::AddToken(const char* text, bool caseSensitive, bool wholeWord) {
  TTokenDescr t;
  t.Text = text;
  t.Length = static_cast<unsigned>(std::strlen(text));
  t.CaseSensitive = caseSensitive;
  t.WholeWord = wholeWord;
  Tokens.push_back(t);
  IndexEntry(Tokens.size() - 1); // the last entry: the lists stay in table order
}

void TInputAssistant::IndexTokens() {
  for (auto& list : ByFirstChar) list.clear();
  for (auto& lengths : WordLengths) lengths.fill(0);
  for (auto& other : OtherKeywords) other.fill(false);
  for (std::size_t i = 0; i < Tokens.size(); ++i) IndexEntry(i);
}

void TInputAssistant::IndexEntry(std::size_t i) {
  const TTokenDescr& t = Tokens[i];
  // An empty keyword can never match a token, which has at least one
  // character; it is left out of the index.
  if (t.Length == 0) return;
  unsigned char c = static_cast<unsigned char>(t.Text[0]);
  TKeywordRef id{static_cast<std::uint16_t>(i), WordKind(t.Text, t.Length), t.WholeWord, t.Length};
  auto add = [&](unsigned char first) {
    ByFirstChar[first].push_back(id);
    for (std::size_t u = 0; u < 2; ++u) {
      bool word = t.WholeWord && (id.Kind == kPlainWord || (id.Kind == kUnderscoreWord && u == 1));
      if (word)
        WordLengths[u][first] |= std::uint64_t{1} << std::min<unsigned>(t.Length, 63);
      else
        OtherKeywords[u][first] = true;
    }
  };
  add(c);
  if (!t.CaseSensitive) {
    auto other =
        static_cast<unsigned char>(Upper(t.Text[0]) == t.Text[0] ? Lower(t.Text[0]) : Upper(t.Text[0]));
    if (other != c) add(other);
  }
}

int TInputAssistant::FindEntry(const char* text) const {
  std::size_t n = std::strlen(text);
  for (std::size_t i = 0; i < Tokens.size(); ++i) {
    const TTokenDescr& t = Tokens[i];
    if (t.Length != n) continue;
    bool equal = t.CaseSensitive ? std::memcmp(t.Text, text, n) == 0
                                 : strncmpi(t.Text, text, static_cast<unsigned>(n)) == 0;
    if (equal) return static_cast<int>(i);
  }
  return -1;
}

int TInputAssistant::GetTokenType(const char* text) const {
  int i = FindEntry(text);
  return i < 0 ? 0 : ttFirstKeyword + i;
}

TTokenDescr* TInputAssistant::GetTokenDescr(const char* text) {
  int i = FindEntry(text);
  return i < 0 ? nullptr : &Tokens[static_cast<std::size_t>(i)];
}

void TInputAssistant::DisableToken(const char* text) {
  if (TTokenDescr* t = GetTokenDescr(text)) t->Enabled = false;
}

void TInputAssistant::EnableToken(const char* text) {
  if (TTokenDescr* t = GetTokenDescr(text)) t->Enabled = true;
}

void TInputAssistant::ReplaceToken(const char* oldText, const char* newText) {
  if (TTokenDescr* t = GetTokenDescr(oldText)) {
    t->Text = newText;
    IndexTokens();
  }
}

void TInputAssistant::MakePrintable() {
  Printable.assign(Line);
  for (char& c : Printable) c = PrintableChar(c);
}

namespace {
// The narrowest window a report shows, line number included.
const int kMinReportWidth = 40;
// The line number takes five columns and ": " before the line.
const int kLineNumberWidth = 7;
// A window cut on the left shows this many columns from the token on.
const int kColumnsFromToken = 20;
} // namespace

void TInputAssistant::PrintLineState(std::ostream& os, bool withLineNumber, int width) {
  int w = width < kMinReportWidth ? kMinReportWidth : width;
  if (withLineNumber) w -= kLineNumberWidth;
  bool cutLeft = Position > w - kColumnsFromToken;
  int first = cutLeft ? Position - w + kColumnsFromToken : 0;
  int count = LineLength - first;
  bool cutRight = count > w;
  if (cutRight) count = w;
  if (count < 0) count = 0;
  if (withLineNumber) {
    char number[16];
    std::snprintf(number, sizeof number, "%5d", LineNumber);
    os << number << ": ";
  }
  if (cutLeft) os << "...";
  // Only the shown window is made printable: a report on a long line costs
  // the window, not the line.
  if (count > 0) {
    std::string window(Line.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
    for (char& c : window) c = PrintableChar(c);
    os << window;
  }
  if (cutRight) os << "...";
  os << "\n";
  if (withLineNumber) os << std::string(kLineNumberWidth, ' ');
  if (cutLeft) os << "   ";
  if (Position > first) os << std::string(static_cast<std::size_t>(Position - first), ' ');
  os << "^\n";
}

TDiagnostic TInputAssistant::Diagnose(TDiagnostic::TKind kind, std::string_view message) {
  TDiagnostic d;
  d.Kind = kind;
  d.Message = message;
  d.Line = LineNumber;
  d.FileLine = LineNumber;
  d.Column = Position + 1;
  std::ostringstream state;
  PrintLineState(state, true, kReportWidth);
  d.LineState = state.str();
  return d;
}
