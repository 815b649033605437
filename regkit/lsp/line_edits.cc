#include "regkit/lsp/line_edits.h"

#include "regkit/lsp/scan_lines.h"

namespace {

// Lines [OldFirst, OldEnd) of the old text that stand for lines
// [NewFirst, NewEnd) of the new one (1-based).
struct TSegment {
  int OldFirst, OldEnd, NewFirst, NewEnd;
  bool Body; // a stale body
};

std::string_view WithoutEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// The segments of both texts: each Register() body, and what lies between
// them. Empty when the ranges do not fit the texts.
std::vector<TSegment> Segments(const TScanResult& scan, int oldCount, int newCount) {
  std::vector<TSegment> segments;
  int oldAt = 1, newAt = 1;
  for (const TBodyRange& body : scan.Bodies) {
    bool fits = body.BraceLine >= oldAt && body.NewBraceLine >= newAt && body.CloseLine >= body.BraceLine &&
                body.NewCloseLine >= body.NewBraceLine && body.CloseLine <= oldCount &&
                body.NewCloseLine <= newCount;
    if (!fits) return {};
    segments.push_back({oldAt, body.BraceLine, newAt, body.NewBraceLine, false});
    segments.push_back({body.BraceLine, body.CloseLine + 1, body.NewBraceLine, body.NewCloseLine + 1, body.Stale()});
    oldAt = body.CloseLine + 1;
    newAt = body.NewCloseLine + 1;
  }
  segments.push_back({oldAt, oldCount + 1, newAt, newCount + 1, false});
  return segments;
}

} // namespace

std::vector<TLineEdits::TEdit> TLineEdits::Make(std::string_view old, std::string_view newText,
                                                const TScanResult& scan, TScope scope) {
  TScanLines oldLines(old), newLines(newText);
  std::vector<TSegment> segments = Segments(scan, oldLines.Count(), newLines.Count());
  // Where the client would count the lines otherwise, or the ranges do not
  // fit, the whole text is one edit.
  if (!oldLines.LikeClient() || segments.empty()) {
    if (old == newText || (scope == TScope::StaleBodies && !scan.AnyStale())) return {};
    return {TEdit{0, old.size(), std::string(newText)}};
  }
  bool ignoreEnds = scope == TScope::StaleBodies;
  auto same = [&](int oldLine, int newLine) {
    std::string_view a = oldLines.WithEnd(oldLine), b = newLines.WithEnd(newLine);
    return ignoreEnds ? WithoutEnd(a) == WithoutEnd(b) : a == b;
  };
  std::vector<TEdit> edits;
  for (TSegment s : segments) {
    if (scope == TScope::StaleBodies && !s.Body) continue;
    // Lines alike at either end stay; the lines between are replaced.
    while (s.OldFirst < s.OldEnd && s.NewFirst < s.NewEnd && same(s.OldFirst, s.NewFirst)) ++s.OldFirst, ++s.NewFirst;
    while (s.OldFirst < s.OldEnd && s.NewFirst < s.NewEnd && same(s.OldEnd - 1, s.NewEnd - 1)) --s.OldEnd, --s.NewEnd;
    if (s.OldFirst == s.OldEnd && s.NewFirst == s.NewEnd) continue;
    std::size_t from = oldLines.Start(s.OldFirst), to = oldLines.Start(s.OldEnd);
    std::size_t newFrom = newLines.Start(s.NewFirst), newTo = newLines.Start(s.NewEnd);
    edits.push_back(TEdit{from, to, std::string(newText.substr(newFrom, newTo - newFrom))});
  }
  return edits;
}
