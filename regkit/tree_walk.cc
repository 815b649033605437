#include "regkit/tree_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "kessrow/part_engine.h"
#include "regkit/messages.h"
#include "regkit/path_quote.h"

using namespace regkit_msg;

namespace {

// Directories nobody wants scanned: hidden ones (.git) and build trees.
bool SkippedDirectory(const std::string& name) { return name[0] == '.' || name.rfind("build", 0) == 0; }

// The absolute path without ".", ".." and doubled slashes; nothing where a
// ".." follows a link (the name cleaned would then be another file's).
std::optional<std::string> CleanPath(const std::string& path) {
  std::string clean;
  std::vector<std::size_t> ends; // where each part of clean began
  for (std::size_t at = 0; at <= path.size();) {
    std::size_t slash = std::min(path.find('/', at), path.size());
    std::string part = path.substr(at, slash - at);
    at = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part != "..") {
      ends.push_back(clean.size());
      clean += "/" + part;
      continue;
    }
    if (ends.empty()) continue; // "/.." is "/"
    struct stat st;
    if (lstat(clean.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return std::nullopt;
    clean.resize(ends.back());
    ends.pop_back();
  }
  return clean.empty() ? "/" : clean;
}

// The current directory as the system names it, and as the shell does
// ($PWD, where it names the same directory through links).
std::vector<std::string> CurrentDirectories() {
  std::vector<std::string> names;
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer)) names.push_back(buffer);
  const char* shell = std::getenv("PWD");
  struct stat a, b;
  if (shell && shell[0] == '/' && stat(shell, &a) == 0 && stat(".", &b) == 0 && TFileId(a) == TFileId(b))
    if (std::optional<std::string> clean = CleanPath(shell); clean && (names.empty() || *clean != names[0]))
      names.push_back(*clean);
  return names;
}

} // namespace

void TTreeWalk::Run() {
  Current = CurrentDirectories();
  if (!Options.NoIgnore) Ignore = std::make_unique<TGitIgnore>();
  for (const std::string& path : Options.Paths) TakePath(path);
  if (Ignore)
    for (auto& [path, message] : Ignore->Warnings) Note(TFinding::TSeverity::Warning, path, message);
  Ignore.reset();
  std::stable_sort(Files.begin(), Files.end(),
                   [](const TTreeFile& a, const TTreeFile& b) { return a.Path < b.Path; });
  // One file, one entry: the first path in order names it.
  std::set<TFileId> seen;
  std::erase_if(Files, [&](const TTreeFile& f) { return !seen.insert(f.Id).second; });
  FindHeaderClashes();
  std::sort(Problems.begin(), Problems.end(), [](const TFinding& a, const TFinding& b) {
    return std::tie(a.Path, a.Message) < std::tie(b.Path, b.Message);
  });
}

void TTreeWalk::Note(TFinding::TSeverity severity, const std::string& path, std::string message) {
  TFinding f;
  f.Severity = severity;
  f.Path = path;
  f.Message = std::move(message);
  Problems.push_back(std::move(f));
}

int TTreeWalk::AddDir(int parent, const std::string& name, const std::string& path, const TFileId& id) {
  Dirs.push_back({parent, name, path, id});
  return static_cast<int>(Dirs.size()) - 1;
}

// The path relative to the current directory when it lies below it ("" for
// the current directory itself).
std::optional<std::string> TTreeWalk::BelowCurrent(const std::string& path) const {
  for (const std::string& current : Current) {
    std::optional<std::string> clean = CleanPath(path[0] == '/' ? path : current + "/" + path);
    if (!clean) continue;
    if (*clean == current) return "";
    std::string prefix = current == "/" ? "/" : current + "/";
    if (clean->starts_with(prefix)) return clean->substr(prefix.size());
  }
  return std::nullopt;
}

