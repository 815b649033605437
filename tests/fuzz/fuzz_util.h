// Shared pieces of the fuzz targets: a console that swallows everything and
// the line-end normalisation the tokenizer applies to its echo.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

// A stream buffer that accepts and drops every character.
class TNullBuffer : public std::streambuf {
protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// The console of a fuzz run: reports are produced but not kept.
inline std::ostream& NullConsole() {
  static TNullBuffer buffer;
  static std::ostream stream(&buffer);
  return stream;
}

// The text with every line terminator written as one line feed: CR LF and
// LF CR count as one terminator, a lone CR or LF as one.
inline std::string NormaliseLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\n' && c != '\r') {
      out += c;
      continue;
    }
    char other = c == '\n' ? '\r' : '\n';
    if (i + 1 < text.size() && text[i + 1] == other) ++i;
    out += '\n';
  }
  return out;
}

// A failed property: printed and turned into a crash that libFuzzer records.
#define FUZZ_CHECK(condition)                                                                                \
  do {                                                                                                       \
    if (!(condition)) {                                                                                      \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);                  \
      std::abort();                                                                                          \
    }                                                                                                        \
  } while (false)
