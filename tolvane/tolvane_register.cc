// The Register() body: earlier generated lines (ending in the marker) are
// dropped, user registrations noted, and one aligned line is written per
// member that still wants one, before the body's closing brace.
#include "tolvane/tolvane_spec.h"

#include <algorithm>
#include <cstring>

namespace {

const char* const kOpenBraceNotLast =
    "To auto register, { of Register() must be the last non-comment token on the line.";
const char* const kCloseBraceNotFirst =
    "To auto register, } of Register() must be the first token on the line.";
const char* const kInclIgnored1 = "TOLVANE_INCL on line ";
const char* const kInclIgnored2 = " was ignored.";
const char* const kUserRegistered1 = "Could not auto-register array or bus member ";
const char* const kUserRegistered2 = " due to existing user registration of this member.";
const char* const kArrayUnresolved1 = "Could not auto-register array member ";
const char* const kArrayUnresolved2 = " on line ";

// Views, so that each comparison with a token needs no strlen.
constexpr std::string_view kRegKeywords[] = {"Reg", "reg", "regn", "rega", "regb", "regab"};

// The first this many user registrations of a body are looked up by a pass
// over the members; later ones through the sorted index.
const int kLinearLookups = 8;

// At most this many fill blanks align a line with the longest one.
const std::size_t kMaxFill = 32;

bool IsRegKeyword(std::string_view token) {
  return std::find(std::begin(kRegKeywords), std::end(kRegKeywords), token) != std::end(kRegKeywords);
}

} // namespace

void TTolvane::MarkUserRegistration(std::string_view name) {
  auto mark = [&](TMemberDescr& m) {
    m.UserRegistered = true;
    if (m.RegistrationOn && !m.ArrayUnresolved && (m.IsArray || m.IsBus))
      Warning(kUserRegistered1 + m.Name + kUserRegistered2);
  };
  // A body usually registers a few members by hand: for those a pass over
  // the members, in declaration order, costs less than sorting them.
  if (!MembersByNameBuilt && UserRegistrationsSeen < kLinearLookups) {
    ++UserRegistrationsSeen;
    for (TMemberDescr& m : Members)
      if (m.Name.size() == name.size() && std::string_view(m.Name) == name) mark(m);
    return;
  }
  // Member numbers sorted by name (ties in declaration order), so that all
  // members of one name are found by one binary search.
  auto byName = [this](std::size_t a, std::size_t b) {
    int c = Members[a].Name.compare(Members[b].Name);
    return c < 0 || (c == 0 && a < b);
  };
  if (!MembersByNameBuilt) {
    MembersByName.resize(Members.size());
    for (std::size_t i = 0; i < Members.size(); ++i) MembersByName[i] = i;
    std::sort(MembersByName.begin(), MembersByName.end(), byName);
    MembersByNameBuilt = true;
  }
  auto first = std::partition_point(MembersByName.begin(), MembersByName.end(),
                                    [&](std::size_t i) { return std::string_view(Members[i].Name) < name; });
  for (auto it = first; it != MembersByName.end() && std::string_view(Members[*it].Name) == name; ++it)
    mark(Members[*it]);
}

void TTolvane::Tok_Virtual() {
  if (ClassDepth != 1) {
    Tok_SkipDecl();
    return;
  }
  for (const char* text : {"void", "Register", "(", ")", "{"})
    if (SkipDeclUnlessToken(text)) return;

  RegisterFound = true;
  int braceLine = IA->LineNumber;
  CheckBrace();
  int bodyDepth = BraceDepth;
  // Comments behind the "{" are read here, so their directives act.
  while (IA->LineNumber == braceLine && CheckComment())
    if (ErrorFlag) return;

  if (!AnyMemberWantsRegistration() && Includes.empty()) {
    PopBrace(); // nothing to generate: the body stays as it is
    Members.clear();
    return;
  }
  if (IA->LineNumber == braceLine && !IA->EndOfInput) {
    Warning(kOpenBraceNotLast);
    for (const TIncludeDescr& include : Includes)
      Warning(kInclIgnored1 + std::to_string(include.LineNumber) + kInclIgnored2);
    Includes.clear();
    PopBrace();
    Members.clear();
    return;
  }

  MembersByName.clear();
  MembersByNameBuilt = false;
  UserRegistrationsSeen = 0;
  for (;;) {
    if (ErrorFlag) return;
    if (IA->TokenIndex == 1) {
      // Generated lines end in the marker; the text before it may hold
      // another one (an include text of the user's), so look at the end.
      if (Trimmed(IA->Line.substr(static_cast<std::size_t>(IA->Position))).ends_with(Marker)) {
        // An earlier generated line: leave it (and the blank lines after
        // it) without copying it to the output.
        IA->Echo = nullptr;
        IA->NextLine();
        IA->Echo = Out;
        continue;
      }
    }
    if (BraceDepth == bodyDepth && IA->Token == "}") break;
    // The body's brace went as the argument of a registration call: the
    // body has ended without a recognisable closing brace.
    if (BraceDepth < bodyDepth) break;
    bool isReg = IsRegKeyword(IA->Token);
    SkipToken();
    if (!isReg || IA->Token != "(") continue;
    IA->NextToken();
    if (IA->Token == "&") IA->NextToken();
    MarkUserRegistration(IA->Token);
    SkipToken();
  }
  MembersByName.clear();

  if (IA->TokenIndex != 1 || BraceDepth < bodyDepth) {
    bool pending = !Includes.empty() || std::any_of(Members.begin(), Members.end(),
                                                    [](const TMemberDescr& m) { return !m.UserRegistered; });
    if (pending) Warning(kCloseBraceNotFirst);
    for (const TIncludeDescr& include : Includes)
      Warning(kInclIgnored1 + std::to_string(include.LineNumber) + kInclIgnored2);
    Includes.clear();
    if (BraceDepth == bodyDepth) CheckBrace();
    Members.clear();
    return;
  }
  GenerateRegistrations();
  Members.clear();
  CheckBrace();
}

