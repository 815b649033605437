#include "regkit/sarif_log.h"

#include <filesystem>

#include "regkit/messages.h"
#include "regkit/rule_table.h"

using json = nlohmann::ordered_json;

namespace {

const char* const kSchema = "https://json.schemastore.org/sarif-2.1.0.json";
const char* const kBaseId = "%SRCROOT%";
// Where a reader of the log learns about the tool: the README as the Debian
// package installs it, unless the build names another address (CMake's
// REGKIT_INFORMATION_URI, such as a team's copy of the repository).
#ifdef REGKIT_INFORMATION_URI
const char* const kInformationUri = REGKIT_INFORMATION_URI;
#else
const char* const kInformationUri = "file:///usr/share/doc/regkit/README.md";
#endif

bool Unreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~' || c == '/';
}

std::string PercentEncoded(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (Unreserved(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

json Message(const std::string& text) { return {{"text", text}}; }

} // namespace

std::string TSarifLog::Uri(const std::string& path, bool& relative) const {
  namespace fs = std::filesystem;
  fs::path base(WorkDir);
  fs::path full = (base / path).lexically_normal(); // an absolute path stays itself
  fs::path inside = full.lexically_relative(base);
  relative = !inside.empty() && *inside.begin() != "..";
  if (relative) return PercentEncoded(inside.generic_string());
  return "file://" + PercentEncoded(full.generic_string());
}

json TSarifLog::Artifact(const TFinding& finding) const {
  bool relative = false;
  json artifact = {{"uri", Uri(finding.Path, relative)}};
  if (relative) artifact["uriBaseId"] = kBaseId;
  return artifact;
}

json TSarifLog::Location(const TFinding& finding) const {
  json physical = {{"artifactLocation", Artifact(finding)}};
  if (finding.Line > 0) {
    json region = {{"startLine", finding.Line}};
    if (finding.Column > 0) region["startColumn"] = finding.Column;
    physical["region"] = region;
  }
  return {{"physicalLocation", physical}};
}

json TSarifLog::Fix(const TFinding& finding) const {
  const TFinding::TFix& fix = finding.Fix;
  // Whole lines with their line ends: up to the start of the line after
  // the last; the text's last line without an end: up to its end.
  json deleted = {{"startLine", fix.StartLine}, {"startColumn", 1}};
  if (fix.EndColumn == 0)
    deleted.update({{"endLine", fix.EndLine + 1}, {"endColumn", 1}});
  else
    deleted.update({{"endLine", fix.EndLine}, {"endColumn", fix.EndColumn}});
  json replacement = {{"deletedRegion", std::move(deleted)}, {"insertedContent", {{"text", fix.Text}}}};
  json change = {{"artifactLocation", Artifact(finding)},
                 {"replacements", json::array({std::move(replacement)})}};
  return {{"description", Message(regkit_msg::kFixBody)},
          {"artifactChanges", json::array({std::move(change)})}};
}

json TSarifLog::Make(const std::vector<TFinding>& problems, const std::vector<TFileResult>& results) const {
  // The rules of results, each listed once, in the table's order.
  json rules = json::array();
  std::vector<int> ruleIndex(TRuleInfo::All().size(), -1);
  for (std::size_t i = 0; i < TRuleInfo::All().size(); ++i) {
    const TRuleInfo& info = TRuleInfo::All()[i];
    if (!info.IsResult) continue;
    ruleIndex[i] = static_cast<int>(rules.size());
    rules.push_back({{"id", info.Id},
                     {"shortDescription", Message(info.Description)},
                     {"fullDescription", Message(info.Description)},
                     {"help", Message(info.Help)},
                     {"defaultConfiguration", {{"level", TRuleInfo::LevelName(info.Level)}}}});
  }

  json findings = json::array();
  json notifications = json::array();
  auto add = [&](const TFinding& finding) {
    const TRuleInfo& info = TRuleInfo::Of(finding.Rule);
    json entry = {{"level", TRuleInfo::LevelName(finding.Severity)},
                  {"message", Message(finding.Message)},
                  {"locations", json::array({Location(finding)})}};
    if (!info.IsResult) {
      notifications.push_back(std::move(entry));
      return;
    }
    entry["ruleId"] = info.Id;
    entry["ruleIndex"] =
        ruleIndex[static_cast<std::size_t>(&info - TRuleInfo::All().data())]; // a row of All()
    if (finding.Fix.StartLine > 0) entry["fixes"] = json::array({Fix(finding)});
    findings.push_back(std::move(entry));
  };
  for (const TFinding& problem : problems) add(problem);
  for (const TFileResult& result : results)
    for (const TFinding& finding : result.Findings) add(finding);

  json invocation = {{"executionSuccessful", notifications.empty()}};
  if (!notifications.empty()) invocation["toolExecutionNotifications"] = std::move(notifications);
  std::string root = WorkDir;
  if (root.empty() || root.back() != '/') root += '/';
  json run = {
      {"tool",
       {{"driver",
         {{"name", "regkit"},
          {"version", Version},
          {"informationUri", kInformationUri},
          {"rules", std::move(rules)}}}}},
      {"originalUriBaseIds", {{kBaseId, {{"uri", "file://" + PercentEncoded(root)}}}}},
      {"invocations", json::array({std::move(invocation)})},
      {"results", std::move(findings)},
  };
  return {{"$schema", kSchema}, {"version", "2.1.0"}, {"runs", json::array({std::move(run)})}};
}
