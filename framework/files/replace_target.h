// The file that a new version replaces: the opened directory it is in, its
// entry there, and what that entry is now.
#pragma once

#include <sys/stat.h>

#include <string>

#include "framework/files/dir.h"
#include "framework/files/error.h"

class TReplaceTarget {
public:
  TDir Dir;            // opened
  std::string Base;    // the entry in Dir
  bool Exists = false; // the entry exists (a link itself where links are not followed)
  struct stat Old {};  // what it is when it exists

  // Finds the file that name in dir stands for. In the current directory
  // name is a path: with followLinks its links are resolved to the file
  // they finally reach (CannotCreate with ELOOP when that is not the file
  // the name reaches, as a link into /proc may name a deleted file), and a
  // name that reaches nothing is replaced itself. In an opened directory
  // name is the entry itself, never followed. CannotCreate when the
  // directory cannot be opened.
  TError Find(const TDir& dir, const std::string& name, bool followLinks);
};
