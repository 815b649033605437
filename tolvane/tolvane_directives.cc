// Comments, preprocessor lines and the TOLVANE_ directives written in
// line comments.
#include "tolvane/register_scan.h"
#include "tolvane/tolvane_messages.h"

using namespace tolvane_msg;

// Members are recorded in file order and a directive follows the members of
// its line, so the members of the current line are the tail of Members.
void TRegisterScan::SetMembersOnLine(bool registrationOn) {
  for (auto m = Members.rbegin(); m != Members.rend() && m->LineNumber == IA.LineNumber; ++m)
    m->RegistrationOn = registrationOn;
}

void TRegisterScan::SetMembersOnLine_Bus(std::string_view first, std::string_view second) {
  for (auto m = Members.rbegin(); m != Members.rend() && m->LineNumber == IA.LineNumber; ++m) {
    m->BusArg1 = first;
    m->BusArg2 = second;
    m->IsBus = true;
  }
}

bool TRegisterScan::CheckComment() {
  int type = IA.TokenType;
  if (type == TokBlockComment) {
    Tok_Comment();
    return true;
  }
  if (type == TokHash && IA.TokenIndex == 1) {
    NextLineCont(); // the preprocessor line and its continuation lines
    return true;
  }
  if (type != TokLineComment) return false;

  IA.NextToken();
  if (IA.TokenIndex == 1) return true; // an empty comment
  int word = IA.TokenType;
  if (word == TokOn || word == TokOff || word == TokIgnore) {
    if (ErrLineCont()) return true;
    if (word != TokIgnore) RegistrationOn = word == TokOn;
    SetMembersOnLine(word == TokOn);
    IA.NextLine();
    return true;
  }
  if (word == TokIncl) {
    if (!ErrLineCont()) ReadIncludeDirective();
    return true;
  }
  if (word == TokBus) {
    if (!ErrLineCont()) ReadBusDirective();
    return true;
  }
  NextLineCont(); // an ordinary comment, with any lines it continues onto
  return true;
}

// TOLVANE_INCL text: the rest of the line, kept for the Register() body.
void TRegisterScan::ReadIncludeDirective() {
  if (ClassDepth == 0) {
    Error(InclOutsideClass(IA.Token));
  } else if (RegisterFound) {
    Error(InclAfterRegister(IA.Token));
  } else {
    TIncludeDescr include;
    std::size_t start = static_cast<std::size_t>(IA.Position) + IA.Token.size() + 1;
    if (start < IA.Line.size()) include.Text = IA.Line.substr(start);
    include.LineNumber = IA.LineNumber;
    Includes.push_back(include);
  }
  IA.NextLine();
}

// TOLVANE_BUS( first , second ): each token must stand on the directive's line.
void TRegisterScan::ReadBusDirective() {
  std::string_view args[2]; // tokens: views of the source or the keyword table
  const char* expected[] = {"(", nullptr, ",", nullptr, ")"};
  const char* messages[] = {kExpectedOpenParen, nullptr, kExpectedComma, nullptr, kExpectedCloseParen};
  for (int i = 0; i < 5; ++i) {
    IA.NextToken();
    if (ErrorIfNewLine()) return;
    if (!expected[i]) {
      args[i / 2] = IA.Token;
    } else if (IA.Token != expected[i]) {
      return Error(messages[i]);
    }
  }
  SetMembersOnLine_Bus(args[0], args[1]);
  IA.NextLine();
}

void TRegisterScan::Tok_Comment() {
  if (!IA.SkipBlockComment()) Error(kOpenBlockComment);
}
