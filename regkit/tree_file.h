// A file that the walk found: its name for the output, how to reach it, and
// which file it was.
#pragma once

#include <string>

#include "framework/file_id.h"

class TSettings;

class TTreeFile {
public:
  std::string Path;                    // as printed: the named path, or a walked path below it
  int Dir = -1;                        // index of the walk's directory that holds it
  std::string Name;                    // its entry there
  TFileId Id;                          // the file the walk saw
  std::string DiffName;                // its name in a diff (see TTreeWalk)
  const TSettings* Settings = nullptr; // those of its directory (kept by the walk)
};
