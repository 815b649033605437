// The cursor that writes made text into a TOutText's room: every length of
// the short copies, batches that run over the room taken and over flushes,
// and texts longer than a batch.
#include "kessrow/text_cursor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TCollect : TOutText::TFlushTarget {
  std::string Text;
  int Calls = 0;
  bool Take(const std::vector<TOutText::TPiece>& pieces) override {
    ++Calls;
    for (const auto& p : pieces) Text.append(p.Data, p.Size);
    return true;
  }
};

// Each length from 0 to 40 in its own room, between guard bytes that must
// stay as they were: the overlapping loads and stores of the short copies
// write exactly the bytes asked for.
TEST(TextCursor, CopiesEveryLengthExactly) {
  std::string source;
  for (int i = 0; i < 40; ++i) source += static_cast<char>('a' + i % 26);
  for (std::size_t n = 0; n <= source.size(); ++n) {
    std::string room(n + 2, '#');
    char* end = TTextCursor::Copy(room.data() + 1, source.data(), n);
    EXPECT_EQ(end, room.data() + 1 + n);
    std::string expected = source.substr(0, n);
    expected.insert(expected.begin(), '#');
    expected += '#';
    EXPECT_EQ(room, expected) << n;
  }
}

// Lines of many sizes written through the cursor, with numbers, spaces and
// texts longer than a batch, flushed every few kilobytes: the text handed
// on is exactly the text put, in order.
TEST(TextCursor, TextThroughManyBatchesAndFlushes) {
  TCollect target;
  TOutText out;
  out.FlushTo(&target, 3000);
  out += "start";
  std::string expected = "start";
  TTextCursor c(out);
  for (int i = 0; i < 20000; ++i) {
    std::string word(static_cast<std::size_t>(i % 37), static_cast<char>('A' + i % 26));
    c.Need(word.size() + 3 + TTextCursor::kNumberRoom);
    c.Put(word);
    c.PutSpaces(static_cast<std::size_t>(i % 3));
    c.Put(std::to_string(i * (i % 2 ? -1 : 1)));
    c.Put(";");
    expected +=
        word + std::string(static_cast<std::size_t>(i % 3), ' ') + std::to_string(i * (i % 2 ? -1 : 1)) + ';';
    if (i % 5000 == 0) {
      std::string long_text(20000 + static_cast<std::size_t>(i), 'L'); // more than a batch
      c.Write(long_text);
      expected += long_text;
    }
  }
  c.Finish();
  out += "end";
  expected += "end";
  EXPECT_EQ(out.size(), expected.size());
  ASSERT_TRUE(out.Flush());
  EXPECT_GT(target.Calls, 10);
  EXPECT_EQ(target.Text, expected);
}

// Nothing put, nothing added; a cursor used again after Finish goes on
// where the text ends.
TEST(TextCursor, FinishWithNothingPutAndUseAfterFinish) {
  TOutText out;
  TTextCursor c(out);
  c.Finish();
  EXPECT_TRUE(out.empty());
  c.Write("one");
  c.Finish();
  out += ",";
  c.Write("two");
  c.Finish();
  EXPECT_EQ(out.Flatten(), "one,two");
}

} // namespace
