#include "regkit/lsp/conversions.h"

#include <algorithm>

#include "regkit/rule_table.h"

using nlohmann::json;

namespace {

// The protocol's DiagnosticSeverity.
enum TLspSeverity : int { kLspError = 1, kLspWarning = 2, kLspInformation = 3 };

int SeverityOf(TFinding::TSeverity severity) {
  switch (severity) {
  case TFinding::TSeverity::Error:
    return kLspError;
  case TFinding::TSeverity::Warning:
    return kLspWarning;
  case TFinding::TSeverity::Note:
    break;
  }
  return kLspInformation;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

json TConversions::Range(std::size_t from, std::size_t to) const {
  TTextPositions::TPosition start = Positions.At(from, StartCursor), end = Positions.At(to, EndCursor);
  return {{"start", {{"line", start.Line}, {"character", start.Character}}},
          {"end", {{"line", end.Line}, {"character", end.Character}}}};
}

json TConversions::Diagnostic(const TFinding& f, const TScanResult* scan) const {
  const TScanLines& lines = Lines;
  std::size_t from = 0, to = 0;
  int line = std::min(f.Line, lines.Count());
  if (line > 0) {
    from = lines.Start(line);
    to = lines.End(line);
  }
  // A stale finding names its body by its index in the scan's bodies.
  const TBodyRange* body = nullptr;
  if (scan && f.Rule == TFinding::TRule::StaleBody && f.Body >= 0 &&
      static_cast<std::size_t>(f.Body) < scan->Bodies.size()) {
    ++BodiesLookedAt;
    const TBodyRange& b = scan->Bodies[static_cast<std::size_t>(f.Body)];
    if (b.Stale() && b.FirstChange == f.Line && b.CloseLine <= lines.Count()) body = &b;
  }
  if (body) {
    from = lines.Start(body->BraceLine);
    to = lines.End(body->CloseLine);
  } else if (line > 0 && f.Column > 0) {
    // The word at the column: up to the next blank or the line's end. A
    // word that begins inside the last one found (a line of findings with
    // no blank between them) ends where that one did.
    from = std::min(from + static_cast<std::size_t>(f.Column - 1), to);
    std::size_t end = from >= WordFrom && from <= WordEnd && WordEnd <= to ? WordEnd : from;
    for (; end < to && !IsBlank(Text[end]); ++end) ++WordBytes;
    WordFrom = from;
    WordEnd = end;
    to = end;
  }
  return {{"range", Range(from, to)},
          {"severity", SeverityOf(f.Severity)},
          {"code", TRuleInfo::Of(f.Rule).Id},
          {"source", "regkit"},
          {"message", f.Message}};
}

json TConversions::Diagnostics(const std::vector<TFinding>& findings, const TScanResult* scan) const {
  json list = json::array();
  for (const TFinding& f : findings) list.push_back(Diagnostic(f, scan));
  return list;
}

json TConversions::TextEdits(const std::vector<TLineEdits::TEdit>& edits) const {
  json list = json::array();
  for (const TLineEdits::TEdit& edit : edits) list.push_back({{"range", Range(edit.From, edit.To)}, {"newText", edit.Text}});
  return list;
}
