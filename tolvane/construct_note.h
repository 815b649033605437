// A construct that the modern dialect read where the specified grammar
// reads none, and the line it stands on.
#pragma once

class TConstructNote {
public:
  enum class TKind {
    Initialiser, // a default member initialiser
    Attribute,   // [[...]], alignas(...), __attribute__((...))
    MacroLine,   // a line holding only a macro or its invocation
    MacroLabel,  // an access label with a macro word
    PassedOver,  // a declaration of another form, passed over
  };
  TKind Kind = TKind::PassedOver;
  int Line = 0;
};
