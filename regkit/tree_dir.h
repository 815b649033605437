// A directory that the walk entered: how to reach it again (from its root
// through the directories the walk saw) and which directory it was.
#pragma once

#include <string>

#include "framework/files/file_id.h"

class TTreeDir {
public:
  int Parent = -1;  // index of the directory it is in; -1 for one reached by path
  std::string Name; // its entry in Parent, or the path it is reached by
  std::string Path; // as the walk named it, for messages
  TFileId Id;       // the directory the walk saw
};
