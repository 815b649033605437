// What the scan holds of a tracked class while a class nested in it is
// read (modern dialect): it is taken up again at the nested class's end.
#pragma once

#include <string>
#include <vector>

#include "tolvane/include_descr.h"
#include "tolvane/member_descr.h"

class TClassState {
public:
  std::string Name;
  std::vector<TMemberDescr> Members;
  std::vector<TIncludeDescr> Includes;
  bool RegisterFound = false;
  bool RegisterDeclared = false; // Register() is declared in it, its body defined outside
  bool TypeSeen = false;
  int Line = 0;      // of the class's "{"
  int TwiceLine = 0; // of a second class of the same qualified name, when there is one
  // The files the two classes are in, when they were read from other texts
  // (both set, where TwiceLine is).
  std::string File;
  std::string TwiceFile;
};
