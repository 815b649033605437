#include "regkit/lsp/scan_lines.h"

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
    char other = text[end] == '\n' ? '\r' : '\n';
    bool pair = end + 1 < text.size() && text[end + 1] == other;
    if (pair && other == '\r') ClientAlike = false;
    start = end + (pair ? 2 : 1);
  }
  Starts.push_back(text.size());
}
