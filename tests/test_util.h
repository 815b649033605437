// Helpers for tests that run the built programs on files in a scratch
// directory.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The user "nobody", whom tests run as when root would pass every check.
inline constexpr int kNobody = 65534;

// Who may reach a scratch directory.
enum class TReach {
  Owner,   // under the system's temporary directory ($TMPDIR), mode 0700
  AllUsers // under /tmp, mode 0755: for a test that runs a program as another user
};

// A fresh directory, removed with everything in it when the object goes.
class TTempDir {
public:
  explicit TTempDir(TReach reach = TReach::Owner);
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return Dir; }
  // The path of name inside the directory.
  std::string File(const std::string& name) const { return Dir + "/" + name; }

private:
  std::string Dir;
};

struct TRunResult {
  std::string Output; // everything written to standard output
  int Status = 0;     // exit status as the shell sees it (255 for -1)
  int Signal = 0;     // the signal that ended the program, or 0
};

struct TRunOptions {
  std::string WorkDir;       // empty: the current directory
  std::string Input;         // fed to standard input
  long FileSizeLimit = -1;   // RLIMIT_FSIZE in bytes (SIGXFSZ ignored); -1: none
  long MemoryLimit = -1;     // RLIMIT_AS in bytes; -1: none
  int Uid = -1;              // the user the program runs as; -1: unchanged
  int Gid = -1;              // its group; -1: unchanged
  std::vector<gid_t> Groups; // its supplementary groups (used when Uid is set)
  std::vector<std::pair<std::string, std::string>> Environment; // variables set for the program
};

TRunResult RunProgram(const std::string& exe, const std::vector<std::string>& args,
                      const TRunOptions& options = {});

// A copy of the built program at exe that every user can run, for a test
// that runs it as another user: the build directory may lie where that
// user cannot reach (a checkout in a 0700 home directory). Made once per
// test program in a directory of TReach::AllUsers, removed at exit.
const std::string& ProgramForAnyUser(const std::string& exe);

// Runs body in a forked child (with the options' directory, limits and
// user), its standard output captured; the child exits with body's result.
TRunResult RunForked(const std::function<int()>& body, const TRunOptions& options = {});

std::string ReadFile(const std::string& path); // "" when it cannot be read
void WriteFile(const std::string& path, std::string_view text);
bool FileExists(const std::string& path);
unsigned FileMode(const std::string& path); // permission bits

// Whether the tests run under AddressSanitizer, which needs more address
// space than any limit a test sets.
constexpr bool UnderAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}
