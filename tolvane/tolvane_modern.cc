// The modern dialect: namespaces and linkage blocks are read through,
// class templates and nested classes are tracked, attributes, default
// member initialisers and macro lines are read past, and every other
// declaration is passed over to its ";" or its balanced braces.
#include "tolvane/register_scan.h"
#include "tolvane/tolvane_messages.h"

using namespace tolvane_msg;

namespace {

// A word that brings an attribute or an alignment with a parenthesised
// argument.
bool IsAttributeWord(std::string_view word) {
  return word == "alignas" || word == "__attribute__" || word == "__declspec" || word == "_Alignas";
}

// A word spelt as macros are: capitals, digits and underscores.
bool IsMacroName(std::string_view word) {
  if (word.empty()) return false;
  for (char c : word)
    if (!(IsDigitChar(c) || c == '_' || (c >= 'A' && c <= 'Z'))) return false;
  return true;
}

} // namespace

void TRegisterScan::NoteConstruct(TConstructNote::TKind kind) {
  if (!Options.NoteConstructs) return;
  TConstructNote note;
  note.Kind = kind;
  note.Line = IA.LineNumber;
  Result.Constructs.push_back(note);
}

// A comment or a preprocessor line where a head is read: passed over
// without acting on a directive in it.
void TRegisterScan::SkipCommentUnread() {
  if (IA.TokenType == TokBlockComment)
    Tok_Comment();
  else
    NextLineCont();
}

void TRegisterScan::NextModernToken() {
  IA.NextToken();
  while (!ErrorFlag && !IA.EndOfInput &&
         (IA.TokenType == TokBlockComment || IA.TokenType == TokLineComment ||
          (IA.TokenType == TokHash && IA.TokenIndex == 1)))
    SkipCommentUnread();
}

// Passes the group that the current "(", "[" or "<" opens, with what it
// nests; an unclosed group ends before a ";" or a "}" of the level it
// started on, which are left to the caller.
void TRegisterScan::SkipGroup() {
  char open = IA.Token[0];
  char close = open == '(' ? ')' : open == '[' ? ']' : '>';
  int depth = 0;
  int inner = 0; // "(" and "[" open inside "<...>", where ">" closes nothing
  int braces = BraceDepth;
  while (!ErrorFlag && !IA.EndOfInput && BraceDepth >= braces) {
    if (BraceDepth == braces && IA.TokenType == ttNonAlphaNum) {
      char c = IA.Token[0];
      if (c == ';' || c == '}') return;
      if (open == '<' && (c == '(' || c == '[')) {
        ++inner;
      } else if (open == '<' && (c == ')' || c == ']')) {
        --inner;
      } else if (inner == 0 && c == open) {
        ++depth;
      } else if (inner == 0 && c == close && --depth == 0) {
        IA.NextToken();
        return;
      }
    }
    SkipToken();
  }
}

// "[[...]]" or an attribute word with its argument, where one is current.
bool TRegisterScan::SkipAttribute() {
  // Most tokens are neither "[" nor a word starting as the attribute words do.
  char first = IA.Token.empty() ? '\0' : IA.Token[0];
  if (first != '[' && first != 'a' && first != '_') return false;
  if (IA.TokenType == ttNonAlphaNum && IA.Token == "[") {
    std::size_t next = static_cast<std::size_t>(IA.Position) + 1;
    if (next >= IA.Line.size() || IA.Line[next] != '[') return false;
    NoteConstruct(TConstructNote::TKind::Attribute);
    SkipGroup();
    return true;
  }
  if (IA.TokenType != ttGeneral || !IsAttributeWord(IA.Token)) return false;
  NoteConstruct(TConstructNote::TKind::Attribute);
  IA.NextToken();
  if (IA.Token == "(") SkipGroup();
  return true;
}

