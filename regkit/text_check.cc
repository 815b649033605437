#include "regkit/text_check.h"

#include <string.h>

#include <cstring>

#include "framework/char_class.h"
#include "framework/input_assist.h"
#include "regkit/findings.h"
#include "regkit/messages.h"
#include "regkit/shell_word.h"

using namespace regkit_msg;

namespace {

// The number of the first line whose line end is not a lone line feed;
// 0 when there is none.
int FirstLineEndToChange(std::string_view text) {
  int line = 1;
  for (std::size_t at = text.find_first_of("\r\n"); at != std::string_view::npos;
       at = text.find_first_of("\r\n", at + 1), ++line)
    if (text[at] == '\r' || LineEndLength(text, at) == 2) return line;
  return 0;
}

} // namespace

namespace {
bool WordByte(char c) { return IsAlnumChar(c) || c == '_'; }
} // namespace

bool TTextCheck::MentionsRegistration(std::string_view text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  // "Register" as a word of its own, as the tokenizer reads it.
  const std::string_view name = "Register";
  for (const char* at = begin; (at = static_cast<const char*>(memmem(at, static_cast<std::size_t>(end - at),
                                                                     name.data(), name.size())));
       at += name.size()) {
    const char* after = at + name.size();
    if ((at == begin || !WordByte(at[-1])) && (after == end || !WordByte(*after))) return true;
  }
  // Each "_" that ends a word "tolvane", in any case.
  const std::string_view word = "tolvane";
  for (const char* at = begin;
       (at = static_cast<const char*>(std::memchr(at, '_', static_cast<std::size_t>(end - at)))); ++at) {
    if (static_cast<std::size_t>(at - begin) < word.size()) continue;
    const char* start = at - word.size();
    bool same = start == begin || !WordByte(start[-1]);
    for (std::size_t i = 0; i < word.size() && same; ++i) same = (start[i] | 0x20) == word[i];
    if (same) return true;
  }
  return false;
}

TFileResult::TState TTextCheck::Run(const std::string& path, std::string_view text,
                                    std::vector<TFinding>& findings, const TFileText* file) {
  TScanOptions options;
  options.NoWarnings = NoWarnings;
  options.SourceFile = file;
  Engine.Scan(text, options, Result);
  for (const TDiagnostic& d : Result.Diagnostics) findings.push_back(TFindings::OfScan(path, d));
  if (!Result.Ok) return TFileResult::TState::Failed;
  // An up-to-date text is mostly ranges of itself in their own place: only
  // what the scan made is compared.
  if (Result.Text.Equals(text)) return TFileResult::TState::UpToDate;
  NoteStale(path, text, findings);
  return TFileResult::TState::Stale;
}

// Each stale body is named at its first changed line. A text that changes
// in no body differs in its line ends alone (tolvane writes every line end
// as a line feed): named once, at the first line end that changes.
void TTextCheck::NoteStale(const std::string& path, std::string_view text,
                           std::vector<TFinding>& findings) const {
  bool anyStale = false;
  std::string message;
  for (std::size_t i = 0; i < Result.Bodies.size(); ++i) {
    const TBodyRange& body = Result.Bodies[i];
    if (!body.Stale()) continue;
    if (message.empty()) message = StaleBody(UpdateCommand(path));
    findings.push_back(
        TFinding(path, TFinding::TSeverity::Error, TFinding::TRule::StaleBody, message, body.FirstChange));
    findings.back().Body = static_cast<int>(i);
    anyStale = true;
  }
  if (anyStale) return;
  if (int line = FirstLineEndToChange(text))
    findings.push_back(
        TFinding(path, TFinding::TSeverity::Error, TFinding::TRule::LineEnds, kLineEnds, line));
  else
    findings.push_back(
        TFinding(path, TFinding::TSeverity::Error, TFinding::TRule::StaleBody, kOutsideBody, 1));
}
