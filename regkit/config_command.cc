#include "regkit/config_command.h"

#include <filesystem>

#include "framework/files/dir.h"
#include "regkit/config_tree.h"
#include "regkit/option_names.h"
#include "regkit/report.h"

namespace {

// A TOML basic string.
std::string Quoted(const std::string& text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string quoted = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      quoted.push_back('\\');
      quoted.push_back(static_cast<char>(c));
    } else if (c < 0x20 || c == 0x7f) {
      quoted += "\\u00";
      quoted.push_back(kHex[c >> 4]);
      quoted.push_back(kHex[c & 15]);
    } else {
      quoted.push_back(static_cast<char>(c));
    }
  }
  return quoted + "\"";
}

std::string List(const std::vector<std::string>& items) {
  std::string list = "[";
  for (const std::string& item : items) list += (list.size() > 1 ? ", " : "") + Quoted(item);
  return list + "]";
}

void Line(std::ostream& out, const char* key, const std::string& value, const std::string& from) {
  out << key << " = " << value << "  # " << (from.empty() ? "default" : from) << "\n";
}

} // namespace

int TConfigCommand::Run(std::ostream& out, std::ostream& err) {
  std::string path = Options.Paths.empty() ? "." : Options.Paths[0];
  std::error_code error;
  std::string dir = std::filesystem::is_directory(path, error) ? path : DirectoryOf(path);
  TConfigTree tree(Options);
  const TSettings* settings = tree.For(dir);
  if (!settings) {
    for (const std::string& problem : tree.Errors) err << problem << "\n";
    return TReport::kFailed;
  }
  Line(out, "dialect", Quoted(std::string(OptionValueName(kDialectNames, settings->Dialect.Value))),
       settings->Dialect.From);
  Line(out, "passed-over", Quoted(std::string(OptionValueName(kPassedOverNames, settings->PassedOver.Value))),
       settings->PassedOver.From);
  Line(out, "exclude", List(settings->Exclude.Value), settings->Exclude.From);
  if (!Options.Excludes.empty()) out << "# and --exclude " << List(Options.Excludes) << "  # command line\n";
  Line(out, "ext", List(settings->Ext.Value), settings->Ext.From);
  Line(out, "part-ext", List(settings->PartExt.Value), settings->PartExt.From);
  Line(out, "part-include", Quoted(settings->PartInclude.Value), settings->PartInclude.From);
  return 0;
}
