// One data member of the class being scanned, as its declaration and the
// directives on its line describe it.
#pragma once

#include <string>

class TMemberDescr {
public:
  std::string Name;             // the identifier as written
  bool UserRegistered = false;  // a user line of Register() already registers it
  bool RegistrationOn = true;   // it wants a generated registration line
  bool IsArray = false;         // the name was followed by "["
  std::string ArraySize;        // trimmed text between "[" and "]"
  bool ArrayUnresolved = false; // "[" seen, but the declarator was not understood
  int LineNumber = 0;           // line of the name
  int Position = 0;             // column of the name
  bool IsBus = false;           // a TOLVANE_BUS comment on its line applies
  std::string BusArg1;
  std::string BusArg2;
};
