// A whole tolvane scan over arbitrary input held in memory. A successful
// scan must leave every line alone except the generated ones, must be
// stable (scanning its output again changes nothing), must not depend on
// the kind of line ends, and its output must stay within the input plus,
// for each generated line, a bounded multiple of the longest input line.
// A scan in the modern dialect must be as bounded and as stable.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_util.h"
#include "tolvane/register_engine.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The lines of text that a scan may neither drop nor add: every line but
// the blank ones and those ending in the marker comment.
std::vector<std::string_view> KeptLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    std::string_view trimmed = line;
    while (!trimmed.empty() && IsSpace(trimmed.back())) trimmed.remove_suffix(1);
    if (trimmed.empty() || trimmed.ends_with("// tolvane")) continue;
    lines.push_back(line);
  }
  return lines;
}

// The number of lines of text that end in the marker comment, and the
// length of its longest line.
std::size_t MarkedLines(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = text.find("// tolvane\n"); at != std::string_view::npos;
       at = text.find("// tolvane\n", at + 1))
    ++count;
  return count;
}
std::size_t LongestLine(std::string_view text) {
  std::size_t longest = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = std::min(text.find('\n', start), text.size());
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  return longest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view source(reinterpret_cast<const char*>(data), size);
  static const TRegisterEngine tool;
  auto scan = [&](std::string_view text, std::string& out) {
    TScanResult result = tool.Scan(text);
    out = result.Text.Flatten();
    return result.Ok;
  };

  // The modern dialect on the same input: as bounded, and as stable.
  TScanOptions modernOptions;
  modernOptions.Dialect = TScanOptions::TDialect::Modern;
  modernOptions.KeepClasses = true;
  auto modern = [&](std::string_view text, std::string& out) {
    TScanResult result = tool.Scan(text, modernOptions);
    out = result.Text.Flatten();
    return result.Ok;
  };
  std::string modernOut;
  if (modern(source, modernOut)) {
    FUZZ_CHECK(modernOut.size() <= size + MarkedLines(modernOut) * (4 * LongestLine(source) + 64));
    std::string modernAgain;
    FUZZ_CHECK(modern(modernOut, modernAgain));
    FUZZ_CHECK(modernAgain == modernOut);
  }

  std::string out;
  bool ok = scan(source, out);
  // Each generated line repeats the text before the body's closing brace,
  // as the rules say (a hostile indent makes that long: 8 KB of input can
  // give a megabyte), then a name with its padding, the numbers of an
  // array or a bus, or a copied TOLVANE_INCL text, each no longer than a
  // line of the input, and a few fixed characters. So the output is linear
  // in the input for a bounded line length, not for any input.
  FUZZ_CHECK(out.size() <= size + MarkedLines(out) * (4 * LongestLine(source) + 64));
  if (!ok) return 0;

  const std::string normal = NormaliseLineEnds(source);
  if (source.find("Register") == std::string_view::npos) FUZZ_CHECK(out == normal);
  FUZZ_CHECK(KeptLines(out) == KeptLines(normal));

  std::string again;
  FUZZ_CHECK(scan(out, again));
  FUZZ_CHECK(again == out);

  // Line ends are only read, never kept: the text with CR LF scans the same.
  std::string crlf;
  crlf.reserve(2 * normal.size());
  for (char c : normal) c == '\n' ? crlf += "\r\n" : crlf += c;
  std::string fromCrlf;
  FUZZ_CHECK(scan(crlf, fromCrlf));
  FUZZ_CHECK(fromCrlf == out);
  return 0;
}
