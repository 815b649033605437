#include "framework/replacement.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

namespace {

// Large texts are written in windows of this size, each let go in the
// source once written.
const std::size_t kWindow = std::size_t{8} << 20;
// Links followed from a name before it counts as a loop (as the kernel).
const int kMaxLinkHops = 40;

std::string DirectoryOf(const std::string& name) {
  std::size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return name.substr(0, slash);
}

std::string BaseOf(const std::string& name) {
  std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// The name that name finally reaches through its symbolic links (relative
// targets taken against the link's directory); empty for a loop.
std::string ResolveLinks(const std::string& name) {
  std::string current = name;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    char target[PATH_MAX];
    ssize_t n = readlink(current.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) return "";
    std::string next(target, static_cast<std::size_t>(n));
    current = next[0] == '/' ? next : DirectoryOf(current) + "/" + next;
  }
  return "";
}

// The process's file-creation mask, read without changing it (another
// thread may be creating files).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  mode_t mask = umask(022);
  umask(mask);
  return mask;
}

// Group bits no wider than the others' bits, for a file whose group could
// not be kept; the setgid bit goes with the group.
mode_t NarrowGroup(mode_t mode) {
  mode_t allowed = (mode & 07) << 3;
  return (mode & ~mode_t{02070}) | (mode & 070 & allowed);
}

// Writes the iovecs whole, at offset at unless it is negative, which
// advances; a short write goes on where it stopped.
bool WriteVec(int fd, iovec* iov, int count, off_t& at) {
  while (count > 0) {
    ssize_t n = at < 0 ? writev(fd, iov, count) : pwritev(fd, iov, count, at);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO; // no progress and no reason given
    if (n <= 0) return false;
    if (at >= 0) at += n;
    auto done = static_cast<std::size_t>(n);
    while (count > 0 && done >= iov->iov_len) {
      done -= iov->iov_len;
      ++iov;
      --count;
    }
    if (count > 0) {
      iov->iov_base = static_cast<char*>(iov->iov_base) + done;
      iov->iov_len -= done;
    }
  }
  return true;
}

// Writes the pieces with writev, in batches of at most IOV_MAX pieces and
// about one window of bytes (from offset 0 when inPlace); the source ranges
// of each batch are let go in source once written.
bool WritePieces(int fd, const std::vector<TOutText::TPiece>& pieces, TFileText* source, bool inPlace) {
  std::vector<iovec> iov;
  iov.reserve(std::min<std::size_t>(pieces.size(), IOV_MAX));
  off_t at = inPlace ? 0 : -1;
  std::string_view from = source ? source->Text() : std::string_view();
  auto flush = [&] {
    bool ok = WriteVec(fd, iov.data(), static_cast<int>(iov.size()), at);
    int reason = errno; // of a failed write, kept past the release
    for (const iovec& v : iov) {
      auto* p = static_cast<const char*>(v.iov_base);
      if (source && p >= from.data() && p < from.data() + from.size())
        source->Release(static_cast<std::size_t>(p - from.data()),
                        static_cast<std::size_t>(p - from.data()) + v.iov_len);
    }
    iov.clear();
    errno = reason;
    return ok;
  };
  std::size_t batch = 0;
  for (const TOutText::TPiece& piece : pieces) {
    for (std::size_t done = 0; done < piece.Size;) {
      std::size_t n = std::min(piece.Size - done, kWindow - batch);
      iov.push_back({const_cast<char*>(piece.Data + done), n});
      done += n;
      batch += n;
      if (batch == kWindow || iov.size() == IOV_MAX) {
        if (!flush()) return false;
        batch = 0;
      }
    }
  }
  return iov.empty() || flush();
}

bool SameInode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

TReplacement::~TReplacement() {
  if (Fd >= 0) close(Fd);
}

TError TReplacement::Prepare(const std::string& name, std::string_view text, const TOptions& options) {
  Own.clear();
  Own.AppendView(text);
  return Prepare(name, Own, options);
}

