// Reaches the directories of a walk again, each from its root through the
// directories the walk saw and never through a link, so that a directory
// swapped for a link after the walk leads nowhere. One object per thread:
// it keeps the directories on the way to the one it opened last, so that
// the next is opened from where the two ways part.
#pragma once

#include <utility>
#include <vector>

#include "framework/files/dir.h"
#include "framework/files/error.h"
#include "regkit/tree_dir.h"

class TDirChain {
public:
  explicit TDirChain(const std::vector<TTreeDir>& dirs) : Dirs(dirs) {}
  // The directory at index; Changed when it, or one on its way, is no
  // longer the directory the walk saw.
  TError Open(int index, TDir& dir);

private:
  const std::vector<TTreeDir>& Dirs;
  std::vector<std::pair<int, TDir>> Way; // from the root to the directory opened last
};
