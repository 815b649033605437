// What one file came to: its findings, its diff, and its state.
#pragma once

#include <string>
#include <vector>

#include "regkit/finding.h"

class TFileResult {
public:
  enum class TState { UpToDate, Stale, Updated, Failed };

  TState State = TState::UpToDate;
  bool Scanned = true;            // false: passed over (no Register() in it)
  bool Deferred = false;          // judged again once the run's classes are known
  std::vector<TFinding> Findings; // in the order met
  std::string Diff;               // unified diff of a stale file (with --diff)

  // A result that is one file error about path.
  static TFileResult Failure(const std::string& path, std::string message) {
    TFileResult result;
    result.State = TState::Failed;
    result.Findings.emplace_back(path, TFinding::TSeverity::Error, TFinding::TRule::FileError, std::move(message));
    return result;
  }
};
