// Data member declarations inside the tracked class body: a type name,
// then one or more declarators, each a plain name or a one-dimensional array.
#include "framework/text/names.h"
#include "tolvane/register_scan.h"
#include "tolvane/tolvane_messages.h"

using namespace tolvane_msg;

void TRegisterScan::Tok_General() {
  if (Modern) {
    ModernGeneral();
    return;
  }
  if (ClassDepth != 1) {
    Tok_SkipDecl();
    return;
  }
  // The tokenizer makes a word of letters, digits and underscores only, so
  // a leading digit is all that keeps a word from being an identifier.
  if (IA.Token.empty() || IsDigitChar(IA.Token[0])) {
    Error(kExpectedIdentifier);
    return;
  }
  if (!TypeSeen) {
    IA.NextToken();
    TypeSeen = true;
    return;
  }

  ReadMember();
}

// With a member's name current: its declarator, up to the ";" or "," that
// ends it, the member recorded. The modern dialect passes attributes and an
// initialiser over, and a declarator of another form with them.
void TRegisterScan::ReadMember() {
  TMemberDescr d;
  d.Name = IA.Token;
  d.RegistrationOn = RegistrationOn;
  d.LineNumber = IA.LineNumber;
  d.Position = IA.Position;
  IA.NextToken();
  if (Modern)
    while (SkipAttribute()) {
    }

  if (IA.Token == "[") {
    ReadArraySize(d);
    if (ErrorFlag) return;
    if (d.ArrayUnresolved) {
      PushMember(d);
      Tok_SkipDecl(); // to ";", or to "," so that later declarators count
      return;
    }
  } else if (IA.Token == "(") {
    TypeSeen = false; // a member function
    Tok_SkipDecl();
    return;
  }

  if (Modern && IA.TokenType == ttNonAlphaNum && (IA.Token == "=" || IA.Token == "{")) {
    SkipInitialiser(); // the member is the one it would be without it
    if (ErrorFlag) return;
  }
  if (IA.Token == ";") {
    IA.NextToken();
    TypeSeen = false;
    PushMember(d);
  } else if (IA.Token == ",") {
    IA.NextToken();
    PushMember(d);
  } else if (!Modern) {
    Error(kUnexpectedInMember);
  } else {
    NoteConstruct(TConstructNote::TKind::PassedOver);
    if (IA.Token != "}") Tok_SkipDecl(); // a bit-field, a declaration of another form
    TypeSeen = false;
  }
}

// From the "[" after a member's name: the size is cut from the raw line
// between the brackets, as spelled; ArrayUnresolved stays set when the
// declarator is not understood.
void TRegisterScan::ReadArraySize(TMemberDescr& d) {
  d.IsArray = true;
  d.ArrayUnresolved = true;
  int first = IA.Position + 1;
  int line = IA.LineNumber;
  while (IA.LineNumber == line && !IA.EndOfInput) {
    if (IA.Token == "]") {
      int last = IA.Position - 1;
      if (last < first) return;
      std::string_view size = Trimmed(
          IA.Line.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(last - first + 1)));
      if (size.empty()) return;
      d.ArraySize = size;
      d.ArrayUnresolved = false;
      IA.NextToken();
      if (Modern)
        while (SkipAttribute()) {
        }
      if (IA.Token != ";" && IA.Token != "," && !(Modern && (IA.Token == "=" || IA.Token == "{")))
        d.ArrayUnresolved = true;
      return;
    }
    if (SkipToken()) return; // a comment or a brace ends the attempt
  }
}

void TRegisterScan::PushMember(TMemberDescr& member) { Members.push_back(std::move(member)); }
