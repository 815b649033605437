#include "regkit/settings.h"

#include <fnmatch.h>

#include "regkit/options.h"

namespace {

// The names between slashes.
std::vector<std::string> Segments(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    if (slash > at) parts.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  return parts;
}

// Whether the pattern's segments match the path's, "**" taking any number
// of segments: one table of (pattern, path) prefixes, so that no pattern
// costs more than their product.
bool SegmentsMatch(const std::vector<std::string>& pattern, const std::vector<std::string>& path) {
  const std::size_t n = path.size();
  std::vector<char> row(n + 1, 0), next(n + 1, 0);
  row[0] = 1; // the empty pattern matches the empty path
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const std::string& segment = pattern[i];
    std::fill(next.begin(), next.end(), 0);
    if (segment == "**") {
      // At the end ("dir/**") it takes one segment at least: what is inside,
      // not the directory itself.
      bool last = i + 1 == pattern.size();
      char any = 0;
      for (std::size_t j = 0; j <= n; ++j) {
        if (!last) any = any || row[j];
        next[j] = any;
        if (last) any = any || row[j];
      }
    } else {
      for (std::size_t j = 1; j <= n; ++j)
        next[j] = row[j - 1] && fnmatch(segment.c_str(), path[j - 1].c_str(), 0) == 0;
    }
    row.swap(next);
  }
  return row[n] != 0;
}

} // namespace

bool TSettings::Walks(const std::string& name) const {
  return TOptions::HasExtension(name, Ext.Value) || IsPartFile(name);
}

bool TSettings::IsPartFile(const std::string& name) const {
  return TOptions::HasExtension(name, PartExt.Value);
}

bool TSettings::PatternMatches(const std::string& given, const std::string& path, bool isDirectory) {
  std::string pattern = given;
  bool directoryOnly = !pattern.empty() && pattern.back() == '/';
  while (!pattern.empty() && pattern.back() == '/') pattern.pop_back();
  if (pattern.empty() || (directoryOnly && !isDirectory)) return false;
  // A pattern with a slash before its end is anchored to its directory;
  // one without matches the name at any depth.
  bool anchored = pattern.find('/') != std::string::npos;
  std::vector<std::string> segments = Segments(pattern);
  if (!anchored) segments.insert(segments.begin(), "**");
  return SegmentsMatch(segments, Segments(path));
}

bool TSettings::Excluded(const std::string& path, bool isDirectory) const {
  if (Exclude.Value.empty()) return false;
  std::string prefix = ExcludeBase == "/" ? "/" : ExcludeBase + "/";
  if (path.compare(0, prefix.size(), prefix) != 0) return false;
  std::string relative = path.substr(prefix.size());
  // As in gitignore, the last pattern that matches decides; "!" takes a
  // path back.
  bool excluded = false;
  for (const std::string& pattern : Exclude.Value) {
    bool negated = !pattern.empty() && pattern[0] == '!';
    if (PatternMatches(negated ? pattern.substr(1) : pattern, relative, isDirectory)) excluded = !negated;
  }
  return excluded;
}
