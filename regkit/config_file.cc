#include "regkit/config_file.h"

// toml++ is used as headers alone: no library to link (the programs are
// linked statically).
#define TOML_HEADER_ONLY 1
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include "regkit/messages.h"
#include "regkit/option_names.h"

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
      if (name == "dialect") {
        TScanOptions::TDialect dialect;
        if (!FindOptionValue(kDialectNames, value, dialect))
          return fail(ConfigBadValue(name, value, OptionValueNames(kDialectNames, ", ")));
        Dialect = TKey<TScanOptions::TDialect>{dialect, line};
      } else {
        TOptions::TPassedOver level;
        if (!FindOptionValue(kPassedOverNames, value, level))
          return fail(ConfigBadValue(name, value, OptionValueNames(kPassedOverNames, ", ")));
        PassedOver = TKey<TOptions::TPassedOver>{level, line};
      }
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
