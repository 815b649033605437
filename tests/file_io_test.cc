#include "framework/files/file_io.h"
#include "framework/files/replacement.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <vector>

#include "test_util.h"

namespace {

using TKind = TError::TKind;

// The text as one piece.
TOutText Text(std::string_view text) {
  TOutText out;
  out.AppendView(text);
  return out;
}

// Replaces the file name with text, complete or not at all, its mode kept.
TError Replace(const std::string& name, std::string_view text) {
  TReplacement replacement;
  TOutText out = Text(text);
  if (TError error = replacement.Replace(TDir(), name, out)) return error;
  return replacement.Commit();
}

// Makes name the backup of the file src, its way given.
TError Backup(const std::string& name, TFileText& src, TReplacement::TBackupWay way) {
  TReplacement r;
  TError error = r.Backup(TDir(), name, src, way);
  return error ? error : r.Commit();
}

TEST(FileIo, ReadsWholeFilesAndTellsUnreadableOnes) {
  TTempDir dir;
  std::string bytes("line\r\n\0\xff", 8);
  WriteFile(dir.File("f"), bytes);
  WriteFile(dir.File("empty"), "");
  TFileText f;
  ASSERT_EQ(f.Open(dir.File("f").c_str()).Kind, TKind::None);
  EXPECT_EQ(f.Text(), bytes);
  ASSERT_EQ(f.Open(dir.File("empty").c_str()).Kind, TKind::None);
  EXPECT_EQ(f.Text(), "");
  EXPECT_EQ(f.Open(dir.File("missing").c_str()).Kind, TKind::CannotOpen);
  EXPECT_EQ(f.Open(dir.Path().c_str()).Kind, TKind::CannotRead);
  EXPECT_FALSE(f.IsOpen());

  // Standard input may be a socket (an editor's), which has no name to open.
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  ASSERT_EQ(write(pair[1], bytes.data(), bytes.size()), 8);
  close(pair[1]);
  ASSERT_EQ(f.ReadInput(pair[0], "<stdin>").Kind, TKind::None);
  EXPECT_EQ(f.Text(), bytes);
  close(pair[0]);
  EXPECT_EQ(f.ReadInput(pair[0], "<stdin>").Kind, TKind::CannotOpen); // closed
}

TEST(FileIo, ReplaceKeepsPermissionsAndNeverWidensThem) {
  TTempDir dir;
  std::string name = dir.File("out");
  // A new file gets 0664 less the umask the process started with.
  mode_t old = umask(022);
  umask(old);
  ASSERT_EQ(Replace(name, "new").Kind, TKind::None);
  EXPECT_EQ(FileMode(name), 0664u & ~old);
  chmod(name.c_str(), 0600);
  ASSERT_EQ(Replace(name, "again").Kind, TKind::None);
  EXPECT_EQ(ReadFile(name), "again");
  EXPECT_EQ(FileMode(name), 0600u);
  // A backup takes the mode of the file it keeps.
  WriteFile(dir.File("kept"), "b");
  chmod(dir.File("kept").c_str(), 0640);
  TFileText kept;
  ASSERT_EQ(kept.Open(dir.File("kept").c_str()).Kind, TKind::None);
  ASSERT_EQ(Backup(dir.File("backup"), kept, TReplacement::TBackupWay::DurableCopy).Kind, TKind::None);
  EXPECT_EQ(FileMode(dir.File("backup")), 0640u);
}

// Each failure says which step failed and why, and leaves the directory as
// it was: the old file, and no temporary file beside it.
TEST(FileIo, FailedReplacementLeavesTheOldFile) {
  TTempDir dir;
  TError missing = Replace(dir.File("no/such/dir"), "x");
  EXPECT_EQ(missing.Kind, TKind::CannotCreate);
  EXPECT_EQ(missing.Code, ENOENT);
  EXPECT_EQ(missing.Path, dir.File("no/such/dir"));
  // A directory cannot be replaced by a file: the rename fails.
  ASSERT_EQ(mkdir(dir.File("d").c_str(), 0755), 0);
  EXPECT_EQ(Replace(dir.File("d"), "x").Kind, TKind::CannotCreate);
  // A file in a directory that takes no new file, as an ordinary user, with
  // no rewrite in place allowed.
  WriteFile(dir.File("d/old"), "old");
  ASSERT_EQ(chmod(dir.File("d").c_str(), 0555), 0);
  if (geteuid() != 0) {
    // (A backup is never a rewrite in place.)
    WriteFile(dir.File("new"), "new");
    TFileText src;
    ASSERT_EQ(src.Open(dir.File("new").c_str()).Kind, TKind::None);
    TReplacement replacement;
    TError refused = replacement.Backup(TDir(), dir.File("d/old"), src, TReplacement::TBackupWay::Linked);
    EXPECT_EQ(refused.Kind, TKind::CannotCreate);
    EXPECT_EQ(refused.Reason(), "Permission denied");
    ASSERT_FALSE(RemoveFile(dir.File("new")));
  }
  ASSERT_EQ(chmod(dir.File("d").c_str(), 0755), 0);
  EXPECT_EQ(ReadFile(dir.File("d/old")), "old");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path()))
    names.push_back(entry.path().lexically_relative(dir.Path()).string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"d", "d/old"}));
}

