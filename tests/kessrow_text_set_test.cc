#include "kessrow/text_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(TextSet, InsertFindAndClear) {
  TTextSet set;
  EXPECT_FALSE(set.Contains("1"));
  EXPECT_TRUE(set.Insert("1"));
  EXPECT_FALSE(set.Insert("1"));
  EXPECT_TRUE(set.Insert("01")); // texts, not numbers
  EXPECT_TRUE(set.Insert(""));
  EXPECT_TRUE(set.Contains(""));
  EXPECT_EQ(set.Size(), 3u);
  set.Clear();
  EXPECT_EQ(set.Size(), 0u);
  EXPECT_FALSE(set.Contains("1"));
  EXPECT_FALSE(set.Contains(""));
  EXPECT_TRUE(set.Insert("1"));
}

// Growing moves every entry; clearing after growth forgets all of them, and
// entries from before a clear never collide with later ones.
TEST(TextSet, ManyTextsThroughGrowthAndClears) {
  std::vector<std::string> texts;
  for (int i = 0; i < 5000; ++i) texts.push_back(std::to_string(i * 7) + "P");
  TTextSet set;
  for (int round = 0; round < 3; ++round) {
    std::size_t first = static_cast<std::size_t>(round % 2);
    for (std::size_t i = first; i < texts.size(); i += 2) EXPECT_TRUE(set.Insert(texts[i]));
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(set.Contains(texts[i]), i % 2 == first) << i;
    for (std::size_t i = first; i < texts.size(); i += 2) EXPECT_FALSE(set.Insert(texts[i]));
    set.Clear();
  }
}

} // namespace
