#include "regkit/tree_walk.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>

namespace {

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Directories nobody wants scanned: hidden ones (.git) and build trees.
bool SkippedDirectory(const std::string& name) { return name[0] == '.' || name.rfind("build", 0) == 0; }

TFinding Problem(const std::string& path, std::string message) {
  TFinding f;
  f.Path = path;
  f.Message = std::move(message);
  return f;
}

} // namespace

void TTreeWalk::Run() {
  for (const std::string& path : Options.Paths) TakePath(path);
  std::sort(Files.begin(), Files.end());
  Files.erase(std::unique(Files.begin(), Files.end()), Files.end());
  std::sort(Problems.begin(), Problems.end(),
            [](const TFinding& a, const TFinding& b) { return std::tie(a.Path, a.Message) < std::tie(b.Path, b.Message); });
}

// A named path is taken whatever its name: a file with any extension, a
// hidden or build directory, a link (followed, because it was named).
void TTreeWalk::TakePath(const std::string& given) {
  std::string path = given;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    Problems.push_back(Problem(given, std::strerror(errno)));
    return;
  }
  if (Excluded(path)) return;
  if (S_ISDIR(info.st_mode))
    WalkDirectory(path);
  else if (S_ISREG(info.st_mode))
    Files.push_back(path);
  else
    Problems.push_back(Problem(given, "not a regular file")); // a pipe would block the read
}

// Entries are looked at without following links: a link to a directory
// can make a loop, and a link to a file is rewritten by update as the link
// itself, so links are left to be named on the command line.
void TTreeWalk::WalkDirectory(const std::string& dir) {
  DIR* stream = opendir(dir.c_str());
  if (!stream) {
    Problems.push_back(Problem(dir, std::strerror(errno)));
    return;
  }
  std::vector<std::string> subdirs;
  while (const dirent* entry = readdir(stream)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = dir == "/" ? "/" + name : dir + "/" + name;
    // The kind comes with the entry on most file systems; lstat only when
    // it does not.
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat info {};
      if (lstat(path.c_str(), &info) != 0) continue; // gone meanwhile
      type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_LNK;
    }
    if (Excluded(path)) continue;
    if (type == DT_DIR) {
      if (!SkippedDirectory(name)) subdirs.push_back(path);
    } else if (type == DT_REG && Options.Walks(name)) {
      Files.push_back(path);
    }
  }
  closedir(stream);
  for (const std::string& sub : subdirs) WalkDirectory(sub);
}

// A pattern matches the whole path or the last name in it.
bool TTreeWalk::Excluded(const std::string& path) const {
  std::string base = BaseName(path);
  for (const std::string& glob : Options.Excludes)
    if (fnmatch(glob.c_str(), path.c_str(), 0) == 0 || fnmatch(glob.c_str(), base.c_str(), 0) == 0)
      return true;
  return false;
}