// From the "=" or "{" after a member's name to the "," or ";" that ends
// its initialiser, which is left current.
void TRegisterScan::SkipInitialiser() {
  NoteConstruct(TConstructNote::TKind::Initialiser);
  int braces = BraceDepth;
  int nest = 0; // "(", "[" and "<" open
  while (!ErrorFlag && !IA.EndOfInput && BraceDepth >= braces) {
    if (BraceDepth == braces && IA.TokenType == ttNonAlphaNum) {
      char c = IA.Token[0];
      if (c == ';' || c == '}' || (c == ',' && nest == 0)) return;
      if (c == '(' || c == '[' || c == '<')
        ++nest;
      else if ((c == ')' || c == ']' || c == '>') && nest > 0)
        --nest;
    }
    SkipToken();
  }
}

// The body of a namespace is read as the file's; an alias is passed over.
void TRegisterScan::Tok_Namespace() {
  if (ClassDepth != 0) {
    Tok_SkipDecl();
    return;
  }
  IA.NextToken();
  std::string name; // "a::b"; empty for an anonymous namespace
  std::string_view word;
  while (!ErrorFlag && !IA.EndOfInput) {
    if (IA.TokenType == ttNonAlphaNum) {
      char c = IA.Token[0];
      if (c == '{') {
        CheckBrace();
        if (!word.empty()) name += word;
        if (!name.empty()) (NamespacePrefix += name) += "::";
        NamespaceCuts.push_back(NamespacePrefix.size());
        NamespaceDepths.push_back(BraceDepth);
        return;
      }
      if (c == ';' || c == '=') {
        Tok_SkipDecl();
        return;
      }
      if (c == '}') return;
      if (c == '(') word = {}; // the word was a macro's: VISIBILITY(default)
    } else if (IA.TokenType == ttGeneral) {
      word = IA.Token;
    } else if (IA.Token == "::" && !word.empty()) {
      name += word;
      name += "::";
      word = {};
    }
    SkipToken();
  }
}

// extern "C++" { ... } is read through; any other extern declaration is
// passed over.
void TRegisterScan::Tok_Extern() {
  if (ClassDepth != 0) {
    Tok_SkipDecl();
    return;
  }
  IA.NextToken();
  if (IA.TokenType == ttStringLiteral) {
    IA.NextToken();
    if (IA.Token == "{") {
      CheckBrace();
      return;
    }
  }
  Tok_SkipDecl();
}

void TRegisterScan::Tok_Inline() {
  if (ClassDepth == 0) {
    IA.NextToken();
    if (IA.Token == "namespace") {
      Tok_Namespace();
      return;
    }
  }
  Tok_SkipDecl();
}

// A class template is tracked as a class; any other template declaration
// is passed over. A requires-clause may stand between the parameters and
// the class.
void TRegisterScan::Tok_Template() {
  IA.NextToken();
  if (IA.Token == "<") SkipGroup();
  while (!ErrorFlag && !IA.EndOfInput) {
    if (IA.TokenType >= ttFirstKeyword && (IA.Token == "class" || IA.Token == "struct")) {
      ReadModernClass();
      return;
    }
    if (IA.TokenType == ttNonAlphaNum) {
      char c = IA.Token[0];
      if (c != '(' && c != '<') break;
      SkipGroup();
      continue;
    }
    if (IA.TokenType != ttGeneral && IA.TokenType != TokLineComment && IA.TokenType != TokBlockComment &&
        IA.Token != "::")
      break; // a keyword that starts another declaration
    SkipToken();
  }
  Tok_SkipDecl();
}

void TRegisterScan::ReadModernClass() {
  IA.NextToken();
  std::string_view name;
  if (ReadModernClassHead(name)) OpenClass(name);
}

