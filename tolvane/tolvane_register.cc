// The Register() body: earlier generated lines (ending in the marker) are
// dropped, user registrations noted, and one aligned line is written per
// member that still wants one, before the body's closing brace.
#include "framework/text/names.h"
#include "tolvane/register_scan.h"
#include "tolvane/tolvane_messages.h"

#include <algorithm>
#include <cstring>

using namespace tolvane_msg;

namespace {

// Views, so that each comparison with a token needs no strlen.
constexpr std::string_view kRegKeywords[] = {"Reg", "reg", "regn", "rega", "regb", "regab"};

// At most this many fill blanks align a line with the longest one.
const std::size_t kMaxFill = 32;

bool IsRegKeyword(std::string_view token) {
  return std::find(std::begin(kRegKeywords), std::end(kRegKeywords), token) != std::end(kRegKeywords);
}

// The call prefixes of one body, all of one width so that the names line up.
struct TPrefixes {
  std::string Reg = "reg( ", RegA = "rega( ", RegB = "regb( ", RegAB = "regab( ";

  explicit TPrefixes(const std::vector<const TMemberDescr*>& members) {
    bool anyArrayOrBus = false, anyBoth = false;
    for (const TMemberDescr* m : members) {
      anyArrayOrBus = anyArrayOrBus || m->IsArray || m->IsBus;
      anyBoth = anyBoth || (m->IsArray && m->IsBus);
    }
    if (anyBoth) {
      Reg += "  ";
      RegA += " ";
      RegB += " ";
    } else if (anyArrayOrBus) {
      Reg += " ";
    }
  }
  const std::string& For(const TMemberDescr& m) const {
    return m.IsArray ? (m.IsBus ? RegAB : RegA) : (m.IsBus ? RegB : Reg);
  }
};

// One generated line: a member's registration or an include text.
struct TLine {
  const TMemberDescr* Member = nullptr; // else Include
  const TIncludeDescr* Include = nullptr;
  std::size_t Length = 0; // of the text before the fill and the tail
};

// Hands the pieces of a line's text, in order, to use: the line is both
// measured and written from this one description.
template <class TUse> void ForEachPiece(const TLine& line, const TPrefixes& prefixes, TUse use) {
  if (!line.Member) return use(std::string_view(line.Include->Text));
  const TMemberDescr& m = *line.Member;
  use(std::string_view(prefixes.For(m)));
  use(std::string_view(m.Name));
  if (m.IsArray) {
    use(std::string_view(", "));
    use(std::string_view(m.ArraySize));
  }
  if (m.IsBus) {
    use(std::string_view(", "));
    use(std::string_view(m.BusArg1));
    use(std::string_view(", "));
    use(std::string_view(m.BusArg2));
  }
}

// The lines in output order, measured: members, with each include before
// the first member declared after it.
std::vector<TLine> OrderLines(const std::vector<const TMemberDescr*>& members,
                              const std::vector<TIncludeDescr>& includes, const TPrefixes& prefixes) {
  std::vector<TLine> lines;
  lines.reserve(members.size() + includes.size());
  auto add = [&](TLine line) {
    ForEachPiece(line, prefixes, [&](std::string_view piece) { line.Length += piece.size(); });
    lines.push_back(line);
  };
  std::size_t next = 0;
  for (const TMemberDescr* m : members) {
    for (; next < includes.size() && includes[next].LineNumber <= m->LineNumber; ++next)
      add({nullptr, &includes[next]});
    add({m, nullptr});
  }
  for (; next < includes.size(); ++next) add({nullptr, &includes[next]});
  return lines;
}

} // namespace