TError TReplacement::Prepare(const std::string& name, const TOutText& text, const TOptions& options) {
  Text = &text;
  GivenName = name;
  Kind = TKind::None;
  IsLink = false;
  Source = options.Source;
  UndoWanted = options.Undoable;
  TargetName = name;
  struct stat st;
  bool exists = (options.FollowLinks ? stat(name.c_str(), &st) : lstat(name.c_str(), &st)) == 0;
  if (options.FollowLinks && exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    // A pipe or device is written into, never replaced; the open does not
    // wait for a reader (without one it fails).
    Fd = open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (Fd < 0 || fcntl(Fd, F_SETFL, fcntl(Fd, F_GETFL) & ~O_NONBLOCK) != 0)
      return Failed(TError::TKind::CannotCreate);
    Kind = TKind::WriteInto;
    return {};
  }
  if (!options.FollowLinks && exists && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
    return TError(TError::TKind::CannotCreate, name, S_ISDIR(st.st_mode) ? EISDIR : EEXIST);
  struct stat own;
  if (options.FollowLinks && exists && S_ISREG(st.st_mode) && lstat(name.c_str(), &own) == 0 &&
      !S_ISLNK(own.st_mode)) {
    // No link: the name is replaced itself, as it stands now (another run
    // may have just replaced it: that is no reason to fail).
    st = own;
  } else if (options.FollowLinks && exists && S_ISREG(st.st_mode)) {
    // The file the links lead to is replaced in its own directory; it must
    // be the file that name reaches (a link into /proc may name a pipe or a
    // deleted file).
    TargetName = ResolveLinks(name);
    struct stat resolved;
    if (TargetName.empty() || lstat(TargetName.c_str(), &resolved) != 0 || !SameInode(st, resolved))
      return TError(TError::TKind::CannotCreate, name, ELOOP);
  }
  return PrepareFile(exists && S_ISREG(st.st_mode) ? &st : nullptr, options);
}

bool TReplacement::PrepareLink(const char* from) {
  IsLink = false;
  if (!Temp.Link(DirectoryOf(TargetName), BaseOf(TargetName), from)) return false;
  // The name may have been given to another file since it was read.
  struct stat st;
  if (lstat(Temp.Name().c_str(), &st) != 0 || !Source->IsThisFile(st)) {
    Temp.Remove();
    return false;
  }
  IsLink = true;
  Kind = TKind::Rename;
  return true;
}

bool TReplacement::CopyByKernel(const char* from) {
  int in = open(from, O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  std::size_t left = Text->size();
  bool ok = fstat(in, &st) == 0 && Source->IsThisFile(st);
  while (ok && left > 0) {
    ssize_t n = copy_file_range(in, nullptr, Temp.Fd(), nullptr, left, 0);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) left -= static_cast<std::size_t>(n);
  }
  close(in);
  // What was copied goes: the text is then written from memory (into no
  // file at all when the start cannot be found again).
  if (!ok && (ftruncate(Temp.Fd(), 0) != 0 || lseek(Temp.Fd(), 0, SEEK_SET) != 0)) Temp.Remove();
  return ok;
}

TError TReplacement::PrepareFile(const struct stat* old, const TOptions& options) {
  // The file that holds the text already becomes the new version itself.
  if (options.LinkFrom && Source && PrepareLink(options.LinkFrom)) return {};
  if (!Temp.Create(DirectoryOf(TargetName), BaseOf(TargetName))) {
    bool refused = errno == EACCES || errno == EPERM;
    return refused && options.AllowInPlace && old ? PrepareInPlace(*old) : Failed(TError::TKind::CannotCreate);
  }
  bool groupKept = true;
  if (!KeepOwner(old, options, groupKept) && options.AllowInPlace && old) {
    // A new file would change the owner: the file itself is rewritten.
    Temp.Remove();
    return PrepareInPlace(*old);
  }
  bool copied = options.LinkFrom && Source && CopyByKernel(options.LinkFrom);
  if (!copied && !WritePieces(Temp.Fd(), Text->Pieces(), Source, false)) return Failed(TError::TKind::WriteFailed);
  CallFileHook(TFilePoint::TempWritten, Temp.Name());
  // The final mode only now that the content is complete: until here the
  // file was private (0600).
  mode_t mode = options.Mode ? *options.Mode : old ? old->st_mode & 07777 : 0664 & ~CurrentUmask();
  if (!groupKept) mode = NarrowGroup(mode);
  if (fchmod(Temp.Fd(), mode) != 0) return Failed(TError::TKind::CannotCreate);
  if (!Temp.Close()) return Failed(TError::TKind::WriteFailed);
  Kind = TKind::Rename;
  return {};
}

bool TReplacement::Begin(const std::string& name, const TOptions& options) {
  Own.clear();
  Text = &Own;
  Kind = TKind::None;
  Source = nullptr;
  UndoWanted = options.Undoable;
  GivenName = name;
  TargetName = name;
  struct stat st;
  bool exists = stat(name.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return false;
  if (exists) {
    TargetName = ResolveLinks(name);
    struct stat resolved;
    if (TargetName.empty() || lstat(TargetName.c_str(), &resolved) != 0 || !SameInode(st, resolved))
      return false;
  }
  if (!Temp.Create(DirectoryOf(TargetName), BaseOf(TargetName))) return false;
  bool groupKept = true;
  if (!KeepOwner(exists ? &st : nullptr, options, groupKept)) {
    Temp.Remove();
    return false;
  }
  StreamMode = options.Mode ? *options.Mode : exists ? st.st_mode & 07777 : 0664 & ~CurrentUmask();
  if (!groupKept) StreamMode = NarrowGroup(StreamMode);
  return true;
}

bool TReplacement::Write(const std::vector<TOutText::TPiece>& pieces) {
  return WritePieces(Temp.Fd(), pieces, nullptr, false);
}

TError TReplacement::End() {
  CallFileHook(TFilePoint::TempWritten, Temp.Name());
  if (fchmod(Temp.Fd(), StreamMode) != 0) return Failed(TError::TKind::CannotCreate);
  if (!Temp.Close()) return Failed(TError::TKind::WriteFailed);
  Kind = TKind::Rename;
  return {};
}

bool TReplacement::KeepOwner(const struct stat* old, const TOptions& options, bool& groupKept) {
  std::optional<uid_t> uid = options.Uid;
  std::optional<gid_t> gid = options.Gid;
  if (old && !uid) uid = old->st_uid;
  if (old && !gid) gid = old->st_gid;
  int fd = Temp.Fd();
  gid_t group = gid ? *gid : static_cast<gid_t>(-1);
  if (uid && *uid != geteuid()) {
    if (fchown(fd, *uid, group) == 0) return true;
    if (fchown(fd, *uid, static_cast<gid_t>(-1)) == 0) {
      groupKept = !gid;
      return true;
    }
    groupKept = !gid || fchown(fd, static_cast<uid_t>(-1), group) == 0;
    return false;
  }
  groupKept = !gid || fchown(fd, static_cast<uid_t>(-1), group) == 0;
  return true;
}

TError TReplacement::PrepareInPlace(const struct stat& old) {
  Fd = open(TargetName.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (Fd < 0) return Failed(TError::TKind::CannotCreate);
  struct stat st;
  if (fstat(Fd, &st) != 0) return Failed(TError::TKind::CannotCreate);
  if (!S_ISREG(st.st_mode) || !SameInode(st, old)) return TError(TError::TKind::CannotCreate, GivenName);
  // A file-size limit that the new text would pass fails here, with the
  // file untouched; the room itself is reserved at the commit, after the
  // check that the file is still the one that was read (a reservation
  // changes the file's size or time).
  rlimit limit{};
  std::size_t size = Text->size();
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && size > limit.rlim_cur)
    return TError(TError::TKind::WriteFailed, GivenName, EFBIG);
  OldSize = st.st_size;
  // The pieces may be ranges of this very file, which the rewrite
  // overwrites from the front: they are copied out before it begins.
  if (Text != &Own) {
    Flat = Text->Flatten();
    Own.clear();
    Own.AppendView(Flat);
    Text = &Own;
  }
  Kind = TKind::InPlace;
  return {};
}

TError TReplacement::Commit(std::initializer_list<const TFileText*> watched) {
  if (Kind == TKind::WriteInto) {
    bool ok = WritePieces(Fd, Text->Pieces(), Source, false);
    if (close(Fd) != 0) ok = false;
    Fd = -1;
    return ok ? TError() : Failed(TError::TKind::WriteFailed);
  }
  CallFileHook(TFilePoint::BeforeRename, Kind == TKind::Rename ? Temp.Name() : TargetName);
  for (const TFileText* file : watched)
    if (file && !file->StillSame()) return TError(TError::TKind::Changed, file->Name());
  if (Kind == TKind::InPlace) return CommitInPlace();
  struct stat st;
  if (Undoable() && lstat(TargetName.c_str(), &st) == 0) {
    if (Temp.Exchange(TargetName)) {
      Exchanged = true;
      return {};
    }
    // A file system without the exchange: a plain rename, which cannot
    // be taken back.
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return Failed(TError::TKind::CannotCreate);
    return Temp.RenameTo(TargetName) ? TError() : Failed(TError::TKind::CannotCreate);
  }
  bool renamed = Temp.RenameTo(TargetName, Undoable() ? RENAME_NOREPLACE : 0);
  // Where the file system has no RENAME_NOREPLACE, the name was free a
  // moment ago (lstat above): a plain rename.
  if (!renamed && Undoable() && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
    renamed = Temp.RenameTo(TargetName);
  if (!renamed) return Failed(TError::TKind::CannotCreate);
  Created = Undoable();
  return {};
}

namespace {

// Whether room for size bytes from the start of fd is reserved, so that
// writing them cannot fail for want of space. The room beyond the end is
// taken without changing the file's size where the file system can; else
// the file is extended, and cut back to oldSize when that fails.
bool ReserveRoom(int fd, std::size_t size, off_t oldSize) {
  if (size == 0) return true;
  if (fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return true;
  if (errno != EOPNOTSUPP && errno != ENOSYS) return false;
  bool reserved = posix_fallocate(fd, 0, static_cast<off_t>(size)) == 0;
  if (!reserved && ftruncate(fd, oldSize) != 0) return false;
  return reserved;
}

} // namespace

TError TReplacement::CommitInPlace() {
  // The whole new length is reserved before the first byte changes: a
  // full disk fails here, with the file as it was.
  if (!ReserveRoom(Fd, Text->size(), OldSize)) {
    TError error = Failed(TError::TKind::WriteFailed);
    close(Fd);
    Fd = -1;
    return error;
  }
  bool ok =
      WritePieces(Fd, Text->Pieces(), nullptr, true) && ftruncate(Fd, static_cast<off_t>(Text->size())) == 0;
  TError error = ok ? TError() : Failed(TError::TKind::WriteFailed);
  if (close(Fd) != 0 && ok) error = Failed(TError::TKind::WriteFailed);
  Fd = -1;
  return error;
}

void TReplacement::Undo() {
  if (Exchanged && Temp.Exchange(TargetName)) Temp.Remove();
  if (Created) unlink(TargetName.c_str());
  Exchanged = Created = false;
}

void TReplacement::Finish() {
  Temp.Remove();
  Exchanged = Created = false;
}
