// The line diff behind regkit's findings and --diff output.
#include <gtest/gtest.h>

#include "regkit/line_diff.h"
#include "regkit/text_check.h"

namespace {

using TCompare = TLineDiff::TCompare;

TEST(RegkitLineDiff, ChangeLinesNameTheFirstLineOfEachRun) {
  TLineDiff diff("a\nb\nc\nd\ne\n", "a\nB\nc\nd\ne\nf\n", TCompare::Exact);
  EXPECT_EQ(diff.ChangeLines(), (std::vector<int>{2, 6}));
  EXPECT_TRUE(TLineDiff("x\n", "x\n", TCompare::Exact).ChangeLines().empty());
  EXPECT_EQ(TLineDiff("x\n", "x\n", TCompare::Exact).Unified("f"), "");
  // Line ends alone differ: equal when they are ignored.
  EXPECT_TRUE(TLineDiff("x\r\ny\r\n", "x\ny\n", TCompare::IgnoreLineEnds).ChangeLines().empty());
  EXPECT_EQ(TLineDiff("x\r\ny\r\n", "x\ny\n", TCompare::Exact).ChangeLines(), (std::vector<int>{1}));
}

TEST(RegkitLineDiff, UnifiedHunksWithContext) {
  std::string before, after;
  for (int i = 1; i <= 20; ++i) {
    before += std::to_string(i) + "\n";
    after += (i == 5 ? std::string("five\n") : std::to_string(i) + "\n");
    if (i == 15) after += "new\n";
  }
  EXPECT_EQ(TLineDiff(before, after, TCompare::Exact).Unified("d/f.h"),
            "--- a/d/f.h\n+++ b/d/f.h\n"
            "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n"
            "@@ -13,6 +13,7 @@\n 13\n 14\n 15\n+new\n 16\n 17\n 18\n");
  // Changes at most six lines apart share one hunk.
  EXPECT_EQ(TLineDiff("1\n2\n3\n4\n5\n6\n7\n8\n", "X\n2\n3\n4\n5\n6\n7\nY\n", TCompare::Exact).Unified("f"),
            "--- a/f\n+++ b/f\n@@ -1,8 +1,8 @@\n-1\n+X\n 2\n 3\n 4\n 5\n 6\n 7\n-8\n+Y\n");
}

TEST(RegkitLineDiff, MissingLastLineFeedAndEmptySides) {
  EXPECT_EQ(TLineDiff("a\nb", "a\nc", TCompare::Exact).Unified("f"),
            "--- a/f\n+++ b/f\n@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n"
            "\\ No newline at end of file\n");
  EXPECT_EQ(TLineDiff("", "a\n", TCompare::Exact).Unified("f"), "--- a/f\n+++ b/f\n@@ -0,0 +1,1 @@\n+a\n");
  EXPECT_EQ(TLineDiff("a\n", "", TCompare::Exact).Unified("f"), "--- a/f\n+++ b/f\n@@ -1,1 +0,0 @@\n-a\n");
}

TEST(RegkitLineDiff, ManyEditsBecomeOneReplacement) {
  std::string before, after;
  for (int i = 0; i < 3000; ++i) {
    before += std::to_string(i) + "\r\n";
    after += std::to_string(i) + "\n";
  }
  TLineDiff diff(before, after, TCompare::Exact);
  EXPECT_EQ(diff.ChangeLines(), (std::vector<int>{1}));
  std::string unified = diff.Unified("f");
  EXPECT_EQ(unified.substr(0, 36), "--- a/f\n+++ b/f\n@@ -1,3000 +1,3000 @");
}

// Each hunk's header counts the lines before it, however many hunks
// come before.
TEST(RegkitLineDiff, EveryHunkCountsItsLines) {
  std::string before, after, expected = "--- a/f\n+++ b/f\n";
  for (int i = 1; i <= 2000; ++i) {
    before += std::to_string(i) + "\n";
    after += i % 10 == 5 ? "x\n" : std::to_string(i) + "\n";
    if (i % 10 != 5) continue;
    expected += "@@ -" + std::to_string(i - 3) + ",7 +" + std::to_string(i - 3) + ",7 @@\n";
    for (int j = i - 3; j <= i + 3; ++j)
      expected.append(j == i ? "-" : " ").append(std::to_string(j)).append(j == i ? "\n+x\n" : "\n");
  }
  EXPECT_EQ(TLineDiff(before, after, TCompare::Exact).Unified("f"), expected);
}

// Every stale body of a file is named, however many there are.
TEST(RegkitLineDiff, EveryStaleBodyIsReported) {
  std::string text;
  for (int i = 0; i < 600; ++i)
    text += "class T" + std::to_string(i) + " {\n  TReg a;\n  virtual void Register() {\n  }\n};\n";
  TTextCheck check(false);
  std::vector<TFinding> findings;
  EXPECT_EQ(check.Run("f.h", text, findings), TFileResult::TState::Stale);
  ASSERT_EQ(findings.size(), 600u);
  for (int i = 0; i < 600; ++i) EXPECT_EQ(findings[static_cast<std::size_t>(i)].Line, 5 * i + 4) << i;
}

} // namespace
