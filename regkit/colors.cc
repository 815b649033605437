#include "regkit/colors.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

bool TColors::Wanted(TWhen when, bool terminal, const char* noColor, const char* term) {
  if (when != TWhen::Auto) return when == TWhen::Always;
  bool noColorSet = noColor != nullptr && *noColor != '\0';
  bool dumb = term != nullptr && std::strcmp(term, "dumb") == 0;
  return terminal && !noColorSet && !dumb;
}

bool TColors::ForStream(TWhen when, int fd) {
  return Wanted(when, isatty(fd) == 1, std::getenv("NO_COLOR"), std::getenv("TERM"));
}

std::string TColors::Painted(TPaint paint, const std::string& text) {
  const char* start = "\033[1m";
  switch (paint) {
  case TPaint::Bold:
    break;
  case TPaint::Red:
    start = "\033[1;31m";
    break;
  case TPaint::Magenta:
    start = "\033[1;35m";
    break;
  case TPaint::Cyan:
    start = "\033[1;36m";
    break;
  }
  return start + text + "\033[m";
}

std::string TColors::RunPrefix(TPaint paint, const char* word, bool colour) {
  return colour ? Painted(TPaint::Bold, "regkit:") + " " + Painted(paint, word) + " "
                : std::string("regkit: ") + word + " ";
}
