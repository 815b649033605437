#include "regkit/shell_word.h"

#include <cstdio>

namespace {

bool Safe(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == '/' || c == '+' || c == ',' || c == ':' || c == '@' || c == '%';
}

bool Control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

} // namespace

std::string ShellWord(std::string_view text) {
  bool safe = !text.empty(), control = false;
  for (char c : text) {
    safe = safe && Safe(c);
    control = control || Control(c);
  }
  if (safe) return std::string(text);
  std::string word;
  if (!control) {
    word = "'";
    for (char c : text) word.append(c == '\'' ? "'\\''" : std::string(1, c));
    return word.append("'");
  }
  word = "$'";
  for (char c : text) {
    if (c == '\\' || c == '\'') {
      word.push_back('\\');
      word.push_back(c);
    } else if (c == '\n') {
      word.append("\\n");
    } else if (c == '\t') {
      word.append("\\t");
    } else if (Control(c)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
      word.append(escape);
    } else {
      word.push_back(c);
    }
  }
  return word.append("'");
}

std::string UpdateCommand(std::string_view path) {
  std::string command = "regkit update ";
  // A name that begins with "-" would be read as an option.
  if (!path.empty() && path[0] == '-') command.append("-- ");
  return command.append(ShellWord(path));
}
