#include "framework/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>

namespace {

// Large texts are copied and compared in windows of this size (a multiple
// of the page size), so that only one window of a file is held at a time.
const std::size_t kWindow = std::size_t{8} << 20;

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

bool WriteAll(int fd, std::string_view text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string DirectoryOf(const std::string& name) {
  std::size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return name.substr(0, slash);
}

// Creates a new, empty file next to name; returns its descriptor and path.
int CreateTempBeside(const std::string& name, std::string& tempName) {
  std::string dir = DirectoryOf(name);
  std::string base = name.substr(name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = dir + "/." + base + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(attempt);
    int fd = open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

} // namespace

TFileText::~TFileText() { Close(); }

void TFileText::Close() {
  if (Map) munmap(Map, MapSize);
  Map = nullptr;
  MapSize = 0;
  Buffer.clear();
  View = {};
  Opened = false;
}

namespace {
const off_t kMapFrom = off_t{1} << 20;
} // namespace

TFileText::TStatus TFileText::Open(const char* name) {
  Close();
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return TStatus::CannotOpen;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return TStatus::ReadFailed;
  }
  Perms = st.st_mode & 07777;
  bool ok = true;
  // Small files are read: mapping costs more than copying them, most of
  // all in a threaded process, where each unmapping interrupts the other
  // processors that run it.
  if (S_ISREG(st.st_mode) && st.st_size >= kMapFrom) {
    void* map = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
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
  close(fd);
  if (!ok) {
    Close();
    return TStatus::ReadFailed;
  }
  Opened = true;
  return TStatus::Ok;
}

bool TFileText::Holds(std::string_view text) {
  if (View.size() != text.size()) return false;
  for (std::size_t at = 0; at < View.size(); at += kWindow) {
    if (View.substr(at, kWindow) != text.substr(at, kWindow)) return false;
    Release(at, at + kWindow);
  }
  return true;
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

// The replacement itself; write puts the content into the descriptor.
template <class TWrite>
TWriteResult Replace(const std::string& name, std::optional<mode_t> mode, TWrite write) {
  struct stat old;
  bool exists = stat(name.c_str(), &old) == 0;
  if (!mode && exists) mode = old.st_mode & 07777;
  // A pipe or device in the file's place is written into, never replaced;
  // the open does not wait for a reader (without one it fails).
  if (exists && !S_ISREG(old.st_mode) && !S_ISDIR(old.st_mode)) {
    int fd = open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return TWriteResult::CannotCreate;
    bool ok = fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0 && write(fd);
    if (close(fd) != 0) ok = false;
    return ok ? TWriteResult::Ok : TWriteResult::WriteFailed;
  }

  std::string tempName;
  int fd = CreateTempBeside(name, tempName);
  bool direct = false;
  if (fd < 0) {
    // The directory takes no new file, but the file itself may be writable:
    // then rewrite it in place, checking every write.
    if (errno != EACCES || !exists) return TWriteResult::CannotCreate;
    fd = open(name.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return TWriteResult::CannotCreate;
    direct = true;
  }
  bool ok = (!mode || direct || fchmod(fd, *mode) == 0) && write(fd);
  if (close(fd) != 0) ok = false;
  if (direct) return ok ? TWriteResult::Ok : TWriteResult::WriteFailed;
  if (!ok) {
    unlink(tempName.c_str());
    return TWriteResult::WriteFailed;
  }
  if (rename(tempName.c_str(), name.c_str()) != 0) {
    unlink(tempName.c_str());
    return TWriteResult::CannotCreate;
  }
  return TWriteResult::Ok;
}

} // namespace

TWriteResult ReplaceFile(const std::string& name, std::string_view text, std::optional<mode_t> mode) {
  return Replace(name, mode, [&](int fd) { return WriteAll(fd, text); });
}

TWriteResult ReplaceFileByCopy(const std::string& name, TFileText& source, std::optional<mode_t> mode) {
  return Replace(name, mode, [&](int fd) {
    std::string_view text = source.Text();
    for (std::size_t at = 0; at < text.size(); at += kWindow) {
      if (!WriteAll(fd, text.substr(at, kWindow))) return false;
      source.Release(at, at + kWindow);
    }
    return true;
  });
}

bool FileHoldsText(const char* name, std::string_view text) {
  // Opened without waiting for a writer: a pipe is never read, since its
  // content is not a file's and a read could wait forever.
  int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool stated = fstat(fd, &st) == 0;
  if (!stated || !S_ISREG(st.st_mode)) {
    // A device is read without waiting (a terminal would wait for input)
    // and only as far as it could still equal text (/dev/zero never ends).
    std::string content;
    bool ok =
        stated && !S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode) && ReadAtMost(fd, content, text.size());
    close(fd);
    return ok && content == text;
  }
  bool same = static_cast<std::size_t>(st.st_size) == text.size();
  std::string buffer;
  for (std::size_t at = 0; same && at < text.size(); at += kWindow) {
    std::size_t n = std::min(kWindow, text.size() - at);
    void* map = mmap(nullptr, n, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(at));
    if (map != MAP_FAILED) {
      same = std::memcmp(map, text.data() + at, n) == 0;
      munmap(map, n);
      continue;
    }
    buffer.resize(n);
    std::size_t got = 0;
    while (got < n) {
      ssize_t r = pread(fd, buffer.data() + got, n - got, static_cast<off_t>(at + got));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      got += static_cast<std::size_t>(r);
    }
    same = got == n && std::memcmp(buffer.data(), text.data() + at, n) == 0;
  }
  close(fd);
  return same;
}

void ReserveText(std::string& text, std::size_t capacity) {
  try {
    text.reserve(capacity);
  } catch (const std::exception&) {
    return; // no such room at once: the text grows as it is written
  }
  // Only whole 2 MB pages inside the buffer can be huge pages.
  const std::uintptr_t huge = std::uintptr_t{2} << 20;
  auto begin = reinterpret_cast<std::uintptr_t>(text.data());
  std::uintptr_t first = (begin + huge - 1) & ~(huge - 1);
  std::uintptr_t last = (begin + text.capacity()) & ~(huge - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

// unlink, not remove, and only a file or a link: a directory, pipe or
// device in the file's place is never deleted.
void RemoveFile(const std::string& name) {
  struct stat st;
  if (lstat(name.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) unlink(name.c_str());
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
