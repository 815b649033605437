// Positions in a text as a language client counts them: lines end at LF,
// CR LF or CR, and a character is a UTF-16 code unit or, where the client
// chose it, a byte.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

class TTextPositions {
public:
  enum class TEncoding { Utf16, Utf8 };
  // 0-based, as the protocol counts.
  struct TPosition {
    int Line = 0;
    int Character = 0;
  };

  TTextPositions(std::string_view text, TEncoding encoding);

  // The position of the byte at offset (the text's end for a larger one).
  TPosition At(std::size_t offset) const;

private:
  std::string_view Text;
  TEncoding Encoding;
  std::vector<std::size_t> Starts; // of each line
};