TEST(FileIo, SameFileAndRemove) {
  TTempDir dir;
  WriteFile(dir.File("a"), "x");
  ASSERT_EQ(link(dir.File("a").c_str(), dir.File("b").c_str()), 0);
  EXPECT_TRUE(SameFile(dir.File("a"), dir.Path() + "/./b"));
  EXPECT_FALSE(SameFile(dir.File("a"), dir.File("missing")));
  EXPECT_FALSE(RemoveFile(dir.File("a")));
  EXPECT_FALSE(RemoveFile(dir.File("a"))); // the second finds nothing, which is no error
  EXPECT_FALSE(FileExists(dir.File("a")));
}

// Large files are compared in windows of 256 KB: a difference must be found
// in any window, right at a window's edge too, and a file that matches only
// up to the end of the shorter text is no match.
TEST(FileIo, FileHoldsTextFindsEveryDifference) {
  TTempDir dir;
  const std::size_t window = std::size_t{256} << 10;
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

// Released pages come back from the file when touched again: the text
// never changes, whatever range is let go (also beyond its end), and a
// text read into a buffer is left alone.
TEST(FileIo, ReleasedTextReadsTheSame) {
  TTempDir dir;
  std::string text(std::size_t{3} << 20, 'x');
  for (std::size_t i = 0; i < text.size(); i += 4093) text[i] = static_cast<char>('a' + i % 26);
  WriteFile(dir.File("f"), text);
  TFileText f;
  ASSERT_EQ(f.Open(dir.File("f").c_str()).Kind, TKind::None);
  EXPECT_TRUE(f.Text() == text);
  f.Release(0, std::size_t{1} << 20);
  f.Release(12345, text.size() + 99999);
  f.Release(5, 3);
  EXPECT_TRUE(f.Text() == text);
  TFileText device;
  ASSERT_EQ(device.Open("/dev/null").Kind, TKind::None);
  device.Release(0, 100);
  EXPECT_EQ(device.Text(), "");
}

// A copy of a file (a backup where no link can be made) goes in windows of
// 8 MB, each released after it is written.
TEST(FileIo, CopyOfAFileCopiesEveryWindow) {
  TTempDir dir;
  std::string text(std::size_t{17} << 20, 'y');
  for (std::size_t i = 0; i < text.size(); i += 8191) text[i] = static_cast<char>('0' + i % 10);
  WriteFile(dir.File("src"), text);
  chmod(dir.File("src").c_str(), 0640);
  TFileText src;
  ASSERT_EQ(src.Open(dir.File("src").c_str()).Kind, TKind::None);
  auto copy = [&](const std::string& name) {
    return Backup(name, src, TReplacement::TBackupWay::DurableCopy);
  };
  ASSERT_EQ(copy(dir.File("copy")).Kind, TKind::None);
  EXPECT_TRUE(ReadFile(dir.File("copy")) == text);
  EXPECT_EQ(FileMode(dir.File("copy")), 0640u);
  EXPECT_TRUE(src.Text() == text);
  ASSERT_EQ(mkdir(dir.File("d").c_str(), 0755), 0);
  EXPECT_EQ(copy(dir.File("d")).Kind, TKind::CannotCreate);
}

// A chain of relative links is followed to the file, which is replaced in
// its own directory; a dangling link is replaced itself.
TEST(FileIo, ReplaceFollowsLinkChains) {
  TTempDir dir;
  ASSERT_EQ(mkdir(dir.File("d").c_str(), 0755), 0);
  WriteFile(dir.File("d/f"), "old");
  ASSERT_EQ(symlink("f", dir.File("d/l1").c_str()), 0);
  ASSERT_EQ(symlink("d/l1", dir.File("l2").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", dir.File("dangling").c_str()), 0);
  ASSERT_EQ(Replace(dir.File("l2"), "new").Kind, TKind::None);
  EXPECT_EQ(ReadFile(dir.File("d/f")), "new");
  struct stat st;
  ASSERT_EQ(lstat(dir.File("l2").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(Replace(dir.File("dangling"), "x").Kind, TKind::None);
  EXPECT_FALSE(FileExists(dir.File("nowhere")));
  EXPECT_EQ(ReadFile(dir.File("dangling")), "x");
}

// An undoable replacement puts the old file back, or removes a file that
// did not exist before; a watched input that changed stops the commit.
TEST(FileIo, ReplacementUndoAndWatchedInputs) {
  TTempDir dir;
  WriteFile(dir.File("b"), "old backup");
  WriteFile(dir.File("new"), "new");
  TFileText fresh;
  ASSERT_EQ(fresh.Open(dir.File("new").c_str()).Kind, TKind::None);
  for (const char* name : {"b", "fresh"}) {
    TReplacement r;
    ASSERT_EQ(r.Backup(TDir(), dir.File(name), fresh, TReplacement::TBackupWay::Linked).Kind, TKind::None);
    ASSERT_EQ(r.Commit().Kind, TKind::None);
    EXPECT_EQ(ReadFile(dir.File(name)), "new");
    EXPECT_EQ(r.Undo().Kind, TKind::None);
  }
  EXPECT_EQ(ReadFile(dir.File("b")), "old backup");
  EXPECT_FALSE(FileExists(dir.File("fresh")));

  WriteFile(dir.File("src"), "source");
  TFileText source;
  ASSERT_EQ(source.Open(dir.File("src").c_str()).Kind, TKind::None);
  TReplacement r;
  TOutText out = Text("text");
  ASSERT_EQ(r.Replace(TDir(), dir.File("out"), out).Kind, TKind::None);
  WriteFile(dir.File("src"), "source, edited");
  EXPECT_EQ(r.Commit({&source}).Kind, TKind::Changed);
  EXPECT_FALSE(FileExists(dir.File("out")));
}

} // namespace

namespace {

// A copy of a file's text is the file itself under the new name where it
// can be; a name that no longer reaches the file read is not linked.
TEST(FileIo, CopyOfAFileIsALinkOnlyToTheFileRead) {
  TTempDir dir;
  WriteFile(dir.File("src"), "the text\n");
  TFileText src;
  ASSERT_EQ(src.Open(dir.File("src").c_str()).Kind, TKind::None);
  using TWay = TReplacement::TBackupWay;
  TReplacement linked;
  ASSERT_EQ(linked.Backup(TDir(), dir.File("copy"), src, TWay::Linked).Kind, TKind::None);
  EXPECT_TRUE(linked.Linked());
  ASSERT_EQ(linked.Commit().Kind, TKind::None);
  struct stat a {
  }, b{};
  ASSERT_EQ(stat(dir.File("src").c_str(), &a), 0);
  ASSERT_EQ(stat(dir.File("copy").c_str(), &b), 0);
  EXPECT_EQ(a.st_ino, b.st_ino);

  // The name now reaches another file: the text read is written instead.
  WriteFile(dir.File("other"), "another text\n");
  ASSERT_EQ(rename(dir.File("other").c_str(), dir.File("src").c_str()), 0);
  TReplacement copied;
  ASSERT_EQ(copied.Backup(TDir(), dir.File("copy2"), src, TWay::Linked).Kind, TKind::None);
  EXPECT_FALSE(copied.Linked());
  ASSERT_EQ(copied.Commit().Kind, TKind::None);
  EXPECT_EQ(ReadFile(dir.File("copy2")), "the text\n");
}

} // namespace

namespace {

const int kNobody = 65534;

// Runs body in a forked child as an ordinary user (nobody when the tests
// run as root, who may write anywhere), with dir made reachable and its
// sub-directory sub (made here) owned by that user; body's result is the
// child's status.
TRunResult AsOrdinaryUser(const TTempDir& dir, const std::string& sub, const std::function<int()>& body) {
  std::string path = dir.File(sub);
  mkdir(path.c_str(), 0755);
  TRunOptions options;
  if (geteuid() == 0) {
    chmod(dir.Path().c_str(), 0755);
    if (chown(path.c_str(), kNobody, kNobody) != 0) return {"", 125, 0};
    options.Uid = kNobody;
  }
  return RunForked(body, options);
}

// Where no new file can be made, the file itself is rewritten: a shorter
// text leaves nothing of the old one behind.
TEST(FileIo, InPlaceRewriteCanShortenTheFile) {
  TTempDir dir;
  std::string file = dir.File("ro/f");
  TRunResult r = AsOrdinaryUser(dir, "ro", [&] {
    WriteFile(file, std::string(1000, 'o'));
    chmod(DirectoryOf(file).c_str(), 0555);
    TReplacement replacement;
    TOutText out = Text("short\n");
    if (replacement.Replace(TDir(), file, out) || !replacement.InPlace()) return 1;
    return replacement.Commit() ? 2 : 0;
  });
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(ReadFile(file), "short\n");
}

// On a full disk the in-place rewrite fails before the first byte changes.
TEST(FileIo, InPlaceRewriteOnAFullDiskLeavesTheFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root: a small tmpfs is mounted to fill";
  TTempDir dir;
  const std::string old(3000, 'o');
  TRunOptions options;
  options.WorkDir = dir.Path();
  TRunResult r = RunForked(
      [&] {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0)
          return 99;
        std::string file = dir.File("f");
        WriteFile(file, old);
        if (chown(file.c_str(), kNobody, kNobody) != 0) return 1;
        // Every block taken; the directory takes no new file for nobody.
        int fill = open(dir.File("fill").c_str(), O_WRONLY | O_CREAT, 0600);
        std::string block(4096, 'f');
        while (write(fill, block.data(), block.size()) > 0) {
        }
        close(fill);
        if (setresgid(kNobody, kNobody, kNobody) != 0 || setresuid(kNobody, kNobody, kNobody) != 0) return 2;
        TReplacement replacement;
        std::string text(40000, 'n');
        TOutText out = Text(text);
        if (replacement.Replace(TDir(), file, out) || !replacement.InPlace()) return 3;
        if (replacement.Commit().Kind != TKind::WriteFailed) return 4;
        return ReadFile(file) == old ? 0 : 5;
      },
      options);
  if (r.Status == 99) GTEST_SKIP() << "needs root: no mount namespace can be made here";
  EXPECT_EQ(r.Status, 0);
}

// An edit that keeps the size, saved in the same second as the version
// read, is still a change.
TEST(FileIo, SameSizeEditInTheSameSecondIsAChange) {
  TTempDir dir;
  std::string src = dir.File("src");
  WriteFile(src, "version 1\n");
  timespec times[2] = {{1700000000, 0}, {1700000000, 100}};
  ASSERT_EQ(utimensat(AT_FDCWD, src.c_str(), times, 0), 0);
  TFileText source;
  ASSERT_EQ(source.Open(src.c_str()).Kind, TKind::None);
  int fd = open(src.c_str(), O_WRONLY);
  ASSERT_EQ(pwrite(fd, "version 2\n", 10, 0), 10);
  close(fd);
  times[1].tv_nsec = 200;
  ASSERT_EQ(utimensat(AT_FDCWD, src.c_str(), times, 0), 0);
  TReplacement r;
  TOutText out = Text("text");
  ASSERT_EQ(r.Replace(TDir(), dir.File("out"), out).Kind, TKind::None);
  EXPECT_EQ(r.Commit({&source}).Kind, TKind::Changed);
  EXPECT_FALSE(FileExists(dir.File("out")));
}

// The signal handler's table holds as many temporary files as may exist at
// once (two per job of regkit at its most); one more is refused, not lost.
TEST(FileIo, TemporaryFilesUpToTheTableSize) {
  TTempDir dir;
  WriteFile(dir.File("f"), "x");
  TDir d;
  ASSERT_EQ(TDir::Open(dir.Path(), d).Kind, TKind::None);
  std::vector<std::unique_ptr<TTempFile>> temps;
  for (int i = 0; i < TTempFile::kMaxLive; ++i) {
    temps.push_back(std::make_unique<TTempFile>());
    ASSERT_TRUE(temps.back()->Link(d, "f", d, "f")) << i;
  }
  TTempFile more;
  EXPECT_FALSE(more.Link(d, "f", d, "f"));
  EXPECT_EQ(errno, ENFILE);
  temps.clear();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// A name that cannot be removed is reported, never silently left.
TEST(FileIo, NamesThatCannotBeRemovedAreReported) {
  TTempDir dir;
  TRunResult r = AsOrdinaryUser(dir, "d", [&] {
    TDir d;
    TTempFile temp;
    if (TDir::Open(dir.File("d"), d) || !temp.Create(d, "f")) return 1;
    WriteFile(dir.File("d/old"), "x");
    chmod(dir.File("d").c_str(), 0555);
    if (temp.Remove() || errno != EACCES) return 2;
    TError error = RemoveFile(dir.File("d/old"));
    return error.Kind == TKind::CannotRemove && error.Code == EACCES ? 0 : 3;
  });
  EXPECT_EQ(r.Status, 0);
}

} // namespace

// A directory below another is reached entry by entry: never through a
// link, never up or out.
TEST(FileIo, OpenBelowKeepsBelow) {
  TTempDir dir;
  std::filesystem::create_directories(dir.File("a/b"));
  std::filesystem::create_directory_symlink(dir.File("a/b"), dir.File("a/link"));
  TDir root, sub;
  ASSERT_EQ(TDir::Open(dir.Path(), root).Kind, TKind::None);
  EXPECT_EQ(root.OpenBelow("a/b", sub).Kind, TKind::None);
  EXPECT_EQ(sub.Path(), dir.File("a/b"));
  EXPECT_EQ(root.OpenBelow("", sub).Kind, TKind::None);
  for (const char* refused : {"a/link", "a/link/", "a/../a", "./a", "/a", "a//b", "a/missing"})
    EXPECT_NE(root.OpenBelow(refused, sub).Kind, TKind::None) << refused;
}
