// One data member of the class being scanned, as its declaration and the
// directives on its line describe it. Its texts view the source being
// scanned (or the keyword table), which outlives the scan's members: a
// member is recorded without allocating.
#pragma once

#include <string_view>

class TMemberDescr {
public:
  std::string_view Name;        // the identifier as written
  bool UserRegistered = false;  // a user line of Register() already registers it
  bool RegistrationOn = true;   // it wants a generated registration line
  bool IsArray = false;         // the name was followed by "["
  std::string_view ArraySize;   // trimmed text between "[" and "]"
  bool ArrayUnresolved = false; // "[" seen, but the declarator was not understood
  int LineNumber = 0;           // line of the name
  int Position = 0;             // column of the name
  bool IsBus = false;           // a TOLVANE_BUS comment on its line applies
  std::string_view BusArg1;
  std::string_view BusArg2;
};
