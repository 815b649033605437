// The lines of a text as tolvane's scan counts them: a line ends at LF, CR,
// or CR and LF in either order.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

class TScanLines {
public:
  explicit TScanLines(std::string_view text);

  // Lines in the text (a last line without an end counts; an empty text
  // has none).
  int Count() const { return static_cast<int>(Starts.size()) - 1; }
  // Offset of line's first byte (1-based); Count() + 1 gives the text's end.
  std::size_t Start(int line) const { return Starts[static_cast<std::size_t>(line - 1)]; }
  // Offset where line's end (its terminator) begins.
  std::size_t End(int line) const { return Ends[static_cast<std::size_t>(line - 1)]; }
  // Line with its terminator.
  std::string_view WithEnd(int line) const { return Text.substr(Start(line), Start(line + 1) - Start(line)); }
  // Line without its terminator.
  std::string_view Content(int line) const { return Text.substr(Start(line), End(line) - Start(line)); }
  // Whether every line starts where a client's count of lines (LF, CR LF,
  // CR) starts one too: false when an LF is followed by a CR.
  bool LikeClient() const { return ClientAlike; }

private:
  std::string_view Text;
  std::vector<std::size_t> Starts; // and the text's end
  std::vector<std::size_t> Ends;
  bool ClientAlike = true;
};
