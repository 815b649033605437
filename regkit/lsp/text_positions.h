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
  // Where the last count through it stopped: a position at or after it on
  // the same line is counted on from there, so the positions of a line
  // asked in text order cost the line's length once, however many they are.
  class TCursor {
    friend class TTextPositions;
    bool Set = false;
    std::size_t Offset = 0;
    std::size_t Line = 0;
    int Character = 0;
  };

  TTextPositions(std::string_view text, TEncoding encoding);

  // The position of the byte at offset (the text's end for a larger one),
  // counted from its line's start.
  TPosition At(std::size_t offset) const {
    TCursor fresh;
    return At(offset, fresh);
  }
  // The same, counted on from cursor where it can be; moves cursor there.
  TPosition At(std::size_t offset, TCursor& cursor) const;
  // The bytes stepped over to count characters so far (what positions cost).
  std::size_t Stepped() const { return SteppedBytes; }

private:
  std::string_view Text;
  TEncoding Encoding;
  std::vector<std::size_t> Starts; // of each line
  mutable std::size_t SteppedBytes = 0;
};
