// The output in pieces: ranges of the source merge, made text stays put,
// flushing hands the text on in order, and the comparisons and the writer
// see exactly the joined text.
#include "framework/text/out_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include <climits>

#include "framework/files/file_io.h"
#include "framework/files/replacement.h"
#include "test_util.h"

namespace {

TEST(OutText, SourceRangesMergeAndMadeTextStaysWhereItIs) {
  std::string source = "line one\nline two\r\nend";
  TOutText out;
  out.SetSource(source);
  out.AppendSource(std::string_view(source).substr(0, 9));
  out.AppendSource(std::string_view(source).substr(9, 8)); // continues the first range
  out += '\n';
  const char* made = out.Pieces().back().Data;
  out.append(3, '-');
  out.append("x", 1);
  out.push_back('!');
  std::string big(5u << 20, 'b'); // larger than a chunk (4 MB)
  out += big;
  out.AppendSource(std::string_view(source).substr(19));
  out.AppendSource("not of the source"); // copied, not referenced
  ASSERT_EQ(out.Pieces().size(), 5u);
  EXPECT_FALSE(out.Pieces()[0].Made);
  EXPECT_EQ(out.Pieces()[0].Size, 17u);
  EXPECT_EQ(out.Pieces()[1].Size, 6u); // "\n---x!" made in one piece
  EXPECT_EQ(out.Pieces()[1].Data, made);
  EXPECT_FALSE(out.Pieces()[3].Made);
  EXPECT_TRUE(out.Pieces()[4].Made);
  std::string expected = "line one\nline two\n---x!" + big + "endnot of the source";
  EXPECT_EQ(out.Flatten(), expected);
  EXPECT_EQ(out.size(), expected.size());
}

struct TCollect : TOutText::TFlushTarget {
  std::string Text;
  int Calls = 0;
  bool Refuse = false;
  bool Take(const std::vector<TOutText::TPiece>& pieces) override {
    ++Calls;
    for (const auto& p : pieces) Text.append(p.Data, p.Size);
    return !Refuse;
  }
};

TEST(OutText, FlushHandsOnTheTextInOrderAndReusesItsMemory) {
  TCollect target;
  TOutText out;
  out.FlushTo(&target, 1000);
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    std::string line = "line " + std::to_string(i) + "\n";
    out += line;
    expected += line;
  }
  EXPECT_TRUE(out.Flush());
  EXPECT_EQ(target.Text, expected);
  EXPECT_GT(target.Calls, 30);
  EXPECT_EQ(out.size(), expected.size());
  EXPECT_TRUE(out.Pieces().empty());
  target.Refuse = true;
  out += "more";
  EXPECT_FALSE(out.Flush());
  EXPECT_FALSE(out.FlushOk());
}

// Text filled in place: only the committed bytes count, they join the text
// in order with appended text, and a room larger than what is left of a
// chunk (or than a whole chunk) comes whole, also across flushes.
TEST(OutText, RoomFilledInPlaceJoinsTheText) {
  TCollect target;
  TOutText out;
  out.FlushTo(&target, 3000);
  std::string expected;
  for (int i = 0; i < 4000; ++i) {
    std::string line = "pin " + std::to_string(i) + ";";
    std::size_t room = i % 500 == 7 ? std::size_t{300} << 10 : 64;
    char* p = out.MakeRoom(room);
    std::memset(p, 'x', room); // all of the room can be written
    std::memcpy(p, line.data(), line.size());
    out.CommitRoom(line.size());
    out += '\n';
    expected += line + "\n";
    out.CommitRoom(0);
  }
  EXPECT_TRUE(out.Flush());
  EXPECT_EQ(target.Text, expected);
  EXPECT_EQ(out.size(), expected.size());
}

TEST(OutText, ComparedWithTheSourceInPlaceAndWithAFile) {
  TTempDir dir;
  WriteFile(dir.File("src"), "a\nb\nc\n");
  TFileText src;
  ASSERT_FALSE(src.Open(dir.File("src").c_str()));
  std::string_view text = src.Text();
  TOutText same;
  same.SetSource(text);
  same.AppendSource(text.substr(0, 2));
  same += "b\n"; // made, but equal to the bytes it stands for
  same.AppendSource(text.substr(4));
  EXPECT_TRUE(src.Holds(same));
  EXPECT_TRUE(FileHoldsText(dir.File("src").c_str(), same));
  TOutText moved; // the source's own bytes, but not where they stand
  moved.SetSource(text);
  moved.AppendSource(text.substr(2, 2));
  moved.AppendSource(text.substr(0, 2));
  moved.AppendSource(text.substr(4));
  EXPECT_FALSE(src.Holds(moved));
  EXPECT_FALSE(FileHoldsText(dir.File("src").c_str(), moved));
  TOutText longer;
  longer.SetSource(text);
  longer.AppendSource(text);
  longer += "d\n";
  EXPECT_FALSE(src.Holds(longer));
  EXPECT_FALSE(FileHoldsText(dir.File("src").c_str(), longer));
  EXPECT_FALSE(FileHoldsText(dir.File("missing").c_str(), same));
  // Part of the text already flushed: what is left equals the start of the
  // file and the sizes agree, but the whole text is not known to be equal.
  TCollect target;
  TOutText flushed;
  flushed.SetSource(text);
  flushed.FlushTo(&target, 1);
  flushed += "x\nyz";
  ASSERT_TRUE(flushed.Flush());
  flushed.AppendSource(text.substr(0, 2));
  EXPECT_EQ(flushed.size(), text.size());
  EXPECT_FALSE(src.Holds(flushed));
  EXPECT_FALSE(FileHoldsText(dir.File("src").c_str(), flushed));
}

TEST(OutText, WrittenWithMoreViewsThanOneWritevTakes) {
  TTempDir dir;
  std::string source(3 * IOV_MAX, 's');
  TOutText out;
  out.SetSource(source);
  std::string expected;
  for (std::size_t i = 0; i < source.size(); ++i) {
    // Alternating single source bytes and made bytes: no two pieces merge.
    out.AppendSource(std::string_view(source).substr(i, 1));
    out.AppendView(i % 2 ? "odd" : "e");
    expected += 's';
    expected += i % 2 ? "odd" : "e";
  }
  ASSERT_GT(out.Pieces().size(), 4u * IOV_MAX);
  TReplacement r;
  ASSERT_FALSE(r.Replace(TDir(), dir.File("out"), out));
  ASSERT_FALSE(r.Commit());
  EXPECT_EQ(ReadFile(dir.File("out")), expected);
  EXPECT_TRUE(FileHoldsText(dir.File("out").c_str(), out));
}

} // namespace
