#include "regkit/lsp/text_positions.h"

#include <algorithm>

namespace {

// UTF-16 code units of the UTF-8 text (a client's text comes in a JSON
// string, which is UTF-8): two for a four-byte sequence, one for any other.
// Each byte counts on its own, so a text may be counted in pieces.
int Utf16Units(std::string_view text) {
  int units = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) == 0x80) continue;
    units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

} // namespace

TTextPositions::TTextPositions(std::string_view text, TEncoding encoding) : Text(text), Encoding(encoding) {
  Starts.push_back(0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (text[i] == '\n' || text[i] == '\r') Starts.push_back(i + 1);
  }
}

TTextPositions::TPosition TTextPositions::At(std::size_t offset, TCursor& cursor) const {
  offset = std::min(offset, Text.size());
  bool onward = cursor.Set && offset >= cursor.Offset &&
                (cursor.Line + 1 == Starts.size() || offset < Starts[cursor.Line + 1]);
  if (!onward) {
    auto after = std::upper_bound(Starts.begin(), Starts.end(), offset);
    cursor.Line = static_cast<std::size_t>(after - Starts.begin()) - 1;
    cursor.Offset = Starts[cursor.Line];
    cursor.Character = 0;
    cursor.Set = true;
  }
  std::string_view between = Text.substr(cursor.Offset, offset - cursor.Offset);
  SteppedBytes += between.size();
  cursor.Character += Encoding == TEncoding::Utf8 ? static_cast<int>(between.size()) : Utf16Units(between);
  cursor.Offset = offset;
  return TPosition{static_cast<int>(cursor.Line), cursor.Character};
}
