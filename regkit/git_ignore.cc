#include "regkit/git_ignore.h"

#include <git2.h>

#include <cstdlib>
#include <filesystem>

#include "regkit/messages.h"

using namespace regkit_msg;

namespace {

// The library's last error as text.
std::string LastError() {
  const git_error* error = git_error_last();
  return error && error->message ? error->message : "unknown error";
}

} // namespace

TGitIgnore::TGitIgnore() {
  git_libgit2_init();
  // Only ignore rules are read, and nothing of the repository is run: a
  // checkout of another user (a CI job as root) is read like any other.
  git_libgit2_opts(GIT_OPT_SET_OWNER_VALIDATION, 0);
}

TGitIgnore::~TGitIgnore() {
  for (auto& [workdir, repository] : ByWorkdir) git_repository_free(repository);
  git_libgit2_shutdown();
}

void TGitIgnore::Warn(const std::string& path, const std::string& message) {
  if (Warned.insert(path + '\n' + message).second) Warnings.emplace_back(path, message);
}

void TGitIgnore::EnterRoot(int index, const std::string& path) {
  std::error_code error;
  std::string real = std::filesystem::canonical(path, error).string();
  if (error) return;
  git_repository* repository = nullptr;
  int status = git_repository_open_ext(&repository, real.c_str(), 0, nullptr);
  if (status == GIT_ENOTFOUND) return; // not in a work tree
  if (status != 0) {
    Warn(path, GitCannotOpen(LastError()));
    return;
  }
  const char* workdir = git_repository_workdir(repository);
  if (!workdir) { // a bare repository has no work tree
    git_repository_free(repository);
    return;
  }
  std::string root = workdir; // with its slash
  auto [known, added] = ByWorkdir.emplace(root, repository);
  if (!added) git_repository_free(repository);
  std::string inside = real + "/";
  if (inside.compare(0, root.size(), root) != 0) return;
  std::string relative = inside.substr(root.size());
  // A directory named on the command line is walked whole, even one that
  // git ignores.
  int ignored = 0;
  if (!relative.empty() && git_ignore_path_is_ignored(&ignored, known->second, relative.c_str()) == 0 &&
      ignored)
    return;
  Places[index] = {known->second, relative};
}

void TGitIgnore::EnterSub(int index, int parent, const std::string& name) {
  auto place = Places.find(parent);
  if (place == Places.end()) return;
  // A nested repository's own directory is not looked into (the walk
  // passes over hidden directories); its files follow the outer rules.
  Places[index] = {place->second.Repository, place->second.Relative + name + "/"};
}

bool TGitIgnore::Ignored(int index, const std::string& name, bool isDirectory) {
  auto place = Places.find(index);
  if (place == Places.end()) return false;
  // A directory's rules ("build/") are matched with its slash.
  std::string path = place->second.Relative + name + (isDirectory ? "/" : "");
  int ignored = 0;
  if (git_ignore_path_is_ignored(&ignored, place->second.Repository, path.c_str()) != 0) {
    Warn(git_repository_workdir(place->second.Repository), GitCannotRead(LastError()));
    return false;
  }
  return ignored != 0;
}
