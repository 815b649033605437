#include "regkit/dir_chain.h"

#include <algorithm>
#include <cerrno>

namespace {

// A directory that could not be reached: Changed where its name now leads
// elsewhere, or nowhere; else the system's reason.
TError Unreached(const TError& error, const std::string& path) {
  int code = error.Code;
  bool changed = error.Kind == TError::TKind::Changed || code == ENOENT || code == ENOTDIR || code == ELOOP;
  return TError(changed ? TError::TKind::Changed : TError::TKind::CannotOpen, path, code);
}

} // namespace

TError TDirChain::Open(int index, TDir& dir) {
  std::vector<int> chain; // from index up to its root
  for (int at = index; at >= 0; at = Dirs[static_cast<std::size_t>(at)].Parent) chain.push_back(at);
  std::reverse(chain.begin(), chain.end());
  std::size_t kept = 0;
  while (kept < Way.size() && kept < chain.size() && Way[kept].first == chain[kept]) ++kept;
  Way.resize(kept);
  if (Way.empty()) {
    const TTreeDir& root = Dirs[static_cast<std::size_t>(chain[0])];
    TDir opened;
    TFileId id;
    if (TError error = TDir::Open(root.Name, opened)) return Unreached(error, root.Path);
    if (!opened.Identity(id) || id != root.Id) return TError(TError::TKind::Changed, root.Path, ESTALE);
    Way.emplace_back(chain[0], opened);
  }
  for (std::size_t i = Way.size(); i < chain.size(); ++i) {
    const TTreeDir& sub = Dirs[static_cast<std::size_t>(chain[i])];
    TDir next;
    if (TError error = Way.back().second.OpenSub(sub.Name, sub.Id, next)) {
      Way.clear();
      return Unreached(error, sub.Path);
    }
    Way.emplace_back(chain[i], next);
  }
  dir = Way.back().second;
  return {};
}