void TRegisterScan::MarkUserRegistration(std::string_view name) {
  auto mark = [this](std::size_t i) {
    TMemberDescr& m = Members[i];
    m.UserRegistered = true;
    if (m.RegistrationOn && !m.ArrayUnresolved && (m.IsArray || m.IsBus)) Warning(UserRegistered(m.Name));
  };
  // A body with few user registrations looks its names up in the members
  // directly; the index pays only where there are many. Marking a member a
  // second time changes nothing, so both visit the same members to the
  // same effect, and warn in the same order.
  if (!MemberIndexBuilt && ++UserRegistrations <= kLinearRegistrations) {
    for (std::size_t i = 0; i < Members.size(); ++i)
      if (Members[i].Name == name) mark(i);
    return;
  }
  if (!MemberIndexBuilt) {
    MemberIndex.Build(Members);
    MemberIndexBuilt = true;
  }
  MemberIndex.Lookup(name, mark);
}

void TRegisterScan::WarnIgnoredIncludes(std::string (*message)(int line)) {
  for (const TIncludeDescr& include : Includes) Warning(message(include.LineNumber));
}

void TRegisterScan::Tok_Virtual() {
  if (ClassDepth == 0) {
    Tok_SkipDecl();
    return;
  }
  if (Modern) {
    NextModernToken();
    if (IA.Token != "void")
      Tok_SkipDecl();
    else if (ReadModernRegisterHead())
      RegenerateBody();
    return;
  }
  if (SkipDeclUnlessToken("void")) return;
  if (ReadRegisterHead(false)) RegenerateBody();
}

void TRegisterScan::Tok_Void() {
  if (ClassDepth == 0) {
    std::string qualifier;
    if (!Modern)
      Tok_SkipDecl();
    else if (ReadOutOfLineHead(qualifier))
      RegenerateOutOfLine(qualifier);
    return;
  }
  if (Modern ? ReadModernRegisterHead() : ReadRegisterHead(true)) RegenerateBody();
}

// With "void" current, reads "Register ( )", then "override" and "final",
// each at most once and in either order, up to the "{", which it leaves
// current. needSpecifier: without "virtual" in front, one of the two words
// must stand there. Any other token, where the head goes on or at its end,
// makes the method an ordinary declaration, skipped from that token on:
// the tokens read before it are words and punctuation that the skip would
// have passed over alike.
bool TRegisterScan::ReadRegisterHead(bool needSpecifier) {
  for (const char* text : {"Register", "(", ")"})
    if (SkipDeclUnlessToken(text)) return false;
  bool isOverride = false, isFinal = false;
  for (;;) {
    IA.NextToken();
    if (!isOverride && IA.Token == "override")
      isOverride = true;
    else if (!isFinal && IA.Token == "final")
      isFinal = true;
    else
      break;
  }
  if (IA.Token == "{" && (!needSpecifier || isOverride || isFinal)) return true;
  Tok_SkipDecl();
  return false;
}

// The body of Register(), its "{" current: regenerated, or left as it is
// when its form does not allow it.
void TRegisterScan::RegenerateBody() {
  RegisterFound = true;
  int braceLine = IA.LineNumber;
  Result.HeadBraceLines.push_back(braceLine);
  CheckBrace();
  int bodyDepth = BraceDepth;
  // Comments behind the "{" are read here, so their directives act.
  while (IA.LineNumber == braceLine && CheckComment())
    if (ErrorFlag) return;

  if (!AnyMemberWantsRegistration() && Includes.empty()) {
    PopBrace(); // nothing to generate: the body stays as it is
    Members.clear();
    return;
  }
  if (IA.LineNumber == braceLine && !IA.EndOfInput) {
    Warning(kOpenBraceNotLast);
    AbandonBody(bodyDepth, false);
    return;
  }
  ScanRegisterBody(bodyDepth);
  if (ErrorFlag) return;
  if (IA.TokenIndex != 1 || BraceDepth < bodyDepth) {
    // The earlier generated lines are gone; nothing new is written.
    NoteBody(braceLine, {});
    if (!Includes.empty() ||
        std::any_of(Members.begin(), Members.end(), [](const TMemberDescr& m) { return !m.UserRegistered; }))
      Warning(kCloseBraceNotFirst);
    AbandonBody(bodyDepth, true);
    return;
  }
  GenerateRegistrations();
  NoteBody(braceLine, RegisterText);
  Members.clear();
  CheckBrace();
}