// A named path is taken whatever its name: a file with any extension, a
// hidden or build directory, a link (followed, because it was named).
void TTreeWalk::TakePath(const std::string& given) {
  std::string path = given;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    Note(TFinding::TSeverity::Error, given, std::strerror(errno));
    return;
  }
  if (Excluded(path)) return;
  const TSettings* settings = Config.For(S_ISDIR(info.st_mode) ? path : DirectoryOf(path));
  if (!settings) return; // the run ends on the configuration's error
  if (settings->Excluded(TConfigTree::Absolute(path), S_ISDIR(info.st_mode))) return;
  if (S_ISREG(info.st_mode)) {
    // A hook that passes every staged file: the others are passed over.
    if (Options.FilterNamed && !settings->Walks(BaseOf(path))) return;
    TakeFile(given, path, info);
    return;
  }
  if (!S_ISDIR(info.st_mode)) {
    Note(TFinding::TSeverity::Error, given, kNotRegular); // a pipe would block the read
    return;
  }
  TDir dir;
  TFileId id;
  if (TError error = TDir::Open(path, dir); error || !dir.Identity(id)) {
    Note(TFinding::TSeverity::Error, given, std::strerror(error ? error.Code : errno));
    return;
  }
  // A directory named twice, or named inside one walked already, is walked
  // once: its files are listed.
  if (Walked.count(id)) return;
  NamedRoots.insert(id);
  std::optional<std::string> below = BelowCurrent(path);
  int index = AddDir(-1, path, path, id);
  if (Ignore) Ignore->EnterRoot(index, path);
  Walk(index, dir, below && !below->empty() ? *below + "/" : "");
}

