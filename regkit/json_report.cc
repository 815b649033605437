#include "regkit/json_report.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

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

// Whether text is well-formed UTF-8: no stray or missing continuation
// byte, overlong form, surrogate, or code point past U+10FFFF.
bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    unsigned char lead = byte(i);
    std::size_t more = lead < 0x80                    ? 0
                       : lead >= 0xC2 && lead <= 0xDF ? 1
                       : lead >= 0xE0 && lead <= 0xEF ? 2
                       : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                      : 4;
    if (more == 4 || text.size() - i <= more) return false;
    // The second byte's range rules out overlong forms, surrogates and
    // code points past U+10FFFF.
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (more > 0 && (byte(i + 1) < low || byte(i + 1) > high)) return false;
    for (std::size_t k = 2; k <= more; ++k)
      if ((byte(i + k) & 0xC0) != 0x80) return false;
    i += more + 1;
  }
  return true;
}

// bytes in base64 (the standard alphabet, padded with '=').
std::string Base64(std::string_view bytes) {
  static const char* const kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    unsigned v = 0;
    for (std::size_t k = 0; k < 3; ++k) v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kAlphabet[(v >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

// An object that begins with path; a path that is not UTF-8 (shown with
// U+FFFD for its bad bytes) also gives its exact bytes as pathBytes.
json WithPath(const std::string& path) {
  json object = {{"path", path}};
  if (!IsUtf8(path)) object["pathBytes"] = Base64(path);
  return object;
}

json Finding(const TFinding& f) {
  json finding = WithPath(f.Path);
  finding.update({{"line", f.Line},
                  {"column", f.Column},
                  {"severity", TRuleInfo::LevelName(f.Severity)},
                  {"rule", TRuleInfo::Of(f.Rule).Id},
                  {"message", f.Message}});
  if (f.Fix.StartLine > 0)
    finding["fix"] = {{"startLine", f.Fix.StartLine}, {"endLine", f.Fix.EndLine}, {"text", f.Fix.Text}};
  return finding;
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
      json file = WithPath(files[i].Path);
      file.update({{"state", StateName(result.State)}, {"scanned", result.Scanned}});
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
  // A path or message that is not UTF-8 gets U+FFFD for its bad bytes (a
  // path keeps its bytes in pathBytes).
  out << document.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
  out.flush();
  return summary.Status();
}
