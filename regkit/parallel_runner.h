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
  // A worker owns its state (one per thread) and handles one file (by its
  // index) a call.
  using TWorker = std::function<TFileResult(std::size_t)>;
  using TWorkerFactory = std::function<TWorker()>;
  // The path of a file by its index, for the error of a worker that threw.
  using TPathOf = std::function<std::string(std::size_t)>;

  // Shows progress while standard error is a terminal and the run has
  // lasted more than a second; colour: whether its note is coloured.
  TParallelRunner(unsigned jobs, bool showProgress, bool colour = false)
      : Jobs(jobs), ShowProgress(showProgress), Colour(colour) {}

  // Runs count files. Where fewer threads can be started than asked for
  // (a process limit), the run goes on with those that did (at least the
  // calling thread) and says so once on standard error. An exception while
  // a worker is made or handles a file fails that file alone ("internal
  // error"); the thread makes a new worker for its next file.
  std::vector<TFileResult> Run(std::size_t count, const TWorkerFactory& makeWorker, const TPathOf& pathOf);

private:
  unsigned Jobs;
  bool ShowProgress;
  bool Colour;
};
