#include "framework/files/dir.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Links followed from a name before it counts as a loop (as the kernel).
const int kMaxLinkHops = 40;

std::shared_ptr<const int> Own(int fd) {
  return std::shared_ptr<const int>(new int(fd), [](const int* p) {
    close(*p);
    delete p;
  });
}

} // namespace

TError TDir::Open(const std::string& path, TDir& dir) {
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return TError::FromErrno(TError::TKind::CannotOpen, path);
  dir.Handle = Own(fd);
  dir.Where = path;
  return {};
}

TError TDir::OpenParent(const std::string& path, TDir& dir, std::string& base) {
  base = BaseOf(path);
  return Open(DirectoryOf(path), dir);
}

TError TDir::OpenSub(const std::string& name, const TFileId& expected, TDir& sub) const {
  std::string path = PathOf(name);
  int fd = openat(Fd(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return TError::FromErrno(TError::TKind::CannotOpen, path);
  struct stat st;
  if (fstat(fd, &st) != 0 || TFileId(st) != expected) {
    close(fd);
    return TError(TError::TKind::Changed, path, ESTALE);
  }
  sub.Handle = Own(fd);
  sub.Where = path;
  return {};
}

TError TDir::OpenBelow(const std::string& relative, TDir& sub) const {
  TDir at = *this;
  std::size_t begin = 0;
  while (begin < relative.size()) {
    std::size_t end = relative.find('/', begin);
    if (end == std::string::npos) end = relative.size();
    std::string name = relative.substr(begin, end - begin);
    if (name.empty() || name == "." || name == "..")
      return TError(TError::TKind::CannotOpen, PathOf(relative), EACCES);
    int fd = openat(at.Fd(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return TError::FromErrno(TError::TKind::CannotOpen, at.PathOf(name));
    TDir next;
    next.Handle = Own(fd);
    next.Where = at.PathOf(name);
    at = std::move(next);
    begin = end + 1;
  }
  sub = std::move(at);
  return {};
}

bool TDir::Identity(TFileId& id) const {
  struct stat st;
  if (fstat(Fd(), &st) != 0) return false;
  id = TFileId(st);
  return true;
}

std::string TDir::PathOf(const std::string& name) const {
  if (!Handle || Where == ".") return name;
  return Where == "/" ? "/" + name : Where + "/" + name;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

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