namespace {

// The index of the first line in which old (lines as read, any line ends)
// and made (lines ended by line feeds) differ, line ends aside; -1 when
// they hold the same lines.
int FirstDifferentLine(std::string_view old, std::string_view made) {
  int line = 0;
  std::size_t o = 0, m = 0;
  while (o < old.size() || m < made.size()) {
    std::size_t end = LineEndLength(old, o);
    if (end != 0 && m < made.size() && made[m] == '\n') {
      o += end;
      ++m;
      ++line;
    } else if (end == 0 && o < old.size() && m < made.size() && old[o] == made[m] && made[m] != '\n') {
      ++o;
      ++m;
    } else {
      return line;
    }
  }
  return -1;
}

} // namespace

// The body's lines in the source and the new text, and the first line that
// changes. The lines dropped are compared line by line with the new ones
// only where they are one run that ends at the body's "}": elsewhere the
// new lines take another place, and the text changes from the first line
// dropped on.
void TRegisterScan::NoteBody(int braceLine, std::string_view made) {
  TBodyRange body;
  body.BraceLine = braceLine;
  body.CloseLine = IA.LineNumber;
  body.NewBraceLine = braceLine + LineShift;
  LineShift += static_cast<int>(std::count(made.begin(), made.end(), '\n')) - DroppedCount;
  body.NewCloseLine = body.CloseLine + LineShift;
  if (DroppedCount == 0) {
    body.FirstChange = made.empty() ? 0 : body.CloseLine;
  } else if (DroppedInOneRun && DroppedLines.data() + DroppedLines.size() == IA.Line.data()) {
    int line = FirstDifferentLine(DroppedLines, made);
    body.FirstChange = line < 0 ? 0 : FirstDroppedLine + line;
  } else {
    body.FirstChange = FirstDroppedLine;
  }
  Result.Bodies.push_back(body);
}

// Reads the body up to its closing brace: earlier generated lines are left
// out of the output, user registrations are noted.
void TRegisterScan::ScanRegisterBody(int bodyDepth) {
  MemberIndex.Clear();
  MemberIndexBuilt = false;
  UserRegistrations = 0;
  DroppedLines = {};
  DroppedInOneRun = true;
  DroppedCount = 0;
  FirstDroppedLine = 0;
  const std::string_view marker = Marker; // measured once, not on every line
  while (!ErrorFlag) {
    if (IA.TokenIndex == 1) {
      // Generated lines end in the marker; the text before it may hold
      // another one (an include text of the user's), so look at the end.
      if (Trimmed(IA.Line.substr(static_cast<std::size_t>(IA.Position))).ends_with(marker)) {
        // An earlier generated line: leave it (and the blank lines after
        // it) without copying it to the output.
        const char* from = IA.Line.data();
        int line = IA.LineNumber;
        IA.Echo = nullptr;
        IA.NextLine();
        IA.Echo = &Out;
        NoteDroppedLines(from, IA.EndOfInput ? nullptr : IA.Line.data(),
                         IA.EndOfInput ? 1 : IA.LineNumber - line);
        if (FirstDroppedLine == 0) FirstDroppedLine = line;
        continue;
      }
    }
    if (BraceDepth == bodyDepth && IA.Token == "}") break;
    // The body's brace went as the argument of a registration call: the
    // body has ended without a recognisable closing brace.
    if (BraceDepth < bodyDepth) break;
    bool isReg = IsRegKeyword(IA.Token);
    SkipToken();
    if (!isReg || IA.Token != "(") continue;
    IA.NextToken();
    if (IA.Token == "&") IA.NextToken();
    MarkUserRegistration(IA.Token);
    SkipToken();
  }
  MemberIndex.Clear();
}

