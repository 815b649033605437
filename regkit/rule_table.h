// The names and descriptions of the kinds of finding, as the machine
// formats (JSON, SARIF, the language server) name them: one row per rule.
#pragma once

#include <span>

#include "regkit/finding.h"

class TRuleInfo {
public:
  TFinding::TRule Rule;
  const char* Id;          // the stable name: "stale-body"
  const char* Description; // one sentence
  const char* Help;        // how to mend it, one or two sentences
  TFinding::TSeverity Level; // the severity its findings have
  // Whether SARIF reports it as a result of a rule; otherwise (a file that
  // could not be read) as a notification of the run.
  bool IsResult;

  // Every row, in the order the rules are listed.
  static std::span<const TRuleInfo> All();
  // The row of rule.
  static const TRuleInfo& Of(TFinding::TRule rule);
  // A severity as the machine formats name it: "error", "warning", "note".
  static const char* LevelName(TFinding::TSeverity severity);
};
