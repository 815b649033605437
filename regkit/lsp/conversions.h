// regkit's findings and edits as the protocol's JSON: diagnostics with
// their ranges, text edits.
#pragma once

#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "regkit/finding.h"
#include "regkit/lsp/line_edits.h"
#include "regkit/lsp/scan_lines.h"
#include "regkit/lsp/text_positions.h"
#include "tolvane/scan_result.h"

class TConversions {
public:
  // text: the document the findings are about (kept alive by the caller).
  TConversions(std::string_view text, TTextPositions::TEncoding encoding)
      : Text(text), Lines(text), Positions(text, encoding) {}

  // The range of the bytes [from, to).
  nlohmann::json Range(std::size_t from, std::size_t to) const;
  // A finding as a diagnostic: a stale body spans the body's lines (those
  // of scan's bodies), a scan's finding the word at its column, another
  // finding its line.
  nlohmann::json Diagnostic(const TFinding& finding, const TScanResult* scan) const;
  // The findings as diagnostics.
  nlohmann::json Diagnostics(const std::vector<TFinding>& findings, const TScanResult* scan) const;
  // Edits as TextEdits.
  nlohmann::json TextEdits(const std::vector<TLineEdits::TEdit>& edits) const;
  // The client's line of the scan's line (1-based).
  int ClientLine(int scanLine) const { return Positions.At(Lines.Start(scanLine)).Line; }

private:
  std::string_view Text;
  TScanLines Lines;
  TTextPositions Positions;
};
