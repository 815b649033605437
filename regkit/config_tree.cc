#include "regkit/config_tree.h"

#include <cerrno>
#include <filesystem>

#include "framework/files/dir.h"
#include "framework/files/file_io.h"
#include "regkit/messages.h"

using namespace regkit_msg;

namespace {

std::string JoinPath(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

// A configured key's value, and where it was set: "path:line".
template <class T>
void Take(TSettings::TValue<T>& setting, const TConfigFile::TKey<T>& key, const std::string& path) {
  setting.Value = key.Value;
  setting.From = path + ":" + std::to_string(key.Line);
}

} // namespace

TConfigTree::TConfigTree(const TOptions& options) : Options(options) {
  std::error_code error;
  Current = std::filesystem::current_path(error).string();
  Defaults.Ext.Value = TOptions().Extensions;
  Defaults.PartExt.Value = TOptions().PartExtensions;
  ApplyCommandLine(Defaults);
}

std::string TConfigTree::Absolute(const std::string& path) {
  std::error_code error;
  std::string clean = std::filesystem::absolute(path, error).lexically_normal().string();
  while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
  return clean;
}

std::string TConfigTree::Shown(const std::string& absolute) const {
  if (absolute == Current) return ".";
  std::string prefix = Current == "/" ? "/" : Current + "/";
  return absolute.compare(0, prefix.size(), prefix) == 0 ? absolute.substr(prefix.size()) : absolute;
}

void TConfigTree::ApplyCommandLine(TSettings& settings) const {
  const std::string from = "command line";
  // Lists set by a caller other than the command line count as given too.
  const TOptions defaults;
  if (Options.ExtensionsGiven || Options.Extensions != defaults.Extensions)
    settings.Ext = {Options.Extensions, from};
  if (Options.PartExtensionsGiven || Options.PartExtensions != defaults.PartExtensions)
    settings.PartExt = {Options.PartExtensions, from};
  if (Options.DialectGiven || Options.Dialect != defaults.Dialect) settings.Dialect = {Options.Dialect, from};
  if (Options.PassedOverGiven || Options.PassedOver != defaults.PassedOver)
    settings.PassedOver = {Options.PassedOver, from};
}

const TSettings* TConfigTree::For(const std::string& dir) { return ForAbsolute(Absolute(dir)); }

const TSettings* TConfigTree::ForAbsolute(const std::string& dir) {
  if (auto known = ByDir.find(dir); known != ByDir.end()) return known->second;
  if (!Readable(dir)) return &Defaults; // nor any directory above it
  TConfigFile file;
  bool found = false;
  const TSettings* settings = nullptr;
  if (Read(dir, file, found)) {
    const TSettings* above = (found && file.Root) || dir == "/" ? &Defaults : ForAbsolute(DirectoryOf(dir));
    settings = above;
    if (found && above) {
      TSettings merged = *above;
      if (file.Dialect) Take(merged.Dialect, *file.Dialect, file.Path);
      if (file.PassedOver) Take(merged.PassedOver, *file.PassedOver, file.Path);
      if (file.Exclude) {
        Take(merged.Exclude, *file.Exclude, file.Path);
        merged.ExcludeBase = dir;
      }
      if (file.Ext) Take(merged.Ext, *file.Ext, file.Path);
      if (file.PartExt) Take(merged.PartExt, *file.PartExt, file.Path);
      if (file.PartInclude) {
        std::string include = file.PartInclude->Value;
        if (include[0] != '/') include = JoinPath(dir, include);
        include = Absolute(include);
        Take(merged.PartInclude, *file.PartInclude, file.Path);
        merged.PartInclude.Value = Shown(include);
        merged.PartIncludePath = include;
      }
      ApplyCommandLine(merged);
      Made.push_back(std::move(merged));
      settings = &Made.back();
    }
  }
  ByDir[dir] = settings;
  return settings;
}

bool TConfigTree::Readable(const std::string& dir) const {
  if (Within.empty()) return true;
  for (const std::string& folder : Within)
    if (dir == folder || dir.starts_with(folder == "/" ? folder : folder + "/")) return true;
  return false;
}

bool TConfigTree::Read(const std::string& dir, TConfigFile& file, bool& found) {
  std::string path = JoinPath(dir, TConfigFile::kName);
  std::string shown = Shown(path);
  TFileText text;
  TError error = text.Open(TDir(), path, true, TConfigFile::kMaxSize);
  found = !error;
  if (error.Kind == TError::TKind::CannotOpen && (error.Code == ENOENT || error.Code == ENOTDIR)) return true;
  if (error) {
    Errors.push_back(shown + ": " + ConfigUnreadable(error));
    return false;
  }
  std::string problem;
  if (!file.Parse(text.Text(), shown, problem)) {
    Errors.push_back(problem);
    return false;
  }
  return true;
}