bool TRegisterScan::ReadModernClassHead(std::string_view& name) {
  bool named = false; // "final" or the base clause has come
  while (!ErrorFlag && !IA.EndOfInput) {
    int type = IA.TokenType;
    std::string_view token = IA.Token;
    if (type == TokBlockComment || type == TokLineComment || (type == TokHash && IA.TokenIndex == 1)) {
      SkipCommentUnread();
      continue;
    }
    if (type == ttGeneral) {
      if (!named && SkipAttribute()) continue;
      if (token == "final")
        named = true;
      else if (!named)
        name = token;
      IA.NextToken();
      continue;
    }
    if (type == ttNonAlphaNum) {
      char c = token[0];
      if (c == '{') return true;
      if (c == '}') return false;
      if (c == ';') {
        IA.NextToken(); // a declaration of the class, or of something of its type
        return false;
      }
      if (c == '<' || c == '[' || (c == '(' && (named || IsMacroName(name)))) {
        SkipGroup();
        continue;
      }
      if (c == ':' || (named && (c == ',' || c == '.'))) {
        named = true;
        IA.NextToken();
        continue;
      }
    } else if (type >= ttFirstKeyword && (named || token == "::")) {
      IA.NextToken(); // the base clause's words, a qualified name
      continue;
    }
    // No class body follows: the rest is an ordinary declaration.
    Tok_SkipDecl();
    return false;
  }
  return false;
}

// The class whose "{" is current is tracked; a class it is nested in is
// taken up again at its end.
void TRegisterScan::OpenClass(std::string_view name) {
  if (ClassDepth != 0) {
    TClassState outer;
    outer.Name = std::move(ClassName);
    outer.Members = std::move(Members);
    outer.Includes = std::move(Includes);
    outer.RegisterFound = RegisterFound;
    outer.RegisterDeclared = RegisterDeclared;
    outer.TypeSeen = TypeSeen;
    outer.Line = ClassLine;
    OuterClasses.push_back(std::move(outer));
  }
  ClassName = name;
  ClassLine = IA.LineNumber;
  RegisterFound = false;
  RegisterDeclared = false;
  TypeSeen = false;
  Members.clear();
  Includes.clear();
  IA.NextToken();
  ++BraceDepth;
  ClassBraceDepths.push_back(BraceDepth);
  ++ClassDepth;
}

void TRegisterScan::CloseClass() {
  if (OuterClasses.empty()) return;
  TClassState& outer = OuterClasses.back();
  ClassName = std::move(outer.Name);
  Members = std::move(outer.Members);
  Includes = std::move(outer.Includes);
  RegisterFound = outer.RegisterFound;
  RegisterDeclared = outer.RegisterDeclared;
  TypeSeen = outer.TypeSeen;
  ClassLine = outer.Line;
  OuterClasses.pop_back();
}

// A word that begins a declaration in a class body: an attribute, an
// access label of a macro word ("signals:"), a macro line, or the type.
void TRegisterScan::ModernDeclStart() {
  if (SkipAttribute()) return;
  bool lineStart = IA.TokenIndex == 1;
  IA.NextToken();
  if (IA.TokenType == ttNonAlphaNum && IA.Token == ":") {
    NoteConstruct(TConstructNote::TKind::MacroLabel);
    IA.NextToken();
    return;
  }
  if (lineStart && ModernMacroLine(IA.Token == "(")) return;
  TypeSeen = true;
}

// A word outside every class: a macro line, or a declaration passed over.
void TRegisterScan::ModernFileLevelWord() {
  if (SkipAttribute()) return;
  if (IA.TokenIndex != 1) {
    Tok_SkipDecl();
    return;
  }
  IA.NextToken();
  if (!ModernMacroLine(IA.Token == "(")) Tok_SkipDecl();
}

// With the token after a word that begins its line current: whether the
// line is a macro, passed over (invocation: the token is the "(" of
// NAME(...), whose group is read first; a declaration it begins is then
// passed over and true returned too).
bool TRegisterScan::ModernMacroLine(bool invocation) {
  if (invocation) SkipGroup();
  if (!ContinuesDeclaration(invocation)) {
    NoteConstruct(TConstructNote::TKind::MacroLine);
    return true;
  }
  if (!invocation) return false;
  TypeSeen = false; // a constructor or a function
  Tok_SkipDecl();
  return true;
}

