#include "regkit/line_diff.h"

#include <algorithm>

#include "regkit/path_quote.h"

namespace {

// Beyond this many edits a middle part is shown as replaced whole: a
// correct diff, only a longer one, with bounded memory for the trace.
const int kMaxEdits = 1000;

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t feed = text.find('\n', start);
    std::size_t end = feed == std::string_view::npos ? text.size() : feed + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string_view WithoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool Same(std::string_view a, std::string_view b, TLineDiff::TCompare compare) {
  return compare == TLineDiff::TCompare::Exact ? a == b : WithoutLineEnd(a) == WithoutLineEnd(b);
}

} // namespace

TLineDiff::TLineDiff(std::string_view before, std::string_view after, TCompare compare)
    : Old(SplitLines(before)), New(SplitLines(after)) {
  Compute(compare);
}

// Common lines at both ends are kept as they are; only the part between
// them goes through the shortest-edit search.
void TLineDiff::Compute(TCompare compare) {
  std::size_t head = 0;
  while (head < Old.size() && head < New.size() && Same(Old[head], New[head], compare)) ++head;
  std::size_t tail = 0;
  while (tail < Old.size() - head && tail < New.size() - head &&
         Same(Old[Old.size() - 1 - tail], New[New.size() - 1 - tail], compare))
    ++tail;
  Ops.assign(head, TOp::Keep);
  if (!MiddleDiff(head, Old.size() - tail, New.size() - tail, compare)) {
    Ops.insert(Ops.end(), Old.size() - tail - head, TOp::Delete);
    Ops.insert(Ops.end(), New.size() - tail - head, TOp::Insert);
  }
  Ops.insert(Ops.end(), tail, TOp::Keep);
}

// The greedy shortest-edit search over Old[from, oldEnd) and New[from,
// newEnd), keeping the frontier of every round for the walk back. False
// when more than kMaxEdits edits would be needed.
bool TLineDiff::MiddleDiff(std::size_t from, std::size_t oldEnd, std::size_t newEnd, TCompare compare) {
  const int n = static_cast<int>(oldEnd - from), m = static_cast<int>(newEnd - from);
  const int limit = std::min(n + m, kMaxEdits);
  const int offset = limit + 1;
  std::vector<int> v(static_cast<std::size_t>(2 * limit + 3), 0);
  std::vector<std::vector<int>> trace;
  auto at = [&](std::vector<int>& row, int k) -> int& { return row[static_cast<std::size_t>(k + offset)]; };
  int found = -1;
  for (int d = 0; d <= limit && found < 0; ++d) {
    trace.push_back(v);
    for (int k = -d; k <= d; k += 2) {
      int x = (k == -d || (k != d && at(v, k - 1) < at(v, k + 1))) ? at(v, k + 1) : at(v, k - 1) + 1;
      int y = x - k;
      while (x < n && y < m &&
             Same(Old[from + static_cast<std::size_t>(x)], New[from + static_cast<std::size_t>(y)], compare))
        ++x, ++y;
      at(v, k) = x;
      if (x >= n && y >= m) {
        found = d;
        break;
      }
    }
  }
  if (found < 0) return false;
  std::vector<TOp> middle;
  int x = n, y = m;
  for (int d = found; d > 0; --d) {
    std::vector<int>& row = trace[static_cast<std::size_t>(d)];
    int k = x - y;
    int prevK = (k == -d || (k != d && at(row, k - 1) < at(row, k + 1))) ? k + 1 : k - 1;
    int prevX = at(row, prevK), prevY = prevX - prevK;
    for (; x > prevX && y > prevY; --x, --y) middle.push_back(TOp::Keep);
    middle.push_back(prevK == k + 1 ? TOp::Insert : TOp::Delete);
    x = prevX;
    y = prevY;
  }
  for (; x > 0; --x) middle.push_back(TOp::Keep);
  Ops.insert(Ops.end(), middle.rbegin(), middle.rend());
  return true;
}

std::vector<int> TLineDiff::ChangeLines() const {
  std::vector<int> lines;
  std::size_t oldLine = 0;
  bool inChange = false;
  for (TOp op : Ops) {
    if (op != TOp::Keep && !inChange) lines.push_back(static_cast<int>(oldLine) + 1);
    inChange = op != TOp::Keep;
    if (op != TOp::Insert) ++oldLine;
  }
  return lines;
}

std::string TLineDiff::Unified(const std::string& name, std::size_t context) const {
  std::string out;
  // The lines of each side before Ops[i], counted as i moves on.
  std::size_t i = 0, oldLine = 0, newLine = 0;
  auto advance = [&](std::size_t to) {
    for (; i < to; ++i) {
      if (Ops[i] != TOp::Insert) ++oldLine;
      if (Ops[i] != TOp::Delete) ++newLine;
    }
  };
  for (;;) {
    std::size_t change = i;
    while (change < Ops.size() && Ops[change] == TOp::Keep) ++change;
    if (change == Ops.size()) break;
    // A hunk runs from context lines before the change to context lines
    // after the last change that is no further than twice that away.
    std::size_t first = std::max(i, change >= context ? change - context : 0);
    std::size_t last = change;
    for (std::size_t j = change; j < Ops.size() && j <= last + 2 * context + 1; ++j)
      if (Ops[j] != TOp::Keep) last = j;
    std::size_t end = std::min(Ops.size(), last + 1 + context);
    if (out.empty()) out = "--- " + QuotePath("a/" + name) + "\n+++ " + QuotePath("b/" + name) + "\n";
    advance(first);
    AppendHunk(out, first, end, oldLine, newLine);
    advance(end);
  }
  return out;
}

// Ops[first, end) as one hunk, with its header; oldLine and newLine: the
// lines of each side before it.
void TLineDiff::AppendHunk(std::string& out, std::size_t first, std::size_t end, std::size_t oldLine,
                           std::size_t newLine) const {
  std::size_t oldCount = 0, newCount = 0;
  for (std::size_t j = first; j < end; ++j) {
    if (Ops[j] != TOp::Insert) ++oldCount;
    if (Ops[j] != TOp::Delete) ++newCount;
  }
  // An empty side names the line before the hunk, as diff does.
  auto range = [](std::size_t start, std::size_t count) {
    return std::to_string(count == 0 ? start : start + 1) + "," + std::to_string(count);
  };
  out += "@@ -" + range(oldLine, oldCount) + " +" + range(newLine, newCount) + " @@\n";
  for (std::size_t j = first; j < end; ++j) {
    std::string_view line = Ops[j] == TOp::Insert ? New[newLine++] : Old[oldLine++];
    if (Ops[j] == TOp::Keep) ++newLine;
    out += Ops[j] == TOp::Keep ? ' ' : Ops[j] == TOp::Delete ? '-' : '+';
    out += line;
    if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
  }
}
