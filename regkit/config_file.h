// One project configuration file (.regkit.toml): the keys it sets, each
// with the line it was set on. Keys mirror regkit's long options.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regkit/options.h"
#include "tolvane/scan_options.h"

// A key of a configuration file: its value and the line that set it
// (outside the file's class, where clang 14 can complete it).
template <class T> struct TConfigKey {
  T Value{};
  int Line = 0;
};

class TConfigFile {
public:
  // The file's name in each directory.
  static constexpr const char* kName = ".regkit.toml";
  // Files longer than this are refused unread.
  static constexpr std::size_t kMaxSize = std::size_t{1} << 20;

  // A key's value and the line that set it.
  template <class T> using TKey = TConfigKey<T>;

  std::string Path;  // as shown in messages
  bool Root = false; // root = true: no file above this one counts
  std::optional<TKey<TScanOptions::TDialect>> Dialect;
  std::optional<TKey<TOptions::TPassedOver>> PassedOver;
  std::optional<TKey<std::vector<std::string>>> Exclude;
  std::optional<TKey<std::vector<std::string>>> Ext;     // with their dots
  std::optional<TKey<std::vector<std::string>>> PartExt; // with their dots
  std::optional<TKey<std::string>> PartInclude;          // as written, relative to the file

  // Reads the text of the file shown as path; on an error (TOML syntax, an
  // unknown key, a wrong type or value) returns false with
  // "path:line:col: message" in error.
  bool Parse(std::string_view text, const std::string& path, std::string& error);
};