// Whether the current token goes on with the declaration that the words
// before it began, rather than following a macro line.
bool TRegisterScan::ContinuesDeclaration(bool afterInvocation) const {
  int type = IA.TokenType;
  if (IA.EndOfInput) return false;
  if (IA.TokenIndex != 1 && type != TokLineComment && type != TokBlockComment) return true;
  if (type == ttNonAlphaNum) {
    char c = IA.Token[0];
    if (afterInvocation)
      return c == '{' || c == ':' || c == ';' || c == '=' || c == ',' || c == '-' || c == '&' || c == '(';
    return c != '}' && c != '[';
  }
  std::string_view t = IA.Token;
  return t == "const" || t == "noexcept" || t == "override" || t == "final" || t == "volatile" ||
         t == "throw" || t == "requires" || t == "try" || (!afterInvocation && t == "::");
}

// With "void" current, reads "Register ( )" or "Register ( void )", the
// specifiers after it (words, each with a parenthesised argument) and
// comments anywhere between, up to the "{", which it leaves current. Any
// other declaration is passed over.
bool TRegisterScan::ReadModernRegisterHead() {
  NextModernToken();
  if (IA.Token != "Register") {
    Tok_SkipDecl();
    return false;
  }
  NextModernToken();
  return ReadModernRegisterParams();
}

// With "void" current outside every class: "TDev::Register" or
// "app::TDev::Register" and the rest of the head as in a class; qualifier
// is set to the class's name as written ("app::TDev").
bool TRegisterScan::ReadOutOfLineHead(std::string& qualifier) {
  NextModernToken();
  std::string_view word;
  while (!ErrorFlag && !IA.EndOfInput) {
    if (IA.TokenType == ttGeneral && word.empty()) {
      word = IA.Token;
    } else if (IA.Token == "::" && (!word.empty() || qualifier.empty())) {
      qualifier += word;
      qualifier += "::";
      word = {};
    } else {
      break;
    }
    NextModernToken();
  }
  if (word != "Register" || qualifier.size() < 3) {
    Tok_SkipDecl();
    return false;
  }
  qualifier.resize(qualifier.size() - 2);
  return ReadModernRegisterParams();
}

// The out-of-line body whose "{" is current gets the members and includes
// of its class, found by its name as the namespaces around it resolve it.
void TRegisterScan::RegenerateOutOfLine(const std::string& qualifier) {
  if (NamespaceCuts.size() > kLookupLevels) {
    Tok_SkipDecl(); // no class this deep is kept
    return;
  }
  bool global = qualifier.starts_with("::");
  std::string written = global ? qualifier.substr(2) : qualifier;
  // The name as the namespaces around the body qualify it, innermost
  // first, then as written; at most kLookupLevels namespaces outward, so
  // that a body costs a bounded number of lookups however deep it stands.
  std::vector<std::size_t> cuts;
  if (!global) {
    for (std::size_t n = NamespaceCuts.size(); n > 0 && cuts.size() < kLookupLevels; --n)
      cuts.push_back(NamespaceCuts[n - 1]);
  }
  cuts.push_back(0);
  const TClassState* found = nullptr;
  using TClasses = std::unordered_map<std::string, TClassState>;
  for (const TClasses* classes :
       {static_cast<const TClasses*>(&ClassesRead), Options.Classes, Options.RunClasses}) {
    for (std::size_t i = 0; !found && classes && i < cuts.size(); ++i) {
      auto at = classes->find(NamespacePrefix.substr(0, cuts[i]) + written);
      if (at != classes->end()) found = &at->second;
    }
    if (found) break;
  }
  if (!found) {
    ++Result.ClassesMissing;
    Tok_SkipDecl(); // a class not read: the body is passed over
    return;
  }
  if (found->TwiceLine != 0) {
    if (found->File.empty())
      Error(tolvane_msg::ClassDefinedTwice(qualifier, found->Line, found->TwiceLine));
    else
      Error(tolvane_msg::ClassDefinedTwiceIn(qualifier, found->File, found->Line, found->TwiceFile,
                                             found->TwiceLine));
    return;
  }
  Members = found->Members;
  Includes = found->Includes;
  RegenerateBody();
  Members.clear();
  Includes.clear();
  RegisterFound = false;
}

