// A line diff of two texts: where they differ, and the difference as a
// unified diff that git apply and patch accept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TLineDiff {
public:
  enum class TOp : char { Keep, Delete, Insert };
  // How lines compare: byte for byte, or without their line end (so that
  // CR LF and LF lines are equal).
  enum class TCompare { Exact, IgnoreLineEnds };

  // Compares the lines of before and after (both kept alive by the caller).
  TLineDiff(std::string_view before, std::string_view after, TCompare compare);

  // 1-based line numbers of before at which a run of changes starts (for
  // lines inserted at the very end: the number after the last line).
  std::vector<int> ChangeLines() const;
  // "--- a/<name>", "+++ b/<name>" (quoted where the name needs it) and
  // hunks with context lines around each change; "" when the texts have
  // equal lines. Linear in the number of lines.
  std::string Unified(const std::string& name, std::size_t context = 3) const;

private:
  void Compute(TCompare compare);
  bool MiddleDiff(std::size_t from, std::size_t oldEnd, std::size_t newEnd, TCompare compare);
  void AppendHunk(std::string& out, std::size_t first, std::size_t end, std::size_t oldLine,
                  std::size_t newLine) const;

  std::vector<std::string_view> Old; // each line with its line feed, if any
  std::vector<std::string_view> New;
  std::vector<TOp> Ops; // the edit script from Old to New
};
