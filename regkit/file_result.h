// What one file came to: its finding lines, its diff, and its state.
#pragma once

#include <string>
#include <vector>

class TFileResult {
public:
  enum class TState { UpToDate, Stale, Updated, Failed };

  TState State = TState::UpToDate;
  std::vector<std::string> Lines; // finding lines, in the order met
  std::string Diff;               // unified diff of a stale file (with --diff)
};
