#include "regkit/config_file.h"

// toml++ is used as headers alone: no library to link (the programs are
// linked statically).
#define TOML_HEADER_ONLY 1
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include <algorithm>

#include "regkit/messages.h"

using namespace regkit_msg;

namespace {

// "path:line:col: message".
std::string At(const std::string& path, const toml::source_position& where, const std::string& message) {
  return path + ":" + std::to_string(where.line) + ":" + std::to_string(where.column) + ": " + message;
}

// The list of strings a key holds; false when it holds anything else.
bool Strings(const toml::node& node, std::vector<std::string>& list) {
  const toml::array* array = node.as_array();
  if (!array) return false;
  for (const toml::node& item : *array) {
    const std::string* text = item.is_string() ? &item.as_string()->get() : nullptr;
    if (!text) return false;
    list.push_back(*text);
  }
  return true;
}

// Extensions as the options take them: each with its dot.
void WithDots(std::vector<std::string>& list) {
  for (std::string& ext : list)
    if (!ext.empty() && ext[0] != '.') ext = "." + ext;
}

} // namespace

const std::vector<std::string>& TConfigFile::Dialects() {
  static const std::vector<std::string> values = {"specified", "modern"};
  return values;
}

const std::vector<std::string>& TConfigFile::PassedOverModes() {
  static const std::vector<std::string> values = {"warning", "error", "ignore"};
  return values;
}

bool TConfigFile::Parse(std::string_view text, const std::string& path, std::string& error) {
  Path = path;
  toml::table table;
  try {
    table = toml::parse(text, path);
  } catch (const toml::parse_error& e) {
    error = At(path, e.source().begin, "error: " + std::string(e.description()));
    return false;
  }
  for (auto&& [key, value] : table) {
    const toml::node& node = value; // a lambda may not take a structured binding
    const std::string name(key.str());
    const toml::source_position where = key.source().begin;
    const int line = static_cast<int>(where.line);
    // A wrong value is shown where the value stands.
    auto fail = [&](const std::string& message) {
      error = At(path, node.source().begin, message);
      return false;
    };
    if (name == "root") {
      if (!node.is_boolean()) return fail(ConfigWrongType(name, kConfigBoolean));
      Root = node.as_boolean()->get();
    } else if (name == "dialect" || name == "passed-over" || name == "part-include") {
      if (!node.is_string()) return fail(ConfigWrongType(name, kConfigString));
      std::string value = node.as_string()->get();
      if (name == "part-include") {
        if (value.empty()) return fail(ConfigEmpty(name));
        PartInclude = TKey<std::string>{value, line};
        continue;
      }
      const std::vector<std::string>& values = name == "dialect" ? Dialects() : PassedOverModes();
      if (std::find(values.begin(), values.end(), value) == values.end())
        return fail(ConfigBadValue(name, value, values));
      (name == "dialect" ? Dialect : PassedOver) = TKey<std::string>{value, line};
    } else if (name == "exclude" || name == "ext" || name == "part-ext") {
      std::vector<std::string> list;
      if (!Strings(node, list)) return fail(ConfigWrongType(name, kConfigStrings));
      if (name == "exclude") {
        Exclude = TKey<std::vector<std::string>>{list, line};
        continue;
      }
      std::erase(list, "");
      if (list.empty()) return fail(ConfigEmpty(name));
      WithDots(list);
      (name == "ext" ? Ext : PartExt) = TKey<std::vector<std::string>>{list, line};
    } else {
      error = At(path, where, ConfigUnknownKey(name));
      return false;
    }
  }
  return true;
}
