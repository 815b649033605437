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
  // What the conversions cost so far, in steps a test can count.
  struct TCost {
    std::size_t BodiesLookedAt = 0; // to find the body of a stale finding
    std::size_t BytesStepped = 0;   // to find a word's end and to count characters
  };

  // text: the document the findings are about (kept alive by the caller).
  TConversions(std::string_view text, TTextPositions::TEncoding encoding)
      : Text(text), Lines(text), Positions(text, encoding) {}

  // The range of the bytes [from, to).
  nlohmann::json Range(std::size_t from, std::size_t to) const;
  // A finding as a diagnostic: a stale body spans the body's lines (the
  // finding's Body of scan's bodies), a scan's finding the word at its
  // column, another finding its line. Findings in text order cost the
  // text's length once.
  nlohmann::json Diagnostic(const TFinding& finding, const TScanResult* scan) const;
  // The findings as diagnostics.
  nlohmann::json Diagnostics(const std::vector<TFinding>& findings, const TScanResult* scan) const;
  // Edits as TextEdits.
  nlohmann::json TextEdits(const std::vector<TLineEdits::TEdit>& edits) const;
  // The client's line of the scan's line (1-based).
  int ClientLine(int scanLine) const { return Positions.At(Lines.Start(scanLine)).Line; }
  // The cost so far.
  TCost Cost() const { return {BodiesLookedAt, WordBytes + Positions.Stepped()}; }

private:
  std::string_view Text;
  TScanLines Lines;
  TTextPositions Positions;
  // Ranges asked in text order are counted on from the last start and the
  // last end, which each move forward only.
  mutable TTextPositions::TCursor StartCursor, EndCursor;
  // The last word found, [WordFrom, WordEnd): a word that begins inside it
  // ends where it does.
  mutable std::size_t WordFrom = 1, WordEnd = 0;
  mutable std::size_t BodiesLookedAt = 0, WordBytes = 0;
};