// from, to: the start of a dropped generated line and of the line after it
// and the blank lines that went with it (null at the end of the input);
// lines: how many lines that is.
void TRegisterScan::NoteDroppedLines(const char* from, const char* to, int lines) {
  DroppedCount += lines;
  if (!to || to < from) {
    DroppedInOneRun = false;
  } else if (DroppedLines.empty()) {
    DroppedLines = std::string_view(from, static_cast<std::size_t>(to - from));
  } else if (DroppedLines.data() + DroppedLines.size() == from) {
    DroppedLines =
        std::string_view(DroppedLines.data(), DroppedLines.size() + static_cast<std::size_t>(to - from));
  } else {
    DroppedInOneRun = false;
  }
}

// A body whose form does not let lines be generated: its includes are
// reported as ignored and it is left as it stands. bodyRead: the scan of
// the body has reached its end (else the rest of it is passed over).
void TRegisterScan::AbandonBody(int bodyDepth, bool bodyRead) {
  WarnIgnoredIncludes(InclIgnored);
  Includes.clear();
  if (!bodyRead)
    PopBrace();
  else if (BraceDepth == bodyDepth)
    CheckBrace(); // the body's closing brace, which stands behind other tokens
  Members.clear();
}

// The members that get a generated line, in declaration order; an array
// whose size was not understood is reported instead.
std::vector<const TMemberDescr*> TRegisterScan::ChooseRegistrations() {
  std::vector<const TMemberDescr*> chosen;
  for (const TMemberDescr& m : Members) {
    if (!m.RegistrationOn || m.UserRegistered) continue;
    if (m.ArrayUnresolved)
      Warning(ArrayUnresolved(m.Name, m.LineNumber));
    else
      chosen.push_back(&m);
  }
  return chosen;
}

void TRegisterScan::GenerateRegistrations() {
  std::vector<const TMemberDescr*> chosen = ChooseRegistrations();
  TPrefixes prefixes(chosen);
  std::vector<TLine> lines = OrderLines(chosen, Includes, prefixes);

  std::size_t memberWidth = 0, includeWidth = 0;
  for (const TLine& line : lines) {
    std::size_t& kindWidth = line.Member ? memberWidth : includeWidth;
    kindWidth = std::max(kindWidth, line.Length);
  }
  std::size_t width = memberWidth;
  if (includeWidth > memberWidth && includeWidth < memberWidth + kMaxFill) width = includeWidth;

  // Each line ends in one of two tails, made once.
  std::string memberTail = std::string(" );    ") + Marker + '\n';
  std::string includeTail = std::string("       ") + Marker + '\n';
  // The lines are put together in one buffer, kept from body to body and
  // sized first, then appended to the output in one piece. Each line begins
  // with the indent.
  std::string_view indent = IA.Line.substr(0, static_cast<std::size_t>(IA.Position));
  auto fillOf = [width](const TLine& line) {
    return line.Length < width ? std::min(width - line.Length, kMaxFill) : 0;
  };
  std::size_t total = 0;
  for (const TLine& line : lines)
    total += indent.size() + 2 + line.Length + fillOf(line) + (line.Member ? memberTail : includeTail).size();
  RegisterText.resize(total);
  char* p = RegisterText.data();
  auto put = [&p](std::string_view piece) {
    std::memcpy(p, piece.data(), piece.size());
    p += piece.size();
  };
  for (const TLine& line : lines) {
    put(indent);
    put("  ");
    ForEachPiece(line, prefixes, put);
    std::size_t fill = fillOf(line);
    std::memset(p, ' ', fill);
    p += fill;
    put(line.Member ? memberTail : includeTail);
  }
  // A body that is up to date holds these very bytes in one run of the
  // source: the output takes that run, so most of an up-to-date file is one
  // range and nothing of it is copied or compared again.
  if (DroppedInOneRun && total != 0 && DroppedLines == std::string_view(RegisterText))
    Out.AppendSource(DroppedLines);
  else if (total != 0)
    Out.append(RegisterText);
  Includes.clear();
}
