#include "regkit/parallel_runner.h"

#include <atomic>
#include <cstdio>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "regkit/colors.h"
#include "regkit/messages.h"

namespace {

using TClock = std::chrono::steady_clock;

const auto kQuietStart = std::chrono::seconds(1);
const auto kProgressEvery = std::chrono::milliseconds(100);

// The progress line, written by whichever worker finishes a file when it
// is due; a busy printer is skipped, not waited for.
class TProgress {
public:
  TProgress(bool enabled, std::size_t total) : Enabled(enabled), Total(total), Start(TClock::now()) {}

  void FileDone() {
    std::size_t done = ++Done;
    if (!Enabled) return;
    std::unique_lock lock(Mutex, std::try_to_lock);
    if (!lock.owns_lock()) return;
    auto now = TClock::now();
    if (now - Start < kQuietStart || now - LastShown < kProgressEvery) return;
    LastShown = now;
    std::fprintf(stderr, "\r%zu/%zu files", done, Total);
    Shown = true;
  }
  // Clears the line, so the summary starts on an empty one.
  void Finish() {
    if (Shown) std::fputs("\r\033[K", stderr);
  }

private:
  bool Enabled;
  std::size_t Total;
  TClock::time_point Start;
  TClock::time_point LastShown;
  std::atomic<std::size_t> Done{0};
  std::mutex Mutex;
  bool Shown = false;
};

// The error of a file whose worker threw e.
std::string FailureMessage(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const std::bad_alloc&) {
    return regkit_msg::kNoMemory;
  } catch (const std::exception& e) {
    return regkit_msg::InternalError(e.what());
  } catch (...) {
    return regkit_msg::InternalError("unknown exception");
  }
}

} // namespace

std::vector<TFileResult> TParallelRunner::Run(std::size_t count, const TWorkerFactory& makeWorker,
                                              const TPathOf& pathOf) {
  std::vector<TFileResult> results(count);
  std::atomic<std::size_t> next{0};
  TProgress progress(ShowProgress, count);
  auto work = [&] {
    TWorker worker;
    for (std::size_t i; (i = next++) < count;) {
      try {
        if (!worker) worker = makeWorker();
        results[i] = worker(i);
      } catch (...) {
        // A worker that threw may be half way through a file: the next
        // file gets a new one.
        worker = nullptr;
        results[i] = TFileResult::Failure(pathOf(i), FailureMessage(std::current_exception()));
      }
      progress.FileDone();
    }
  };
  std::size_t threads = std::min<std::size_t>(Jobs, count);
  std::vector<std::thread> pool;
  for (std::size_t t = 1; t < threads; ++t) {
    try {
      pool.emplace_back(work);
    } catch (const std::system_error& e) {
      std::string note = TColors::RunPrefix(TColors::TPaint::Cyan, "note:", Colour) +
                         regkit_msg::FewerThreads(pool.size() + 1, threads, e.code().message());
      std::fprintf(stderr, "%s\n", note.c_str());
      break;
    }
  }
  work(); // the calling thread is one of the workers
  for (std::thread& thread : pool) thread.join();
  progress.Finish();
  return results;
}
