#include "regkit/lsp/scan_lines.h"

#include "framework/text/input_assist.h"

TScanLines::TScanLines(std::string_view text) : Text(text) {
  std::size_t start = 0;
  while (start < text.size()) {
    Starts.push_back(start);
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      Ends.push_back(text.size());
      start = text.size();
      break;
    }
    Ends.push_back(end);
    std::size_t length = LineEndLength(text, end);
    if (length == 2 && text[end] == '\n') ClientAlike = false; // LF CR
    start = end + length;
  }
  Starts.push_back(text.size());
}
