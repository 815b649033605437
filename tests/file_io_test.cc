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

} // namespace
