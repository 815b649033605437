// The edits that turn a text into the new text a scan made of it, line by
// line: only the lines that change, found body by body with the Register()
// body ranges of the scan.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tolvane/scan_result.h"

class TLineEdits {
public:
  // The bytes [From, To) of the old text become Text.
  struct TEdit {
    std::size_t From = 0;
    std::size_t To = 0;
    std::string Text;
  };
  enum class TScope {
    StaleBodies, // the stale Register() bodies, line ends aside
    All,         // everything that differs, line ends included
  };

  // old: the text the scan was made from; newText: the scan's text,
  // joined. Edits in text order, none overlapping.
  static std::vector<TEdit> Make(std::string_view old, std::string_view newText, const TScanResult& scan,
                                 TScope scope);
};
