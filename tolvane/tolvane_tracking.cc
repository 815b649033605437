// Where the scan stands: brace nesting, the tracked class body, and the
// declarations passed over because they cannot declare a registrable member.
#include "tolvane/register_scan.h"
#include "tolvane/tolvane_messages.h"

using namespace tolvane_msg;

// Hands the current token to its handler: keywords through the table,
// words and punctuation by their type.
void TRegisterScan::Dispatch() {
  int type = IA.TokenType;
  if (type >= ttFirstKeyword)
    (this->*Handlers[static_cast<std::size_t>(type - ttFirstKeyword)])();
  else if (type == ttNonAlphaNum)
    Tok_NonAlphaNum();
  else if (type == ttGeneral)
    Tok_General();
  else if (type == ttEndOfLine)
    IA.NextToken();
  else if (Modern)
    Tok_SkipDecl(); // a literal where a declaration would begin
  else
    Error(kUnexpectedToken);
}

bool TRegisterScan::SkipToken() {
  if (CheckComment()) return true;
  if (CheckBrace()) return true;
  WarnCont();
  IA.NextToken();
  return false;
}

bool TRegisterScan::AnyMemberWantsRegistration() const {
  for (const TMemberDescr& m : Members)
    if (m.RegistrationOn) return true;
  return false;
}

bool TRegisterScan::CheckBrace() {
  if (IA.Token == "{") {
    ++BraceDepth;
    IA.NextToken();
    return true;
  }
  if (IA.Token == "}") {
    if (BraceDepth == 0) {
      Error(kUnexpectedClosingBrace);
      return true;
    }
    if (!NamespaceDepths.empty() && BraceDepth == NamespaceDepths.back()) {
      NamespaceDepths.pop_back();
      NamespaceCuts.pop_back();
      NamespacePrefix.resize(NamespaceCuts.empty() ? 0 : NamespaceCuts.back());
    }
    if (ClassDepth != 0 && BraceDepth == ClassBraceDepths.back()) {
      if (RegisterFound && AnyMemberWantsRegistration()) Warning(kMembersAfterRegister);
      if (Modern && !RegisterFound && (RegisterDeclared || !Members.empty() || !Includes.empty()))
        RecordClass();
      // A class whose Register() is defined outside it takes its
      // TOLVANE_INCL lines there.
      if (!RegisterDeclared) WarnIgnoredIncludes(InclNoRegister);
      ClassName.clear();
      ClassBraceDepths.pop_back();
      --ClassDepth;
      CloseClass(); // a class it is nested in goes on
    }
    --BraceDepth;
    IA.NextToken();
    return true;
  }
  if (IA.EndOfInput && BraceDepth != 0) {
    Error(kOpenBraceAtEnd);
    return true;
  }
  return false;
}

bool TRegisterScan::PopBrace() {
  if (BraceDepth < 1) {
    Error(kPopBraceInternal);
    return true;
  }
  int target = BraceDepth - 1;
  // At the end of the input a brace is still open, so SkipToken reports it.
  do {
    SkipToken();
    if (ErrorFlag) return true;
  } while (BraceDepth != target);
  return false;
}

void TRegisterScan::Tok_Class() {
  if (Modern) {
    ReadModernClass();
    return;
  }
  if (ClassDepth != 0) {
    Tok_SkipDecl(); // a nested class is skipped with its body
    return;
  }
  RegisterFound = false;
  Members.clear();
  Includes.clear();
  IA.NextToken();
  if (IA.Token != "{") ClassName = IA.Token;
  // The header (name, base list) is read unexamined up to ";" or "{".
  while (!IA.EndOfInput) {
    if (IA.Token == ";") {
      IA.NextToken();
      ClassName.clear(); // a forward declaration
      return;
    }
    if (IA.Token == "{") {
      IA.NextToken();
      ++BraceDepth;
      ClassBraceDepths.push_back(BraceDepth);
      ++ClassDepth;
      return;
    }
    IA.NextToken();
  }
}

void TRegisterScan::Tok_AccessSpec() {
  IA.NextToken();
  if (IA.Token == ":") {
    IA.NextToken();
    return;
  }
  if (Modern && IA.TokenType == ttGeneral) { // public Q_SLOTS:
    IA.NextToken();
    if (IA.Token == ":") {
      NoteConstruct(TConstructNote::TKind::MacroLabel);
      IA.NextToken();
      return;
    }
  }
  Error(kAfterAccessSpec);
}

void TRegisterScan::Tok_SkipDecl() {
  if (Modern) {
    ModernSkipDecl();
    return;
  }
  // With braces open the end of the input is met by SkipToken, which
  // reports it; with none open the declaration just ends there.
  while (!ErrorFlag && !(IA.EndOfInput && BraceDepth == 0)) {
    if (IA.Token == ";") {
      TypeSeen = false;
      IA.NextToken();
      return;
    }
    if (IA.Token == "," && TypeSeen) {
      IA.NextToken(); // the next declarator is examined again
      return;
    }
    if (IA.Token == "{") {
      SkipToken();
      PopBrace();
      return;
    }
    SkipToken();
  }
}

bool TRegisterScan::SkipDeclUnlessToken(const char* text) {
  IA.NextToken();
  if (IA.Token == text) return false;
  Tok_SkipDecl();
  return true;
}

void TRegisterScan::Tok_Other() {
  if (CheckComment()) return;
  if (IA.Token == "::") {
    IA.NextToken();
    TypeSeen = false; // the name after "::" is read as the type again
    return;
  }
  if (Modern)
    Tok_SkipDecl();
  else
    Error(kUnexpectedToken);
}

void TRegisterScan::Tok_NonAlphaNum() {
  if (CheckBrace()) return;
  char c = IA.Token.empty() ? '\0' : IA.Token[0];
  if (c == ';') {
    TypeSeen = false;
    IA.NextToken();
  } else if (WarnCont()) {
    IA.NextToken(); // a trailing backslash continues nothing here
  } else if (Modern && SkipAttribute()) {
    // read past; the declaration goes on
  } else if (TypeSeen) {
    if (c == '*' || c == '&') {
      Tok_SkipDecl();
    } else if (c == '(' || c == '<') {
      TypeSeen = false;
      Tok_SkipDecl();
    } else if (Modern) {
      NoteConstruct(TConstructNote::TKind::PassedOver);
      Tok_SkipDecl();
    } else {
      Error(kUnexpectedInDecl);
    }
  } else if (c == '~') {
    IA.NextToken();
  } else if (Modern) {
    NoteConstruct(TConstructNote::TKind::PassedOver);
    Tok_SkipDecl();
  } else {
    Error(kUnexpectedToken);
  }
}
