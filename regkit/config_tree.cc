#include "regkit/config_tree.h"

#include <cerrno>
#include <filesystem>

#include "framework/file_io.h"
#include "regkit/messages.h"

using namespace regkit_msg;

namespace {

std::string ParentOf(const std::string& dir) {
  std::size_t slash = dir.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : dir.substr(0, slash);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
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
  if (Options.DialectGiven || Options.Dialect != defaults.Dialect)
    settings.Dialect = {Options.Dialect == TScanOptions::TDialect::Modern ? "modern" : "specified", from};
  if (Options.PassedOverGiven || Options.PassedOver != defaults.PassedOver)
    settings.PassedOver = {Options.PassedOver == TOptions::TPassedOver::Error    ? "error"
                           : Options.PassedOver == TOptions::TPassedOver::Ignore ? "ignore"
                                                                                 : "warning",
                           from};
}

const TSettings* TConfigTree::For(const std::string& dir) { return ForAbsolute(Absolute(dir)); }

const TSettings* TConfigTree::ForAbsolute(const std::string& dir) {
  if (auto known = ByDir.find(dir); known != ByDir.end()) return known->second;
  if (!Readable(dir)) return &Defaults; // nor any directory above it
  TConfigFile file;
  bool found = false;
  const TSettings* settings = nullptr;
  if (Read(dir, file, found)) {
    const TSettings* above = (found && file.Root) || dir == "/" ? &Defaults : ForAbsolute(ParentOf(dir));
    settings = above;
    if (found && above) {
      TSettings merged = *above;
      auto from = [&file](int line) { return file.Path + ":" + std::to_string(line); };
      if (file.Dialect) merged.Dialect = {file.Dialect->Value, from(file.Dialect->Line)};
      if (file.PassedOver) merged.PassedOver = {file.PassedOver->Value, from(file.PassedOver->Line)};
      if (file.Exclude) {
        merged.Exclude = {file.Exclude->Value, from(file.Exclude->Line)};
        merged.ExcludeBase = dir;
      }
      if (file.Ext) merged.Ext = {file.Ext->Value, from(file.Ext->Line)};
      if (file.PartExt) merged.PartExt = {file.PartExt->Value, from(file.PartExt->Line)};
      if (file.PartInclude) {
        std::string include = file.PartInclude->Value;
        include = Absolute(include[0] == '/' ? include : JoinPath(dir, include));
        merged.PartInclude = {Shown(include), from(file.PartInclude->Line)};
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
