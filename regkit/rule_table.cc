#include "regkit/rule_table.h"

namespace {

using TRule = TFinding::TRule;
const TFinding::TSeverity kError = TFinding::TSeverity::Error;
const TFinding::TSeverity kWarning = TFinding::TSeverity::Warning;
const TFinding::TSeverity kNote = TFinding::TSeverity::Note;

const TRuleInfo kRules[] = {
    {TRule::ScanError, "scan-error", "The scan stopped at an error; the file cannot be updated.",
     "Correct the construct at the position given; the file is updated once it scans without an error.", kError,
     true},
    {TRule::ScanWarning, "scan-warning", "The scan warned about a construct it passed over.",
     "Rewrite the construct if its member is to be registered; regkit check -w leaves warnings out.", kWarning,
     true},
    {TRule::StaleBody, "stale-body", "A Register() body differs from what tolvane writes.",
     "Run regkit update on the file, or apply the editor's quick fix \"Update Register() bodies\".", kError, true},
    {TRule::LineEnds, "line-ends", "Line ends differ from the line feeds tolvane writes.",
     "Run regkit update on the file: every line end becomes a line feed.", kError, true},
    {TRule::PartStale, "part-stale", "The header made from a part-description file differs from what kessrow writes.",
     "Run regkit update on the part file, or kessrow on it in its directory.", kError, true},
    {TRule::PassedOver, "passed-over",
     "A Register() body is not regenerated: the scan passes over where it stands.",
     "The message names why and the way out; a body not meant to be regenerated is switched off with "
     "TOLVANE_OFF "
     "before its class, and regkit --passed-over=ignore leaves these findings out.",
     kWarning, true},
    {TRule::FileError, "file-error", "A file could not be read or written.",
     "Make the file readable (for update: writable, in a writable directory) for the user that runs regkit.",
     kError, false},
    {TRule::Updated, "updated", "The file was rewritten.", "Nothing is left to do.", kNote, false},
};

// A finding of a rule without a row: named, never a result of a rule.
const TRuleInfo kNoRow = {TRule::FileError, "finding", "A finding of regkit.", "See the message.", kError, false};

} // namespace

std::span<const TRuleInfo> TRuleInfo::All() { return kRules; }

const TRuleInfo& TRuleInfo::Of(TFinding::TRule rule) {
  for (const TRuleInfo& info : kRules)
    if (info.Rule == rule) return info;
  return kNoRow;
}

const char* TRuleInfo::LevelName(TFinding::TSeverity severity) {
  switch (severity) {
  case TFinding::TSeverity::Error:
    return "error";
  case TFinding::TSeverity::Warning:
    return "warning";
  case TFinding::TSeverity::Note:
    break;
  }
  return "note";
}
