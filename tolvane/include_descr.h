// One TOLVANE_INCL directive: a line of the user's own text for the
// generated part of the class's Register() body.
#pragma once

#include <string>

class TIncludeDescr {
public:
  std::string Text; // the rest of the directive line, blanks kept
  int LineNumber = 0;
};
