// The settings that apply to the files of one directory: the defaults,
// the configuration files found above it merged key by key (the nearer
// wins), and the command line over them. Each says where it comes from.
#pragma once

#include <string>
#include <vector>

#include "regkit/options.h"
#include "tolvane/scan_options.h"

class TSettings {
public:
  // A setting's value and its origin: "path:line" of the configuration
  // file, "command line", or empty for the default.
  template <class T> struct TValue {
    T Value{};
    std::string From;
  };

  TValue<TScanOptions::TDialect> Dialect{TScanOptions::TDialect::Specified, ""};
  TValue<TOptions::TPassedOver> PassedOver{TOptions::TPassedOver::Warning, ""};
  TValue<std::vector<std::string>> Exclude; // gitignore-style, relative to ExcludeBase
  std::string ExcludeBase;                  // absolute directory of the file that set Exclude
  TValue<std::vector<std::string>> Ext;
  TValue<std::vector<std::string>> PartExt;
  TValue<std::string> PartInclude; // the include file as shown; empty: none
  std::string PartIncludePath;     // the same, absolute

  // Whether the walk takes a file of this name, and whether it is a part file.
  bool Walks(const std::string& name) const;
  bool IsPartFile(const std::string& name) const;
  // Whether the configured patterns leave out the path (absolute, cleaned).
  bool Excluded(const std::string& path, bool isDirectory) const;
  // Whether a gitignore-style pattern matches path, relative to the
  // pattern's directory ("a/b/c.h"); the pattern's "!" is left to the caller.
  static bool PatternMatches(const std::string& pattern, const std::string& path, bool isDirectory);
};
