#include "framework/files/fault_guard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace {

enum TWatchState : int { wsFree, wsFilling, wsArmed };
const int kWatchSlots = 64;

struct TWatch {
  std::atomic<int> State{wsFree};
  std::atomic<std::uintptr_t> Start{0};
  std::atomic<std::size_t> Size{0};
  std::atomic<bool> Faulted{false};
};

// Initialised at compile time, like every table a signal handler reads.
constinit TWatch Watches[kWatchSlots];

// For a fault inside a watched mapping: zeros in the page's place, the
// mapping marked. Any other SIGBUS is a real fault: the default action
// ends the process when the faulting access is repeated.
extern "C" void OnBusError(int, siginfo_t* info, void*) {
  auto addr = reinterpret_cast<std::uintptr_t>(info->si_addr);
  auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  for (auto& w : Watches) {
    if (w.State.load(std::memory_order_acquire) != wsArmed) continue;
    std::uintptr_t start = w.Start.load(), size = w.Size.load();
    if (addr < start || addr >= start + size) continue;
    void* at = reinterpret_cast<void*>(addr & ~(page - 1));
    void* zero = mmap(at, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (zero == MAP_FAILED) break;
    w.Faulted.store(true);
    return;
  }
  signal(SIGBUS, SIG_DFL);
}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO;
    sigaction(SIGBUS, &action, nullptr);
  });
}

} // namespace

int WatchMapping(const void* start, std::size_t size) {
  InstallHandler();
  for (int i = 0; i < kWatchSlots; ++i) {
    int expected = wsFree;
    if (!Watches[i].State.compare_exchange_strong(expected, wsFilling)) continue;
    Watches[i].Start.store(reinterpret_cast<std::uintptr_t>(start));
    Watches[i].Size.store(size);
    Watches[i].Faulted.store(false);
    Watches[i].State.store(wsArmed, std::memory_order_release);
    return i;
  }
  return -1;
}

void UnwatchMapping(int slot) {
  if (slot >= 0) Watches[slot].State.store(wsFree, std::memory_order_release);
}

bool MappingFaulted(int slot) { return slot >= 0 && Watches[slot].Faulted.load(); }
