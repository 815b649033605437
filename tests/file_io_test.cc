#include "framework/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_util.h"

namespace {

TEST(FileIo, ReadsWholeFilesAndTellsUnreadableOnes) {
  TTempDir dir;
  std::string bytes("line\r\n\0\xff", 8);
  WriteFile(dir.File("f"), bytes);
  WriteFile(dir.File("empty"), "");
  TFileText f;
  ASSERT_EQ(f.Open(dir.File("f").c_str()), TFileText::TStatus::Ok);
  EXPECT_EQ(f.Text(), bytes);
  ASSERT_EQ(f.Open(dir.File("empty").c_str()), TFileText::TStatus::Ok);
  EXPECT_EQ(f.Text(), "");
  EXPECT_EQ(f.Open(dir.File("missing").c_str()), TFileText::TStatus::CannotOpen);
  EXPECT_EQ(f.Open(dir.Path().c_str()), TFileText::TStatus::ReadFailed);
  EXPECT_FALSE(f.IsOpen());
}

TEST(FileIo, ReplaceKeepsPermissionsAndNeverWidensThem) {
  TTempDir dir;
  std::string name = dir.File("out");
  mode_t old = umask(022);
  ASSERT_EQ(ReplaceFile(name, "new"), TWriteResult::Ok);
  EXPECT_EQ(FileMode(name), 0644u);
  chmod(name.c_str(), 0600);
  ASSERT_EQ(ReplaceFile(name, "again"), TWriteResult::Ok);
  EXPECT_EQ(ReadFile(name), "again");
  EXPECT_EQ(FileMode(name), 0600u);
  ASSERT_EQ(ReplaceFile(dir.File("backup"), "b", 0640), TWriteResult::Ok);
  EXPECT_EQ(FileMode(dir.File("backup")), 0640u);
  umask(old);
}

TEST(FileIo, FailedReplacementLeavesTheOldFile) {
  TTempDir dir;
  EXPECT_EQ(ReplaceFile(dir.File("no/such/dir"), "x"), TWriteResult::CannotCreate);
  // A directory cannot be replaced by a file: the rename fails.
  ASSERT_EQ(mkdir(dir.File("d").c_str(), 0755), 0);
  EXPECT_EQ(ReplaceFile(dir.File("d"), "x"), TWriteResult::CannotCreate);
  // Nothing is left behind in the directory.
  std::string listing;
  for (const char* n : {"d"}) listing += FileExists(dir.File(n)) ? n : "";
  EXPECT_EQ(listing, "d");
}

TEST(FileIo, SameFileAndRemove) {
  TTempDir dir;
  WriteFile(dir.File("a"), "x");
  ASSERT_EQ(link(dir.File("a").c_str(), dir.File("b").c_str()), 0);
  EXPECT_TRUE(SameFile(dir.File("a"), dir.Path() + "/./b"));
  EXPECT_FALSE(SameFile(dir.File("a"), dir.File("missing")));
  RemoveFile(dir.File("a"));
  RemoveFile(dir.File("a"));
  EXPECT_FALSE(FileExists(dir.File("a")));
}

// Large files are compared in windows of 8 MB: a difference must be found
// in any window, right at a window's edge too, and a file that matches only
// up to the end of the shorter text is no match.
TEST(FileIo, FileHoldsTextFindsEveryDifference) {
  TTempDir dir;
  const std::size_t window = std::size_t{8} << 20;
  std::string text(2 * window + 1234, 'a');
  for (std::size_t i = 0; i < text.size(); i += 97) text[i] = static_cast<char>('b' + i % 20);
  WriteFile(dir.File("big"), text);
  const char* big = "big";
  std::string path = dir.File(big);
  EXPECT_TRUE(FileHoldsText(path.c_str(), text));
  for (std::size_t at : {std::size_t{0}, window - 1, window, 2 * window, text.size() - 1}) {
    std::string other = text;
    other[at] = '\n';
    EXPECT_FALSE(FileHoldsText(path.c_str(), other)) << at;
  }
  EXPECT_FALSE(FileHoldsText(path.c_str(), text.substr(0, window)));
  EXPECT_FALSE(FileHoldsText(path.c_str(), text + "x"));
  // Files that are not regular are read whole; directories hold nothing.
  EXPECT_TRUE(FileHoldsText("/dev/null", ""));
  EXPECT_FALSE(FileHoldsText("/dev/null", "x"));
  EXPECT_FALSE(FileHoldsText(dir.Path().c_str(), ""));
  EXPECT_FALSE(FileHoldsText(dir.File("missing").c_str(), ""));
}

TEST(FileIo, ReserveTextKeepsTheTextAndMakesRoom) {
  std::string text = "kept";
  ReserveText(text, std::size_t{5} << 20);
  EXPECT_EQ(text, "kept");
  EXPECT_GE(text.capacity(), std::size_t{5} << 20);
  const char* before = text.data();
  text.append(std::size_t{4} << 20, 'x');
  EXPECT_EQ(text.data(), before); // written into the room, not moved
  EXPECT_EQ(text.substr(0, 5), "keptx");
  // More room than can be had leaves the text as it was.
  std::string small = "s";
  ReserveText(small, small.max_size());
  EXPECT_EQ(small, "s");
}

} // namespace
