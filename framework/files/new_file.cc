#include "framework/files/new_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "framework/files/file_io.h"

namespace {

// Large texts are written in windows of this size, each let go in the
// source once written.
const std::size_t kWindow = std::size_t{8} << 20;

// The file-creation mask, read once while the process starts, before any
// thread runs: reading it means setting it, which no other thread may see.
const mode_t kStartUmask = [] {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}();

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

// The owner and group of model given to fd where the system allows:
// false when the owner could not be given; groupKept false when the group
// could not.
bool KeepOwner(int fd, const TNewFile::TModel& model, bool& groupKept) {
  groupKept = true;
  if (!model.Exists) return true;
  if (model.Owner != geteuid()) {
    if (fchown(fd, model.Owner, model.Group) == 0) return true;
    if (fchown(fd, model.Owner, static_cast<gid_t>(-1)) == 0) {
      groupKept = false;
      return true;
    }
    groupKept = fchown(fd, static_cast<uid_t>(-1), model.Group) == 0;
    return false;
  }
  groupKept = fchown(fd, static_cast<uid_t>(-1), model.Group) == 0;
  return true;
}

// The names of fd's extended attributes, each ended by a NUL; none where
// the file system has none. False with errno set when they cannot be read.
bool ListAttributes(int fd, std::string& names) {
  for (;;) {
    ssize_t size = flistxattr(fd, nullptr, 0);
    if (size < 0 && (errno == ENOTSUP || errno == ENOSYS)) size = 0;
    if (size < 0) return false;
    names.resize(static_cast<std::size_t>(size));
    if (size == 0) return true;
    ssize_t got = flistxattr(fd, names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<std::size_t>(got));
      return true;
    }
    if (errno != ERANGE) return false; // grew meanwhile: again
  }
}

// The value of fd's attribute name; false with errno set (ENODATA: none).
bool ReadAttribute(int fd, const char* name, std::string& value) {
  for (;;) {
    ssize_t size = fgetxattr(fd, name, nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<std::size_t>(size));
    ssize_t got = size == 0 ? 0 : fgetxattr(fd, name, value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<std::size_t>(got));
      return true;
    }
    if (errno != ERANGE) return false;
  }
}

// Whether the NUL-ended list names holds name.
bool Listed(const std::string& names, const char* name) {
  for (std::size_t at = 0; at < names.size(); at += std::char_traits<char>::length(names.data() + at) + 1)
    if (std::string_view(names.data() + at) == name) return true;
  return false;
}

// Gives to the extended attributes of from (those the runner may read: the
// access ACL is one) and takes from it those that from lacks (an ACL
// inherited from the directory). False when one cannot be set or taken;
// set: whether any was changed.
bool CopyAttributes(int from, int to, bool& set) {
  set = false;
  std::string fromNames, toNames, value, current;
  if (!ListAttributes(from, fromNames) || !ListAttributes(to, toNames)) return false;
  for (std::size_t at = 0; at < fromNames.size();
       at += std::char_traits<char>::length(fromNames.data() + at) + 1) {
    const char* name = fromNames.data() + at;
    if (!ReadAttribute(from, name, value)) {
      if (errno == ENODATA) continue; // removed meanwhile
      return false;
    }
    // A value the new file has already (a security label given on
    // creation) is not set again: setting it may need a privilege.
    if (ReadAttribute(to, name, current) && current == value) continue;
    if (fsetxattr(to, name, value.data(), value.size(), 0) != 0) return false;
    set = true;
  }
  for (std::size_t at = 0; at < toNames.size();
       at += std::char_traits<char>::length(toNames.data() + at) + 1) {
    const char* name = toNames.data() + at;
    if (Listed(fromNames, name)) continue;
    if (fremovexattr(to, name) != 0 && errno != ENODATA) return false;
    set = true;
  }
  return true;
}

// Whether fd gets the attributes of model (nothing to give for a file made
// new, or one that cannot be read to learn them).
bool GiveAttributes(int fd, const TNewFile::TModel& model) {
  if (!model.Exists) return true;
  int from =
      openat(model.Dir.Fd(), model.Name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | model.Dir.OpenFlag());
  if (from < 0) return true;
  struct stat st;
  bool same = fstat(from, &st) == 0 && TFileId(st) == model.Id;
  bool set = false;
  bool ok = !same || CopyAttributes(from, fd, set);
  close(from);
  // An access ACL set on the file made its group bits the ACL's mask: it
  // stays private until it is complete.
  return ok && (!set || fchmod(fd, 0600) == 0);
}

} // namespace

TNewFile::TModel::TModel(const struct stat& st, const TDir& dir, const std::string& name)
    : Exists(true), Mode(st.st_mode & 07777), Owner(st.st_uid), Group(st.st_gid), Id(st), Dir(dir),
      Name(name) {}

TNewFile::TModel::TModel(const TFileText& text)
    : Exists(true), Mode(text.Mode()), Owner(text.Owner()), Group(text.Group()), Id(text.Id()),
      Dir(text.Directory()), Name(text.Name()) {}

TError TNewFile::Create(const TDir& dir, const std::string& base, const TModel& model,
                        const std::string& errorName) {
  ErrorName = errorName;
  if (!Temp.Create(dir, base)) return TError::FromErrno(TError::TKind::CannotCreate, errorName);
  bool groupKept = true;
  Owner = KeepOwner(Temp.Fd(), model, groupKept);
  AttributeError = GiveAttributes(Temp.Fd(), model) ? 0 : errno != 0 ? errno : EPERM;
  FinalMode = model.Exists ? model.Mode : 0664 & ~kStartUmask;
  if (!groupKept) FinalMode = NarrowGroup(FinalMode);
  return {};
}

bool TNewFile::Link(const TDir& dir, const std::string& base, const TDir& fromDir, const std::string& name) {
  return Temp.Link(dir, base, fromDir, name);
}

bool TNewFile::Write(const std::vector<TOutText::TPiece>& pieces, TFileText* source) {
  return WritePieces(Temp.Fd(), pieces, source, false);
}

TError TNewFile::Complete(bool durable) {
  CallFileHook(TFilePoint::TempWritten, Temp.Name());
  // The final mode only now that the content is complete: until here the
  // file was private (0600).
  if (fchmod(Temp.Fd(), FinalMode) != 0) return TError::FromErrno(TError::TKind::CannotCreate, ErrorName);
  if (durable && !SyncFile(Temp.Fd(), Temp.Name()))
    return TError::FromErrno(TError::TKind::WriteFailed, ErrorName);
  if (!Temp.Close()) return TError::FromErrno(TError::TKind::WriteFailed, ErrorName);
  return {};
}

TError TNewFile::Remove() {
  std::string name = Temp.Name();
  return Temp.Remove() ? TError() : TError::FromErrno(TError::TKind::CannotRemove, name);
}

bool WritePieces(int fd, const std::vector<TOutText::TPiece>& pieces, TFileText* source, bool fromStart) {
  std::vector<iovec> iov;
  iov.reserve(std::min<std::size_t>(pieces.size(), IOV_MAX));
  off_t at = fromStart ? 0 : -1;
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

bool SyncFile(int fd, const std::string& path) {
  if (int fault = SyncFault(path)) {
    errno = fault;
    return false;
  }
  if (fsync(fd) != 0) return false;
  CallFileHook(TFilePoint::Synced, path);
  return true;
}

bool SyncDirectory(const TDir& dir) {
  if (int fault = SyncFault(dir.Path())) {
    errno = fault;
    return false;
  }
  if (fsync(dir.Fd()) != 0) return false;
  CallFileHook(TFilePoint::Synced, dir.Path());
  return true;
}
