#include "regkit/json_report.h"

#include <filesystem>

#include <nlohmann/json.hpp>

#include "regkit/report.h"
#include "regkit/rule_table.h"
#include "regkit/sarif_log.h"

using json = nlohmann::ordered_json;

namespace {

const char* StateName(TFileResult::TState state) {
  switch (state) {
  case TFileResult::TState::UpToDate:
    return "up-to-date";
  case TFileResult::TState::Stale:
    return "stale";
  case TFileResult::TState::Updated:
    return "updated";
  case TFileResult::TState::Failed:
    break;
  }
  return "failed";
}

json Finding(const TFinding& f) {
  return {{"path", f.Path},
          {"line", f.Line},
          {"column", f.Column},
          {"severity", TRuleInfo::LevelName(f.Severity)},
          {"rule", TRuleInfo::Of(f.Rule).Id},
          {"message", f.Message}};
}

// A stream that takes everything and keeps nothing.
class TDiscard : public std::streambuf {
protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

} // namespace

int TJsonReport::Print(const std::vector<TFinding>& problems, const std::vector<TTreeFile>& files,
                       const std::vector<TFileResult>& results, std::ostream& out, std::ostream& err) const {
  // The text report gives the summary line; its finding lines go nowhere.
  TDiscard discard;
  std::ostream nowhere(&discard);
  TReport::TSummary summary = TReport(Options).Print(problems, results, nowhere, err);

  json document;
  if (Options.Format == TOptions::TFormat::Sarif) {
    std::error_code error;
    std::filesystem::path workDir = std::filesystem::current_path(error);
    document = TSarifLog(Version, error ? "/" : workDir.lexically_normal().string()).Make(problems, results);
  } else {
    json fileList = json::array(), findings = json::array();
    for (const TFinding& problem : problems) findings.push_back(Finding(problem));
    for (std::size_t i = 0; i < results.size(); ++i) {
      const TFileResult& result = results[i];
      json file = {{"path", files[i].Path}, {"state", StateName(result.State)}, {"scanned", result.Scanned}};
      if (Options.Diff && !result.Diff.empty()) file["diff"] = result.Diff;
      fileList.push_back(std::move(file));
      for (const TFinding& finding : result.Findings) findings.push_back(Finding(finding));
    }
    document = {{"tool", {{"name", "regkit"}, {"version", Version}}},
                {"files", std::move(fileList)},
                {"findings", std::move(findings)},
                {"summary",
                 {{"files", summary.Files},
                  {"stale", summary.Stale},
                  {"passedOver", summary.PassedOver},
                  {"errors", summary.Errors},
                  {"exitStatus", summary.Status()}}}};
  }
  // A path or message that is not UTF-8 gets U+FFFD for its bad bytes.
  out << document.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
  out.flush();
  return summary.Status();
}
