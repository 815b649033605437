// A whole kessrow pass over arbitrary input held in memory. The first byte
// chooses the flags and whether an include part is given; the include part
// is the text up to the first NUL byte, the source the text after it. A
// header written without error must be one that tolvane leaves unchanged
// (when the input copies no C++ text of its own into it), -v and -N beside
// -L must not change the header, and the output stays linear in the input
// apart from the alignment blanks.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_util.h"
#include "kessrow/part_engine.h"
#include "tolvane/register_engine.h"

namespace {

bool ContainsNoCase(std::string_view text, std::string_view word) {
  auto it = std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return up(a) == up(b);
  });
  return it != text.end();
}

// Input that puts text of the user's own into the header: verbatim
// blocks, preprocessor lines, a base class, braces or directives in
// comments. Such a header may legitimately be changed by tolvane.
bool CopiesUserCode(std::string_view text) {
  for (const char* word : {"$PART_LINES", "$CONSTRUCTOR", "$REGISTER", "$INSERT", "$BASE_CLASS", "TOLVANE",
                           "#", "{", "}", "\\", "\"", "'", "/*", "*/"})
    if (ContainsNoCase(text, word)) return true;
  return false;
}

std::size_t NonBlank(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) { return c != ' '; }));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t flags = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::optional<std::string_view> include;
  std::string_view source = rest;
  if (flags & 1) {
    std::size_t cut = rest.find('\0');
    if (cut != std::string_view::npos) {
      include = rest.substr(0, cut);
      source = rest.substr(cut + 1);
    }
  }

  // One pass with the flags as the command line would give them (-N,
  // -L; -v only talks).
  auto pass = [&](std::uint8_t chosen, std::string& out) {
    TPartOptions options;
    options.SourceName = "parts.kes";
    options.DestName = "parts.h";
    if (include) options.IncludeName = "defs.kes";
    if (chosen & 2) options.RangeOrder = TPartOptions::TRangeOrder::AsDeclared;
    if (chosen & 4) options.RangeOrder = TPartOptions::TRangeOrder::LowHigh;
    TPartEngine tool;
    TPartResult result;
    tool.Generate(include, source, options, result);
    out = result.Text.Flatten();
    return result.Ok;
  };

  std::string out;
  bool ok = pass(flags, out);
  FUZZ_CHECK(NonBlank(out) <= 64 * size + 4096);

  // -v only talks more, and -L overrides -N: neither changes the header.
  std::string other;
  std::uint8_t otherFlags = (flags & 4) ? flags ^ 10 : flags ^ 8;
  FUZZ_CHECK(pass(otherFlags, other) == ok);
  FUZZ_CHECK(other == out);
  if (!ok || CopiesUserCode(rest)) return 0;

  static const TRegisterEngine tolvane;
  TScanResult again = tolvane.Scan(out);
  FUZZ_CHECK(again.Ok);
  FUZZ_CHECK(again.Text.Flatten() == out);
  return 0;
}
