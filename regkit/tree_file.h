// A file that the walk found: its name for the output, how to reach it, and
// which file it was.
#pragma once

#include <cstdint>
#include <string>

#include "framework/files/error.h"
#include "framework/files/file_id.h"

class TDir;
class TFileText;
class TOptions;
class TSettings;

class TTreeFile {
public:
  std::string Path;     // as printed: the named path, or a walked path below it
  int Dir = -1;         // index of the walk's directory that holds it
  std::string Name;     // its entry there
  TFileId Id;           // the file the walk saw
  std::string DiffName; // its name in a diff (see TTreeWalk)
  // A part file: its header's identity where the header is there (through
  // links); the path of the part file before it in path order whose header
  // is the same file; whether a later one writes its header too (it is
  // then checked, never written).
  TFileId HeaderId;
  std::string HeaderClash;
  bool HeaderShared = false;
  const TSettings* Settings = nullptr; // those of its directory (kept by the walk)

  // Whether it is a part-description file, by its directory's extensions
  // (options': those of a file without settings).
  bool IsPartFile(const TOptions& options) const;
  // Reads it in dir, the directory it was found in, if it is still the
  // file the walk saw (Changed otherwise): a regular file, at most
  // maxSize bytes.
  TError Read(const TDir& dir, TFileText& text, std::size_t maxSize = SIZE_MAX) const;
};
