// Colour in the finding lines and regkit's own messages, as compilers
// print theirs: the path and position bold, "error:" red, "warning:"
// magenta, "note:" cyan.
#pragma once

#include <string>

class TColors {
public:
  // When to colour (--color=).
  enum class TWhen { Auto, Always, Never };
  // What a text is painted with.
  enum class TPaint { Bold, Red, Magenta, Cyan };

  // Whether a stream gets colour: always, never, or (auto) when it is a
  // terminal, NO_COLOR is unset or empty and TERM is not "dumb".
  // noColor, term: the variables' values, null when unset.
  static bool Wanted(TWhen when, bool terminal, const char* noColor, const char* term);
  // The same for the descriptor fd, with this process's environment.
  static bool ForStream(TWhen when, int fd);
  // text between the escape sequences of paint (bold for all of them) and
  // of plain text.
  static std::string Painted(TPaint paint, const std::string& text);
  // "regkit: " and the severity word of one of regkit's own messages
  // ("error:" red, "note:" cyan where colour is wanted), then a blank.
  static std::string RunPrefix(TPaint paint, const char* word, bool colour);
};
