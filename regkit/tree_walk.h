// Turns the PATH arguments into the list of files to process: directories
// are walked recursively, files are taken as they are.
#pragma once

#include <string>
#include <vector>

#include "regkit/finding.h"
#include "regkit/options.h"

class TTreeWalk {
public:
  explicit TTreeWalk(const TOptions& options) : Options(options) {}

  // Walks every path; afterwards Files holds the sorted, distinct files and
  // Problems one finding per path that could not be read.
  void Run();
  std::vector<std::string> Files;
  std::vector<TFinding> Problems;

private:
  void TakePath(const std::string& path);
  void WalkDirectory(const std::string& dir);
  bool Excluded(const std::string& path) const;
  const TOptions& Options;
};
