#include "framework/files/file_io.h"

#include "framework/files/fault_guard.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>

namespace {

// A file is compared with a text in windows of this size, read into one
// buffer that stays in the processor's cache.
const std::size_t kCompareWindow = std::size_t{256} << 10;

// Reads everything from fd into buffer; false on a read error.
bool ReadAll(int fd, std::string& buffer, std::size_t sizeHint) {
  buffer.clear();
  buffer.reserve(sizeHint + 1);
  char chunk[65536];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    buffer.append(chunk, static_cast<std::size_t>(n));
  }
}

// Reads from fd until its end or until more than limit characters came;
// false on a read error, also when a read would have to wait.
bool ReadAtMost(int fd, std::string& buffer, std::size_t limit) {
  char chunk[65536];
  while (buffer.size() <= limit) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    buffer.append(chunk, static_cast<std::size_t>(n));
  }
  return true;
}

} // namespace

TFileText::~TFileText() { Close(); }

void TFileText::Close() {
  UnwatchMapping(Watch);
  Watch = -1;
  if (Map) munmap(Map, MapSize);
  Map = nullptr;
  MapSize = 0;
  Buffer.clear();
  View = {};
  Opened = false;
}

namespace {
// Files from this size on are mapped; smaller ones are read.
const off_t kMapFrom = off_t{1} << 20;
} // namespace

TError TFileText::Open(const TDir& dir, const std::string& name, bool regularOnly, std::size_t maxSize) {
  Close();
  // Where only a regular file will do, the open does not wait: a pipe
  // without a writer (or a device) is refused below before a byte is read.
  int flags = O_RDONLY | O_CLOEXEC | dir.OpenFlag() | (regularOnly ? O_NONBLOCK : 0);
  int fd = openat(dir.Fd(), name.c_str(), flags);
  if (fd < 0) return TError::FromErrno(TError::TKind::CannotOpen, name);
  struct stat st;
  bool stated = fstat(fd, &st) == 0;
  if (!stated || S_ISDIR(st.st_mode)) {
    TError error(TError::TKind::CannotRead, name, stated ? EISDIR : errno);
    close(fd);
    return error;
  }
  // O_NONBLOCK is the only status flag the open set.
  if (regularOnly && (!S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0)) {
    close(fd);
    return TError(TError::TKind::NotRegular, name);
  }
  if (S_ISREG(st.st_mode) && static_cast<std::uintmax_t>(st.st_size) > maxSize) {
    close(fd);
    return TError(TError::TKind::CannotRead, name, EFBIG);
  }
  FileName = name;
  Dir = dir;
  Stat = st;
  Perms = st.st_mode & 07777;
  bool ok = true;
  // Small files are read: mapping costs more than copying them, most of
  // all in a threaded process, where each unmapping interrupts the other
  // processors that run it. A large one is populated at once: the whole
  // text is read anyway, and one call maps it much faster than a page
  // fault for every few pages.
  if (S_ISREG(st.st_mode) && st.st_size >= kMapFrom) {
    void* map =
        mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    // A mapping is only used while watched: a file that shrinks under it
    // then reads as zeros and is reported, instead of a bus error.
    if (map != MAP_FAILED && (Watch = WatchMapping(map, static_cast<std::size_t>(st.st_size))) < 0) {
      munmap(map, static_cast<std::size_t>(st.st_size));
      map = MAP_FAILED;
    }
    if (map != MAP_FAILED) {
      madvise(map, static_cast<std::size_t>(st.st_size), MADV_SEQUENTIAL);
      Map = map;
      MapSize = static_cast<std::size_t>(st.st_size);
      View = std::string_view(static_cast<const char*>(map), MapSize);
    } else {
      ok = ReadAll(fd, Buffer, static_cast<std::size_t>(st.st_size));
      View = Buffer;
    }
  } else {
    ok = ReadAll(fd, Buffer, S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0);
    View = Buffer;
  }
  TError error = ok ? TError() : TError::FromErrno(TError::TKind::CannotRead, name);
  close(fd);
  if (error) {
    Close();
    return error;
  }
  Opened = true;
  CallFileHook(TFilePoint::SourceRead, dir.PathOf(name));
  return {};
}

TError TFileText::ReadInput(int fd, const char* name) {
  Close();
  struct stat st;
  if (fstat(fd, &st) != 0) return TError::FromErrno(TError::TKind::CannotOpen, name);
  if (S_ISDIR(st.st_mode)) return TError(TError::TKind::CannotRead, name, EISDIR);
  Dir = TDir();
  FileName = name;
  Stat = st;
  Perms = st.st_mode & 07777;
  if (!ReadAll(fd, Buffer, S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0)) {
    TError error = TError::FromErrno(TError::TKind::CannotRead, name);
    Close();
    return error;
  }
  View = Buffer;
  Opened = true;
  return {};
}

bool TFileText::Shrunk() const { return MappingFaulted(Watch); }

