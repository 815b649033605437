// The classes of the C++ files below the workspace folders whose Register()
// is defined outside them: what the language server regenerates a body
// outside its class from when neither the document nor the headers it
// includes by quotes hold the class. Read when a document first needs
// them and again after a save, by the walk check makes (no link followed,
// what git ignores and the configured excludes left out, regular files
// only, each at most a size cap); no file is written.
#pragma once

#include <string>
#include <vector>

#include "regkit/class_index.h"
#include "regkit/options.h"

class TWorkspaceClasses {
public:
  // A workspace is walked for at most this many directories and files.
  static constexpr std::size_t kMaxEntries = 200000;

  // maxSize: the largest file read.
  TWorkspaceClasses(const TOptions& options, std::size_t maxSize) : Options(options), MaxSize(maxSize) {}

  // The classes below folders (absolute paths), read now unless those
  // read last are current.
  const TClassIndex& Of(const std::vector<std::string>& folders);
  // A file may have changed: the next Of reads the folders again.
  void Forget() { Current = false; }

private:
  const TOptions& Options;
  std::size_t MaxSize;
  bool Current = false;
  std::vector<std::string> Folders; // those read last
  TClassIndex Index;
};
