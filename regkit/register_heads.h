// Every Register() body of a C++ text, found without the scan's grammar:
// each "Register", "(", an empty or "void" parameter list, ")", any
// specifiers ("override", "final", "noexcept", attributes) and a "{". One
// pass over the text, which skips comments, literals and preprocessor lines
// and keeps the braces on a stack of what they open (namespaces, extern
// blocks, classes, functions), so that each body found knows why a scan
// that does not regenerate it passes it over. regkit compares them with the
// bodies the scan read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TRegisterHeads {
public:
  // Why a body is not one that is regenerated, named by the place of its
  // head; which of them a grammar reads is the dialect's affair.
  enum class TReason {
    InsideNamespace,   // its class is inside a namespace (Place: its name, empty when anonymous)
    InsideExternBlock, // its class is inside an extern "C++" { ... } block
    ClassTemplate,     // its class is a template
    NestedClass,       // its class is nested in another class (Place: that class)
    LocalClass,        // its class is declared inside a function or another block
    OutOfLine,         // defined outside its class (Place: the qualifier, "TDev" or "app::TDev")
    NotAMethod,        // no class holds it
    NotVirtual,        // a method neither virtual, override nor final
    OtherHead,         // any other head: "Register(void)", a comment between its words, ...
    ClassNotRead,      // its class is found in none of the texts read
  };

  // One body's head.
  struct THead {
    int Line = 0;      // of the word Register, 1-based
    int Column = 0;    // of the word Register, 1-based, in bytes
    int BraceLine = 0; // of the body's "{"
    // Registration was switched off (TOLVANE_OFF) where the head stands
    // and, in a class, from the class's "{" on: the body has nothing to
    // write, and the user meant it so.
    bool SwitchedOff = false;
    TReason Reason = TReason::OtherHead;
    std::string Subject; // the class: "class TDev", "struct TDev", "an unnamed struct"; empty for none
    std::string Place;   // as the reason says
  };

  // The heads of text, in file order; lines are counted as the scan counts
  // them (LF, CR, CR LF, LF CR). Linear in the text.
  static std::vector<THead> Find(std::string_view text);
};
