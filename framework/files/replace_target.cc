#include "framework/files/replace_target.h"

#include <cerrno>

TError TReplaceTarget::Find(const TDir& dir, const std::string& name, bool followLinks) {
  if (dir.Opened()) {
    Dir = dir;
    Base = name;
    Exists = fstatat(dir.Fd(), name.c_str(), &Old, AT_SYMLINK_NOFOLLOW) == 0;
    return {};
  }
  std::string path = name;
  struct stat reached;
  if (followLinks && stat(name.c_str(), &reached) == 0 && S_ISREG(reached.st_mode)) {
    // The file the links lead to is replaced in its own directory; it must
    // be the file that name reaches.
    path = ResolveLinks(name);
    struct stat resolved;
    if (path.empty() || lstat(path.c_str(), &resolved) != 0 || TFileId(resolved) != TFileId(reached))
      return TError(TError::TKind::CannotCreate, name, ELOOP);
  }
  if (TError error = TDir::OpenParent(path, Dir, Base))
    return TError(TError::TKind::CannotCreate, name, error.Code);
  Exists = fstatat(Dir.Fd(), Base.c_str(), &Old, AT_SYMLINK_NOFOLLOW) == 0;
  return {};
}
