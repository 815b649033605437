// One error or warning of a scan, for callers that report it in their own
// form (file:line:col) instead of reading the console text.
#pragma once

#include <string>

class TDiagnostic {
public:
  enum class TKind { Error, Warning };

  TKind Kind = TKind::Error;
  std::string Message; // the message as the report block prints it
  int Line = 0;        // line of the current token when it was reported
  int Column = 0;      // 1-based column of that token
};
