// Runs one job per file on a pool of threads; each thread takes the next
// file by an atomic index and keeps its result at the file's index, so
// the results come out in file order whatever the number of threads.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "regkit/file_result.h"

class TParallelRunner {
public:
  // A worker owns its state (one per thread) and handles one file a call.
  using TWorker = std::function<TFileResult(const std::string&)>;
  using TWorkerFactory = std::function<TWorker()>;

  // Shows progress while standard error is a terminal and the run has
  // lasted more than a second.
  TParallelRunner(unsigned jobs, bool showProgress) : Jobs(jobs), ShowProgress(showProgress) {}

  std::vector<TFileResult> Run(const std::vector<std::string>& files, const TWorkerFactory& makeWorker);

private:
  unsigned Jobs;
  bool ShowProgress;
};
