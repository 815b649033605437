#include "regkit/path_quote.h"

#include <algorithm>

namespace {

bool NeedsQuotes(unsigned char c) { return c < 0x20 || c == 0x7f || c == '\\' || c == '"'; }

// The C-style escape of a byte that needs one.
std::string Escape(unsigned char c) {
  switch (c) {
  case '\a':
    return "\\a";
  case '\b':
    return "\\b";
  case '\t':
    return "\\t";
  case '\n':
    return "\\n";
  case '\v':
    return "\\v";
  case '\f':
    return "\\f";
  case '\r':
    return "\\r";
  case '"':
    return "\\\"";
  case '\\':
    return "\\\\";
  default:
    return {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
            static_cast<char>('0' + (c & 7))};
  }
}

} // namespace

std::string QuotePath(const std::string& path) {
  if (std::none_of(path.begin(), path.end(),
                   [](char c) { return NeedsQuotes(static_cast<unsigned char>(c)); }))
    return path;
  std::string quoted = "\"";
  for (char c : path) {
    if (NeedsQuotes(static_cast<unsigned char>(c)))
      quoted += Escape(static_cast<unsigned char>(c));
    else
      quoted += c;
  }
  return quoted + "\"";
}

bool DiffCanName(const std::string& path) { return path.find(' ') == std::string::npos; }
