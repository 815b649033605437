// Turns the PATH arguments into the list of files to process: directories
// are walked recursively through their descriptors, files are taken as
// they are. What the walk saw (each directory and file by device and
// inode) is kept, so that a file is later reached only through the
// directories the walk saw.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/files/dir.h"
#include "regkit/config_tree.h"
#include "regkit/finding.h"
#include "regkit/git_ignore.h"
#include "regkit/options.h"
#include "regkit/tree_dir.h"
#include "regkit/tree_file.h"

class TTreeWalk {
public:
  explicit TTreeWalk(const TOptions& options) : Config(options), Options(options) {}

  // Walks every path; afterwards Files holds the files in path order, each
  // file once (a file reached by several paths, or hard links of one, is
  // named by the first path), and Problems one finding per path that could
  // not be read, and a warning per directory not walked again (a loop or a
  // second mount).
  //
  // The name of a file in a diff is its path relative to the current
  // directory, cleaned of ".", ".." and doubled slashes, when it lies below
  // the current directory; else its path relative to the PATH it was found
  // under (a file named as PATH: its own name).
  //
  // Part files whose headers are one file (the same name in the same
  // directory, or, where the header is there, the same file) clash: each
  // but the first in path order gets HeaderClash, the first HeaderShared.
  void Run();
  std::vector<TTreeDir> Dirs;
  std::vector<TTreeFile> Files;
  // The walk takes at most this many directories and files together (the
  // language server's bound on a workspace); Cut tells that it stopped
  // there.
  std::size_t MaxEntries = SIZE_MAX;
  bool Cut = false;
  std::vector<TFinding> Problems;
  // The configuration files met; their Errors end the run before any file
  // is processed.
  TConfigTree Config;

private:
  void TakePath(const std::string& path);
  void TakeFile(const std::string& given, const std::string& path, const struct stat& info);
  void AddFile(TTreeFile file, const TDir& dir);
  void FindHeaderClashes();
  void Walk(int index, const TDir& dir, const std::string& diffPrefix);
  void WalkSub(int parent, const TDir& dir, const std::string& name, const std::string& diffPrefix);
  int AddDir(int parent, const std::string& name, const std::string& path, const TFileId& id);
  void Note(TFinding::TSeverity severity, const std::string& path, std::string message);
  std::optional<std::string> BelowCurrent(const std::string& path) const;
  bool Excluded(const std::string& path) const;
  const TOptions& Options;
  std::unique_ptr<TGitIgnore> Ignore; // none with --no-ignore
  std::vector<std::string> Current;   // the current directory, as the system and the shell name it
  std::vector<TFileId> OnPath;        // the directories being walked, outermost first
  std::map<TFileId, int> Walked;      // each directory walked, to its index
  std::set<TFileId> NamedRoots;       // the directories walked because they were named
};
