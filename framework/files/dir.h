// A directory opened once, whose files are then reached relative to it, so
// that a directory swapped for a link after it was opened leads nowhere
// else. A name in an opened directory is one entry of it and is never
// followed when it is a link. The default TDir is the current directory,
// in which names are paths as a user gives them (links followed).
#pragma once

#include <fcntl.h>

#include <memory>
#include <string>

#include "framework/files/error.h"
#include "framework/files/file_id.h"

class TDir {
public:
  // The current directory: names are paths, links followed.
  TDir() = default;

  // Opens the directory that path names (links followed: it was named).
  static TError Open(const std::string& path, TDir& dir);
  // Opens the directory that holds path's last entry, which goes to base:
  // "." for a bare name; links in the directory part are followed.
  static TError OpenParent(const std::string& path, TDir& dir, std::string& base);
  // Opens the directory name of this one; a link there is refused (ELOOP
  // or ENOTDIR), and so is a directory that is not expected (ESTALE).
  TError OpenSub(const std::string& name, const TFileId& expected, TDir& sub) const;
  // Opens the directory that the relative path names below this one,
  // entry by entry (an empty path: this one again): a link on the way is
  // refused (ELOOP or ENOTDIR), and so are an absolute path, "." and ".."
  // (EACCES), so that it never leads outside.
  TError OpenBelow(const std::string& relative, TDir& sub) const;

  // The descriptor for the *at calls: AT_FDCWD for the current directory.
  int Fd() const { return Handle ? *Handle : AT_FDCWD; }
  // True for an opened directory, whose names are never followed.
  bool Opened() const { return Handle != nullptr; }
  // The flag for openat (O_NOFOLLOW) and for fstatat and linkat
  // (AT_SYMLINK_NOFOLLOW, else AT_SYMLINK_FOLLOW) that keeps to the entry
  // itself in an opened directory.
  int OpenFlag() const { return Handle ? O_NOFOLLOW : 0; }
  int StatFlag() const { return Handle ? AT_SYMLINK_NOFOLLOW : 0; }
  int LinkFlag() const { return Handle ? 0 : AT_SYMLINK_FOLLOW; }
  // The directory itself (fstat); false when it cannot be asked.
  bool Identity(TFileId& id) const;
  // A path for name in this directory, for messages and the file hook.
  std::string PathOf(const std::string& name) const;
  // The path the directory was opened by ("." for the current directory).
  std::string Path() const { return Handle ? Where : "."; }

private:
  std::shared_ptr<const int> Handle; // shared by copies, closed by the last
  std::string Where;                 // the path it was opened by
};

// The name that name finally reaches through its symbolic links (relative
// targets taken against the link's directory); empty for a loop.
std::string ResolveLinks(const std::string& name);
// The directory part of a path ("." for a bare name) and its last entry.
std::string DirectoryOf(const std::string& path);
std::string BaseOf(const std::string& path);