bool TFileText::StillSame() const {
  if (Shrunk()) return false;
  if (!S_ISREG(Stat.st_mode)) return true;
  struct stat now;
  return fstatat(Dir.Fd(), FileName.c_str(), &now, Dir.StatFlag()) == 0 && TFileId(now) == Id() &&
         now.st_size == Stat.st_size && now.st_mtim.tv_sec == Stat.st_mtim.tv_sec &&
         now.st_mtim.tv_nsec == Stat.st_mtim.tv_nsec;
}

TError FirstChanged(std::initializer_list<const TFileText*> files) {
  for (const TFileText* file : files)
    if (file && !file->StillSame()) return TError(TError::TKind::Changed, file->Name());
  return {};
}

std::size_t ReadAt(int fd, char* buffer, std::size_t n, std::size_t offset) {
  std::size_t got = 0;
  while (got < n) {
    ssize_t r = pread(fd, buffer + got, n - got, static_cast<off_t>(offset + got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<std::size_t>(r);
  }
  return got;
}

void TFileText::Release(std::size_t from, std::size_t upTo) {
  if (!Map) return;
  auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  std::size_t begin = std::min(from, MapSize) / page * page;
  std::size_t end = std::min(upTo, MapSize) / page * page;
  // The mapping is private and never written, so the pages only go back to
  // the file's cache: touching them again reads the same bytes.
  if (end > begin) madvise(static_cast<char*>(Map) + begin, end - begin, MADV_DONTNEED);
}

namespace {

// Compares the pieces of a text, in order, with bytes handed in windows.
class TPieceCursor {
public:
  explicit TPieceCursor(const std::vector<TOutText::TPiece>& pieces) : Pieces(pieces) {}
  // Whether the next bytes.size() bytes of the text equal bytes.
  bool Next(std::string_view bytes) {
    while (!bytes.empty()) {
      if (Index == Pieces.size()) return false;
      const TOutText::TPiece& piece = Pieces[Index];
      std::size_t n = std::min(piece.Size - Offset, bytes.size());
      if (std::memcmp(piece.Data + Offset, bytes.data(), n) != 0) return false;
      bytes.remove_prefix(n);
      Offset += n;
      if (Offset == piece.Size) {
        ++Index;
        Offset = 0;
      }
    }
    return true;
  }

private:
  const std::vector<TOutText::TPiece>& Pieces;
  std::size_t Index = 0, Offset = 0;
};

// Whether name holds size bytes that next, called with the file's bytes in
// order, accepts window by window.
template <typename TNext>
bool FileHolds(const TDir& dir, const std::string& name, std::size_t size, TNext next) {
  // Opened without waiting for a writer: a pipe is never read, since its
  // content is not a file's and a read could wait forever.
  int fd = openat(dir.Fd(), name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | dir.OpenFlag());
  if (fd < 0) return false;
  struct stat st;
  bool stated = fstat(fd, &st) == 0;
  if (!stated || !S_ISREG(st.st_mode)) {
    // A device is read without waiting (a terminal would wait for input)
    // and only as far as it could still equal text (/dev/zero never ends).
    std::string content;
    bool ok = stated && !S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode) && ReadAtMost(fd, content, size);
    close(fd);
    return ok && content.size() == size && next(std::string_view(content));
  }
  // Read, not mapped: a file cut short by another program while it is
  // compared would fault in a mapping, but only reads less here.
  bool same = static_cast<std::size_t>(st.st_size) == size;
  std::string buffer(std::min(kCompareWindow, size), '\0');
  for (std::size_t at = 0; same && at < size; at += kCompareWindow) {
    std::size_t n = std::min(kCompareWindow, size - at);
    same = ReadAt(fd, buffer.data(), n, at) == n && next(std::string_view(buffer.data(), n));
  }
  close(fd);
  return same;
}

} // namespace

bool FileHoldsText(const TDir& dir, const std::string& name, std::string_view text) {
  std::size_t at = 0;
  return FileHolds(dir, name, text.size(), [&](std::string_view window) {
    bool same = text.substr(at, window.size()) == window;
    at += window.size();
    return same;
  });
}

bool FileHoldsText(const TDir& dir, const std::string& name, const TOutText& text) {
  TPieceCursor cursor(text.Pieces());
  return FileHolds(dir, name, text.size(), [&](std::string_view window) { return cursor.Next(window); });
}

bool TFileText::Holds(const TOutText& text) const { return text.Equals(View); }

// unlink, not remove, and only a file or a link: a directory, pipe or
// device in the file's place is never deleted.
TError RemoveFile(const TDir& dir, const std::string& name) {
  struct stat st;
  if (fstatat(dir.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
    return {};
  if (unlinkat(dir.Fd(), name.c_str(), 0) != 0 && errno != ENOENT)
    return TError::FromErrno(TError::TKind::CannotRemove, dir.PathOf(name));
  return {};
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {
std::atomic<TFileHook> Hook{nullptr};
std::atomic<TSyncFault> Fault{nullptr};
} // namespace

void SetFileHook(TFileHook hook) { Hook.store(hook); }

void CallFileHook(TFilePoint point, const std::string& name) {
  if (TFileHook hook = Hook.load()) hook(point, name);
}

void SetSyncFault(TSyncFault fault) { Fault.store(fault); }

int SyncFault(const std::string& name) {
  TSyncFault fault = Fault.load();
  return fault ? fault(name) : 0;
}
