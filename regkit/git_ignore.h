// What git ignores in the work trees the walk goes through: .gitignore at
// every level, .git/info/exclude and the global excludes file, as the
// git library reads them (regkit reads the rules and runs nothing of the
// repository). One object per walk, used by the walk's thread alone.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct git_repository;

class TGitIgnore {
public:
  TGitIgnore();
  ~TGitIgnore();
  TGitIgnore(const TGitIgnore&) = delete;
  TGitIgnore& operator=(const TGitIgnore&) = delete;

  // Notes where the walk's directory index (a named directory) lies: in
  // the work tree that holds it, if any.
  void EnterRoot(int index, const std::string& path);
  // Notes the directory index, the entry name of directory parent.
  void EnterSub(int index, int parent, const std::string& name);
  // Whether git ignores the entry name of directory index.
  bool Ignored(int index, const std::string& name, bool isDirectory);

  // One message per repository that could not be opened and per ignore
  // rule that could not be read: (path, message).
  std::vector<std::pair<std::string, std::string>> Warnings;

private:
  struct TPlace {
    git_repository* Repository = nullptr;
    std::string Relative; // the directory relative to the work tree: "" or "a/b/"
  };
  void Warn(const std::string& path, const std::string& message);

  std::map<int, TPlace> Places;                     // by directory index
  std::map<std::string, git_repository*> ByWorkdir; // each repository opened once
  std::set<std::string> Warned;
};
