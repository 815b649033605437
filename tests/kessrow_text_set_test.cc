#include "kessrow/text_set.h"

#include "framework/text/text_hash.h"

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

// Every text in one bucket: only the comparison of the texts themselves
// tells them apart, and the probe still finds each one.
TEST(TextSet, TextsWithEqualHashesStayDistinct) {
  TTextSet set([](std::string_view) { return std::uint64_t{42}; });
  std::vector<std::string> texts;
  for (int i = 0; i < 300; ++i) texts.push_back(std::to_string(i) + "p");
  for (const std::string& text : texts) EXPECT_TRUE(set.Insert(text)) << text;
  for (const std::string& text : texts) EXPECT_FALSE(set.Insert(text)) << text;
  EXPECT_EQ(set.Size(), texts.size());
  EXPECT_FALSE(set.Contains("q1"));
}

// The key decides the hash: names that collide under one key part under
// another, so colliding names cannot be chosen before the run.
TEST(TextHash, KeyChangesEveryHash) {
  const std::uint64_t keyA[2] = {1, 2}, keyB[2] = {1, 3};
  int same = 0;
  for (int i = 0; i < 1000; ++i) {
    std::string text = std::to_string(i) + "P";
    EXPECT_EQ(TTextHash::Keyed(text, keyA), TTextHash::Keyed(text, keyA));
    if (TTextHash::Keyed(text, keyA) == TTextHash::Keyed(text, keyB)) ++same;
  }
  EXPECT_EQ(same, 0);
  EXPECT_NE(TTextHash::Keyed("", keyA), TTextHash::Keyed(std::string(1, '\0'), keyA)); // the length counts
  EXPECT_EQ(TTextHash()("abc"), TTextHash()("abc"));                                   // one key per run
}

// Texts that are numbers kept in the bitmap and texts that are hashed
// live side by side: each is its own text ("7" is not "07"), the order of
// adding is kept, and a clear forgets both kinds.
TEST(TextSet, NumbersAndOtherTextsTogether) {
  // The bitmap's ends; texts that only look like numbers are hashed.
  EXPECT_EQ(TTextSet::BitmapNumber("0"), 0u);
  EXPECT_EQ(TTextSet::BitmapNumber("z4095"), TTextSet::kBitCount - 1);
  for (const char* other : {"", "00", "07", "+7", "-7", "7a", "131072", "999999", "1000000", "7 ", "P", "P07",
                            "P00", "PP7", "P4096", "_7", "P-1", "\xC3" "7"})
    EXPECT_EQ(TTextSet::BitmapNumber(other), TTextSet::kNotNumber) << other;

  // A hash that puts every hashed text into one bucket: were a number
  // hashed after all, its probes would show.
  TTextSet set([](std::string_view) { return std::uint64_t{5}; });
  const std::vector<std::string> texts = {"7",  "07",  "0",  "00", "131071", "131072", "P7",
                                          "p7", "P07", "64", "1",  "65",     "z4095",  "PP7"};
  for (int round = 0; round < 3; ++round) {
    for (const std::string& text : texts) EXPECT_TRUE(set.Insert(text)) << text;
    for (const std::string& text : texts) EXPECT_FALSE(set.Insert(text)) << text;
    for (const std::string& text : texts) EXPECT_TRUE(set.Contains(text)) << text;
    for (const char* absent : {"8", "007", "63", "66", "131070", "P8", "Q7", "z4094"})
      EXPECT_FALSE(set.Contains(absent)) << absent;
    ASSERT_EQ(set.Size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(set.At(i), texts[i]);
    set.Clear();
    for (const std::string& text : texts) EXPECT_FALSE(set.Contains(text)) << text;
  }
}

// Reserved room is for all texts; texts that need the table after many
// numbers were added still all fit, are found, and keep their places.
TEST(TextSet, ReservedRoomWithNumbersFirst) {
  std::vector<std::string> texts;
  for (int i = 0; i < 3000; ++i) {
    std::string text(i < 2000 ? 0 : 2, 'N'); // "NN7" has no bit: it is hashed
    text += std::to_string(i);
    texts.push_back(text);
  }
  TTextSet set;
  set.Reserve(texts.size());
  for (const std::string& text : texts) ASSERT_TRUE(set.Insert(text)) << text;
  for (const std::string& text : texts) ASSERT_FALSE(set.Insert(text)) << text;
  for (std::size_t i = 0; i < texts.size(); i += 97) EXPECT_EQ(set.At(i), texts[i]);
  // More than reserved: the table grows and loses nothing.
  std::vector<std::string> more;
  for (int i = 0; i < 3000; ++i) more.push_back(std::to_string(i) + "M");
  for (const std::string& text : more) ASSERT_TRUE(set.Insert(text)) << text;
  for (const std::string& text : texts) ASSERT_TRUE(set.Contains(text)) << text;
  EXPECT_EQ(set.Size(), 6000u);
}

} // namespace

namespace {

// A large table that holds few texts is emptied slot by slot: every text
// must go, also those that were pushed along by a collision, and what is
// added after the clear must not meet a stale slot.
TEST(TextSet, ClearOfFewTextsInALargeTable) {
  TTextSet set([](std::string_view text) { return std::uint64_t{text.size() % 2}; });
  set.Reserve(100000);
  std::vector<std::string> texts = {"a", "c", "e", "bb", "dd"}; // two home slots, probes pushed along
  for (int round = 0; round < 3; ++round) {
    for (const std::string& text : texts) EXPECT_TRUE(set.Insert(text)) << text;
    for (const std::string& text : texts) EXPECT_TRUE(set.Contains(text)) << text;
    set.Clear();
    for (const std::string& text : texts) EXPECT_FALSE(set.Contains(text)) << text;
  }
  // Growth after the reserved room keeps the texts (the table is rebuilt
  // from them).
  std::vector<std::string> many;
  for (int i = 0; i < 70000; ++i) many.push_back(std::to_string(i) + "q");
  TTextSet grown;
  grown.Reserve(10);
  for (const std::string& text : many) ASSERT_TRUE(grown.Insert(text));
  for (const std::string& text : many) ASSERT_FALSE(grown.Insert(text));
  EXPECT_EQ(grown.Size(), many.size());
}

} // namespace