// A class without a Register() body of its own is kept by its qualified
// name, for a body outside it.
void TRegisterScan::RecordClass() {
  // Deeper than this, a class is not kept: its name would be as long as the
  // nesting, and every class would copy it.
  if (NamespaceCuts.size() + OuterClasses.size() > kLookupLevels) return;
  std::string name = NamespacePrefix;
  for (const TClassState& outer : OuterClasses) (name += outer.Name) += "::";
  name += ClassName;
  auto [at, added] = ClassesRead.try_emplace(name);
  TClassState& record = at->second;
  if (!added) {
    if (record.TwiceLine == 0) record.TwiceLine = ClassLine;
    return;
  }
  record.Line = ClassLine;
  record.Name = ClassName;
  record.RegisterDeclared = RegisterDeclared;
  record.Members = Members;
  record.Includes = Includes;
}

// From the "(" after "Register" on.
bool TRegisterScan::ReadModernRegisterParams() {
  if (IA.Token != "(") {
    Tok_SkipDecl();
    return false;
  }
  NextModernToken();
  if (IA.Token == "void") NextModernToken();
  if (IA.Token != ")") {
    Tok_SkipDecl();
    return false;
  }
  NextModernToken();
  while (!ErrorFlag && !IA.EndOfInput &&
         (IA.TokenType == ttGeneral || (IA.TokenType >= ttFirstKeyword && IsAlnumChar(IA.Token[0])))) {
    NextModernToken();
    if (IA.Token == "(") SkipGroup();
  }
  if (IA.Token == "{") {
    TypeSeen = false;
    return true;
  }
  if (ClassDepth != 0) RegisterDeclared = true; // its body is outside the class
  Tok_SkipDecl();
  return false;
}

// A word in the modern dialect: at file level a macro line or a declaration
// passed over; in a class body the start of a declaration or a member name.
void TRegisterScan::ModernGeneral() {
  if (ClassDepth == 0) {
    ModernFileLevelWord();
    return;
  }
  if (IA.Token.empty() || IsDigitChar(IA.Token[0])) {
    Tok_SkipDecl(); // a number where a declaration would begin
    return;
  }
  if (!TypeSeen) {
    ModernDeclStart();
    return;
  }
  if (SkipAttribute()) return;
  ReadMember();
}

// Passes a declaration over as the specified grammar does; a brace
// initialiser or a constructor's member initialisers go on with it, and
// "," inside parentheses ends no declarator.
void TRegisterScan::ModernSkipDecl() {
  int nest = 0; // "(" and "[" open
  // With braces open the end of the input is met by SkipToken, which
  // reports it; with none open the declaration just ends there.
  while (!ErrorFlag && !(IA.EndOfInput && BraceDepth == 0)) {
    if (IA.Token == ";") {
      TypeSeen = false;
      IA.NextToken();
      return;
    }
    if (IA.Token == "," && TypeSeen && nest == 0) {
      IA.NextToken(); // the next declarator is examined again
      return;
    }
    if (IA.Token == "{") {
      SkipToken();
      PopBrace();
      if (ErrorFlag) return;
      // A brace initialiser, or one of a constructor's member initialisers,
      // goes on with the declaration; a ";" after braces ends it with them.
      if (IA.Token == ";") {
        TypeSeen = false;
        IA.NextToken();
        return;
      }
      if (IA.Token != "," && IA.Token != "{") return;
      continue;
    }
    if (IA.TokenType == ttNonAlphaNum) {
      char c = IA.Token[0];
      if (c == '(' || c == '[')
        ++nest;
      else if ((c == ')' || c == ']') && nest > 0)
        --nest;
    }
    SkipToken();
  }
}
