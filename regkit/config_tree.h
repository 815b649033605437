// Finds the configuration files (.regkit.toml) that apply to a directory,
// as EditorConfig finds its files: in the directory and each one above it,
// up to the root or to a file that says root = true; the nearer file wins
// key by key, and the command line wins over all. Each directory's
// settings are made once.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "regkit/config_file.h"
#include "regkit/options.h"
#include "regkit/settings.h"

class TConfigTree {
public:
  explicit TConfigTree(const TOptions& options);

  // The settings of the files in directory dir (a path as a user gives it);
  // nullptr when a configuration file on the way up could not be read or is
  // wrong (Errors says why, once per file).
  const TSettings* For(const std::string& dir);
  std::vector<std::string> Errors; // "path:line:col: error: ..." or "path: error: ..."
  // When not empty: the only directories (absolute) at and below which
  // configuration files are read, as the editor's workspace folders.
  std::vector<std::string> Within;

  // The absolute path without ".", ".." and doubled slashes.
  static std::string Absolute(const std::string& path);
  // An absolute path as shown to the user: relative to the current
  // directory when below it.
  std::string Shown(const std::string& absolute) const;

private:
  const TSettings* ForAbsolute(const std::string& dir);
  // Reads dir's configuration file into file; false on an error, found
  // false where there is none.
  bool Read(const std::string& dir, TConfigFile& file, bool& found);
  bool Readable(const std::string& dir) const;
  // Puts the command line over the settings.
  void ApplyCommandLine(TSettings& settings) const;

  const TOptions& Options;
  std::string Current; // the current directory
  TSettings Defaults;
  std::deque<TSettings> Made; // stable addresses: files point to them
  std::map<std::string, const TSettings*> ByDir;
};
