// The Register() body: earlier generated lines (ending in the marker) are
// dropped, user registrations noted, and one aligned line is written per
// member that still wants one, before the body's closing brace.
#include "tolvane/tolvane_spec.h"

#include <algorithm>

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

const char* const kRegKeywords[] = {"Reg", "reg", "regn", "rega", "regb", "regab"};

// At most this many fill blanks align a line with the longest one.
const std::size_t kMaxFill = 32;

bool IsRegKeyword(std::string_view token) {
  return std::find(std::begin(kRegKeywords), std::end(kRegKeywords), token) !=
         std::end(kRegKeywords);
}

} // namespace

void TTolvane::MarkUserRegistration(std::string_view name) {
  if (!MembersByNameBuilt) {
    MembersByName.clear();
    for (std::size_t i = 0; i < Members.size(); ++i) MembersByName[Members[i].Name].push_back(i);
    MembersByNameBuilt = true;
  }
  auto found = MembersByName.find(name);
  if (found == MembersByName.end()) return;
  for (std::size_t i : found->second) {
    TMemberDescr& m = Members[i];
    m.UserRegistered = true;
    if (m.RegistrationOn && !m.ArrayUnresolved && (m.IsArray || m.IsBus))
      Warning(kUserRegistered1 + m.Name + kUserRegistered2);
  }
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
  for (;;) {
    if (ErrorFlag) return;
    if (IA->TokenIndex == 1) {
      int at = IA->Find(Marker);
      if (at >= 0) {
        std::string rest(IA->Line.substr(static_cast<std::size_t>(at)));
        Trim(rest);
        if (rest == Marker) {
          // An earlier generated line: leave it (and the blank lines after
          // it) without copying it to the output.
          IA->Echo = nullptr;
          IA->NextLine();
          IA->Echo = Out;
          continue;
        }
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
    bool pending = !Includes.empty() ||
                   std::any_of(Members.begin(), Members.end(),
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

  std::vector<std::string> lines;
  std::vector<char> kinds;
  std::size_t nextInclude = 0;
  std::size_t memberWidth = 0, includeWidth = 0;
  auto addInclude = [&](const TIncludeDescr& include) {
    lines.push_back(include.Text);
    kinds.push_back('i');
    includeWidth = std::max(includeWidth, include.Text.size());
  };
  for (const TMemberDescr* m : chosen) {
    while (nextInclude < Includes.size() && Includes[nextInclude].LineNumber <= m->LineNumber)
      addInclude(Includes[nextInclude++]);
    std::string line = m->IsArray ? (m->IsBus ? regab : rega) : (m->IsBus ? regb : reg);
    line += m->Name;
    if (m->IsArray) line += ", " + m->ArraySize;
    if (m->IsBus) line += ", " + m->BusArg1 + ", " + m->BusArg2;
    memberWidth = std::max(memberWidth, line.size());
    lines.push_back(std::move(line));
    kinds.push_back('m');
  }
  for (; nextInclude < Includes.size(); ++nextInclude) addInclude(Includes[nextInclude]);
  Includes.clear();

  std::size_t width = memberWidth;
  if (includeWidth > memberWidth && includeWidth < memberWidth + kMaxFill) width = includeWidth;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string& line = lines[i];
    if (line.size() < width) line.append(std::min(width - line.size(), kMaxFill), ' ');
    line += kinds[i] == 'm' ? " );" : "   ";
    *Out += indent;
    *Out += line;
    *Out += "    ";
    *Out += Marker;
    *Out += '\n';
  }
}
