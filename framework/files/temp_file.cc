#include "framework/files/temp_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

// The names the signal handler removes: fixed slots, claimed with an atomic
// exchange, so that several threads can make temporary files and the
// handler needs no lock and no allocation. A name is kept with the
// descriptor of its directory, which stays open while the name exists.
enum TSlotState : int { ssFree, ssFilling, ssArmed };

struct TSlot {
  std::atomic<int> State{ssFree};
  int DirFd = -1;
  char Name[NAME_MAX + 1] = {};
};

// Initialised at compile time: the table is about 530 KB of zeros that no
// page of is touched until a slot is used (a start-up initialiser would
// fault in every page of it on every run).
constinit TSlot Slots[TTempFile::kMaxLive];

int ClaimSlot(int dirFd, const std::string& name) {
  if (name.size() > NAME_MAX) return -1;
  for (int i = 0; i < TTempFile::kMaxLive; ++i) {
    int expected = ssFree;
    if (!Slots[i].State.compare_exchange_strong(expected, ssFilling)) continue;
    Slots[i].DirFd = dirFd;
    std::memcpy(Slots[i].Name, name.c_str(), name.size() + 1);
    Slots[i].State.store(ssArmed, std::memory_order_release);
    return i;
  }
  return -1;
}

void FreeSlot(int slot) {
  if (slot >= 0) Slots[slot].State.store(ssFree, std::memory_order_release);
}

// Removes every armed temporary file, then ends the process with the
// signal's usual status (the handler was installed with SA_RESETHAND, and
// the re-raised signal is delivered once the handler returns).
extern "C" void CleanUpAndDie(int sig) {
  int saved = errno;
  for (auto& slot : Slots)
    if (slot.State.load(std::memory_order_acquire) == ssArmed) unlinkat(slot.DirFd, slot.Name, 0);
  raise(sig);
  errno = saved;
}

// Installs the handler for each ending signal that is not ignored (a
// caller that ignores SIGXFSZ wants EFBIG from a write instead).
void InstallHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
      struct sigaction old {};
      if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
      struct sigaction action {};
      action.sa_handler = CleanUpAndDie;
      sigemptyset(&action.sa_mask);
      action.sa_flags = SA_RESETHAND;
      sigaction(sig, &action, nullptr);
    }
  });
}

std::atomic<unsigned> Counter{0};

} // namespace

TTempFile::~TTempFile() { Remove(); }

bool TTempFile::Create(const TDir& dir, const std::string& base) { return Make(dir, base, nullptr, nullptr); }

bool TTempFile::Link(const TDir& dir, const std::string& base, const TDir& fromDir, const std::string& name) {
  return Make(dir, base, &fromDir, &name);
}

bool TTempFile::Make(const TDir& dir, const std::string& base, const TDir* fromDir, const std::string* name) {
  Remove();
  InstallHandlers();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix = ".tmp" + std::to_string(getpid()) + "_" + std::to_string(Counter++);
    // "." + base + suffix must fit NAME_MAX: the base gives way.
    std::size_t room = NAME_MAX - 1 - suffix.size();
    std::string temp(".");
    temp.append(base, 0, room).append(suffix);
    // The slot is armed before the file exists: a signal in between
    // removes a name that is not there yet, which does no harm.
    Slot = ClaimSlot(dir.Fd(), temp);
    if (Slot < 0) {
      errno = ENFILE;
      return false;
    }
    Dir = dir;
    Base = temp;
    if (fromDir) {
      if (linkat(fromDir->Fd(), name->c_str(), dir.Fd(), temp.c_str(), fromDir->LinkFlag()) == 0) return true;
    } else {
      Descriptor = openat(dir.Fd(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (Descriptor >= 0) return true;
    }
    int err = errno;
    Forget();
    errno = err;
    if (err != EEXIST) return false;
  }
  return false;
}

void TTempFile::Forget() {
  FreeSlot(Slot);
  Slot = -1;
  Base.clear();
  Dir = TDir();
}

bool TTempFile::Close() {
  if (Descriptor < 0) return true;
  bool ok = close(Descriptor) == 0;
  Descriptor = -1;
  return ok;
}

bool TTempFile::RenameTo(const std::string& target, unsigned flags) {
  Close();
  if (renameat2(Dir.Fd(), Base.c_str(), Dir.Fd(), target.c_str(), flags) != 0) return false;
  Forget();
  return true;
}

bool TTempFile::Exchange(const std::string& target) {
  Close();
  return renameat2(Dir.Fd(), Base.c_str(), Dir.Fd(), target.c_str(), RENAME_EXCHANGE) == 0;
}

bool TTempFile::Remove() {
  Close();
  if (Slot < 0) return true;
  bool removed = unlinkat(Dir.Fd(), Base.c_str(), 0) == 0 || errno == ENOENT;
  int err = errno;
  Forget();
  errno = err;
  return removed;
}
