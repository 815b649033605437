// One error or warning that a tool's scan reported, with all that its
// report needs: the tool prints it as its report block, regkit and the
// editor integrations as a file:line:col: finding.
#pragma once

#include <string>

class TDiagnostic {
public:
  enum class TKind { Error, Warning };

  TKind Kind = TKind::Error;
  std::string Message;    // the message, one sentence
  std::string SecondLine; // the second line of a two-line message; empty when none
  int Line = 0;           // line of the current token when it was reported
  int FileLine = 0;       // that line counted from the start of its own file (File, or the
                          // source where the count ran on from an include file)
  int Column = 0;         // 1-based column of that token
  std::string Scope;      // the class or part it concerns; empty when none
  std::string File;       // the include file it lies in; empty for the source
  std::string LineState;  // the line and the caret under the token, as printed
};