// A named file is reached through the directory that holds the file its
// links lead to.
void TTreeWalk::TakeFile(const std::string& given, const std::string& path, const struct stat& info) {
  std::string target = ResolveLinks(path);
  TDir dir;
  std::string base;
  TFileId dirId;
  struct stat st;
  if (target.empty() || TDir::OpenParent(target, dir, base) || !dir.Identity(dirId) ||
      fstatat(dir.Fd(), base.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || TFileId(st) != TFileId(info)) {
    Note(TFinding::TSeverity::Error, given, kChanged);
    return;
  }
  std::optional<std::string> below = BelowCurrent(path);
  int index = AddDir(-1, DirectoryOf(target), DirectoryOf(target), dirId);
  AddFile({path,
           index,
           base,
           TFileId(info),
           below ? *below : BaseOf(path),
           {},
           {},
           false,
           Config.For(DirectoryOf(path))},
          dir);
}

// A part file notes its header's identity while its directory is open.
void TTreeWalk::AddFile(TTreeFile file, const TDir& dir) {
  struct stat st;
  if (file.IsPartFile(Options) &&
      fstatat(dir.Fd(), TPartEngine::DefaultDestination(file.Name).c_str(), &st, 0) == 0)
    file.HeaderId = TFileId(st);
  Files.push_back(std::move(file));
}

void TTreeWalk::FindHeaderClashes() {
  std::map<std::pair<TFileId, std::string>, std::size_t> byName; // (directory, header) to its first part file
  std::map<TFileId, std::size_t> byId;                           // an existing header to its first part file
  for (std::size_t i = 0; i < Files.size(); ++i) {
    TTreeFile& file = Files[i];
    if (!file.IsPartFile(Options)) continue;
    auto named = byName.try_emplace(
        {Dirs[static_cast<std::size_t>(file.Dir)].Id, TPartEngine::DefaultDestination(file.Name)}, i);
    std::size_t first = named.second ? i : named.first->second;
    if (file.HeaderId != TFileId()) {
      auto found = byId.try_emplace(file.HeaderId, i);
      if (first == i) first = found.first->second;
    }
    if (first == i) continue;
    file.HeaderClash = Files[first].Path;
    Files[first].HeaderShared = true;
  }
}

// Entries are looked at without following links: a link to a directory
// can make a loop, and a link to a file is rewritten by update as the link
// itself, so links are left to be named on the command line. diffPrefix:
// the directory's name in a diff, with its slash.
void TTreeWalk::Walk(int index, const TDir& dir, const std::string& diffPrefix) {
  const std::string path = Dirs[static_cast<std::size_t>(index)].Path;
  Walked[Dirs[static_cast<std::size_t>(index)].Id] = index;
  // The directory's settings: which names it takes and leaves out.
  const TSettings* settings = Config.For(path);
  if (!settings) return; // the run ends on the configuration's error
  const std::string absolute = TConfigTree::Absolute(path);
  // A descriptor of its own: reading the entries moves its offset.
  int fd = openat(dir.Fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* stream = fd < 0 ? nullptr : fdopendir(fd);
  if (!stream) {
    Note(TFinding::TSeverity::Error, path, std::strerror(errno));
    if (fd >= 0) close(fd);
    return;
  }
  std::vector<std::string> subdirs;
  while (const dirent* entry = readdir(stream)) {
    if (Files.size() + Dirs.size() + subdirs.size() >= MaxEntries) {
      Cut = true;
      break;
    }
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string child = path == "/" ? "/" + name : path + "/" + name;
    unsigned char type = entry->d_type;
    if ((type != DT_UNKNOWN && type != DT_DIR && type != DT_REG) || Excluded(child)) continue;
    if (type == DT_REG && !settings->Walks(name)) continue;
    // The kind as the walk saw it, and the file's identity.
    struct stat st;
    if (fstatat(dir.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue; // gone meanwhile
    if (settings->Excluded(absolute == "/" ? "/" + name : absolute + "/" + name, S_ISDIR(st.st_mode)))
      continue;
    if (Ignore && (S_ISDIR(st.st_mode) || S_ISREG(st.st_mode)) &&
        Ignore->Ignored(index, name, S_ISDIR(st.st_mode)))
      continue;
    if (S_ISDIR(st.st_mode) && !SkippedDirectory(name))
      subdirs.push_back(name);
    else if (S_ISREG(st.st_mode) && settings->Walks(name))
      AddFile({child, index, name, TFileId(st), diffPrefix + name, {}, {}, false, settings}, dir);
  }
  closedir(stream);
  std::sort(subdirs.begin(), subdirs.end());
  OnPath.push_back(Dirs[static_cast<std::size_t>(index)].Id);
  for (const std::string& name : subdirs)
    if (!Cut) WalkSub(index, dir, name, diffPrefix + name + "/");
  OnPath.pop_back();
}

// A directory met a second time (a bind mount, or a loop back to a
// directory being walked) is not entered again; one walked because it was
// named too is passed over quietly.
void TTreeWalk::WalkSub(int parent, const TDir& dir, const std::string& name, const std::string& diffPrefix) {
  const std::string& parentPath = Dirs[static_cast<std::size_t>(parent)].Path;
  std::string path = parentPath == "/" ? "/" + name : parentPath + "/" + name;
  struct stat st;
  if (fstatat(dir.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode)) return;
  TFileId id(st);
  auto walked = Walked.find(id);
  bool onPath = std::find(OnPath.begin(), OnPath.end(), id) != OnPath.end();
  if (walked != Walked.end()) {
    if (onPath || !NamedRoots.count(id))
      Note(TFinding::TSeverity::Warning, path,
           SameDirectory(QuotePath(Dirs[static_cast<std::size_t>(walked->second)].Path)));
    return;
  }
  TDir sub;
  if (TError error = dir.OpenSub(name, id, sub)) {
    Note(TFinding::TSeverity::Error, path, std::strerror(error.Code));
    return;
  }
  int index = AddDir(parent, name, path, id);
  if (Ignore) Ignore->EnterSub(index, parent, name);
  Walk(index, sub, diffPrefix);
}

// A pattern matches the whole path or the last name in it.
bool TTreeWalk::Excluded(const std::string& path) const {
  std::string base = BaseOf(path);
  for (const std::string& glob : Options.Excludes)
    if (fnmatch(glob.c_str(), path.c_str(), 0) == 0 || fnmatch(glob.c_str(), base.c_str(), 0) == 0)
      return true;
  return false;
}