void TTolvane::GenerateRegistrations() {
  std::string indent(IA->Line.substr(0, static_cast<std::size_t>(IA->Position)));
  indent += "  ";

  std::vector<const TMemberDescr*> chosen;
  bool anyArrayOrBus = false;
  bool anyBoth = false;
  for (const TMemberDescr& m : Members) {
    if (!m.RegistrationOn || m.UserRegistered) continue;
    if (m.ArrayUnresolved) {
      Warning(kArrayUnresolved1 + m.Name + kArrayUnresolved2 + std::to_string(m.LineNumber) + ".");
      continue;
    }
    chosen.push_back(&m);
    anyArrayOrBus = anyArrayOrBus || m.IsArray || m.IsBus;
    anyBoth = anyBoth || (m.IsArray && m.IsBus);
  }

  // All prefixes get one width, so that the names line up.
  std::string reg = "reg( ", rega = "rega( ", regb = "regb( ", regab = "regab( ";
  if (anyBoth) {
    reg += "  ";
    rega += " ";
    regb += " ";
  } else if (anyArrayOrBus) {
    reg += " ";
  }

  // The lines in output order: members, with each include before the first
  // member declared after it. Each line is measured first and then written
  // straight into the output, piece by piece.
  struct TLine {
    const TMemberDescr* Member; // or, when null, Include
    const TIncludeDescr* Include;
    std::size_t Length;
  };
  std::vector<TLine> lines;
  lines.reserve(chosen.size() + Includes.size());
  std::size_t nextInclude = 0;
  std::size_t memberWidth = 0, includeWidth = 0;
  auto addInclude = [&](const TIncludeDescr& include) {
    lines.push_back({nullptr, &include, include.Text.size()});
    includeWidth = std::max(includeWidth, include.Text.size());
  };
  auto prefixOf = [&](const TMemberDescr& m) -> const std::string& {
    return m.IsArray ? (m.IsBus ? regab : rega) : (m.IsBus ? regb : reg);
  };
  for (const TMemberDescr* m : chosen) {
    while (nextInclude < Includes.size() && Includes[nextInclude].LineNumber <= m->LineNumber)
      addInclude(Includes[nextInclude++]);
    std::size_t length = prefixOf(*m).size() + m->Name.size();
    if (m->IsArray) length += 2 + m->ArraySize.size();
    if (m->IsBus) length += 4 + m->BusArg1.size() + m->BusArg2.size();
    memberWidth = std::max(memberWidth, length);
    lines.push_back({m, nullptr, length});
  }
  for (; nextInclude < Includes.size(); ++nextInclude) addInclude(Includes[nextInclude]);

  // Each line ends in one of two tails, made once.
  std::string memberTail = std::string(" );    ") + Marker + '\n';
  std::string includeTail = std::string("       ") + Marker + '\n';
  std::size_t width = memberWidth;
  if (includeWidth > memberWidth && includeWidth < memberWidth + kMaxFill) width = includeWidth;
  // Each line is put together behind the indent, which stands at the start
  // of a buffer for all of them, and appended to the output in one piece.
  std::string buffer = indent;
  buffer.resize(indent.size() + std::max(memberWidth, includeWidth) + kMaxFill +
                std::max(memberTail.size(), includeTail.size()));
  auto put = [](char*& p, std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    p += text.size();
  };
  TOutText& out = *Out;
  for (const TLine& line : lines) {
    char* p = buffer.data() + indent.size();
    if (const TMemberDescr* m = line.Member) {
      put(p, prefixOf(*m));
      put(p, m->Name);
      if (m->IsArray) {
        put(p, ", ");
        put(p, m->ArraySize);
      }
      if (m->IsBus) {
        put(p, ", ");
        put(p, m->BusArg1);
        put(p, ", ");
        put(p, m->BusArg2);
      }
    } else {
      put(p, line.Include->Text);
    }
    if (line.Length < width) {
      std::size_t fill = std::min(width - line.Length, kMaxFill);
      std::memset(p, ' ', fill);
      p += fill;
    }
    put(p, line.Member ? memberTail : includeTail);
    out.append(buffer.data(), static_cast<std::size_t>(p - buffer.data()));
  }
  Includes.clear();
}
