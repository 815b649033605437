// The replacement of a file by a new version that is written part by part
// while it is made, for the common case only: a regular file, or none,
// replaced by a new file that keeps its owner, group and attributes. An
// object exists only once the new version is begun, so that writing to or
// committing a version that was never begun does not compile.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/files/error.h"
#include "framework/files/file_io.h"
#include "framework/files/new_file.h"
#include "framework/files/replace_target.h"

class TStreamedReplacement {
public:
  // Begins the new version of the file that the path name reaches; null
  // when that is not the common case (nothing is then left behind, and the
  // caller uses TReplacement).
  static std::unique_ptr<TStreamedReplacement> Begin(const std::string& name);
  // Appends pieces; false with errno set when the write failed.
  bool Write(const std::vector<TOutText::TPiece>& pieces) { return New.Write(pieces); }
  // Completes the new version (its final mode) and puts it in place, unless
  // one of the watched files changed since it was read (a Changed error
  // naming it; nothing touched).
  TError Commit(std::initializer_list<const TFileText*> watched);

private:
  TStreamedReplacement() = default;
  std::string Name; // as the caller named the file
  TReplaceTarget Target;
  TNewFile New;
};
