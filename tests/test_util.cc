#include "test_util.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>

TTempDir::TTempDir(TReach reach) {
  // /tmp is there for every user on every system; $TMPDIR may be private.
  std::filesystem::path parent =
      reach == TReach::AllUsers ? std::filesystem::path("/tmp") : std::filesystem::temp_directory_path();
  std::string pattern = (parent / "regkit-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  Dir = pattern;
  if (reach == TReach::AllUsers && chmod(Dir.c_str(), 0755) != 0) throw std::runtime_error("chmod failed");
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // Restore write permission on anything a test locked, so removal works.
  for (auto& e : std::filesystem::recursive_directory_iterator(Dir, ec))
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(Dir, ec);
}

namespace {

// In the child: directory, limits and user as the options ask; false when
// one of them cannot be had.
bool SetUpChild(const TRunOptions& options) {
  if (!options.WorkDir.empty() && chdir(options.WorkDir.c_str()) != 0) return false;
  for (const auto& [name, value] : options.Environment)
    if (setenv(name.c_str(), value.c_str(), 1) != 0) return false;
  if (options.FileSizeLimit >= 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{static_cast<rlim_t>(options.FileSizeLimit), static_cast<rlim_t>(options.FileSizeLimit)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (options.MemoryLimit >= 0) {
    rlimit limit{static_cast<rlim_t>(options.MemoryLimit), static_cast<rlim_t>(options.MemoryLimit)};
    setrlimit(RLIMIT_AS, &limit);
  }
  if (options.Uid >= 0) {
    gid_t gid = static_cast<gid_t>(options.Gid >= 0 ? options.Gid : options.Uid);
    // Already that user (the tests run unprivileged): nothing to switch.
    if (geteuid() == static_cast<uid_t>(options.Uid) && getegid() == gid && options.Groups.empty())
      return true;
    if (setgroups(options.Groups.size(), options.Groups.data()) != 0) return false;
    if (setresgid(gid, gid, gid) != 0) return false;
    auto uid = static_cast<uid_t>(options.Uid);
    if (setresuid(uid, uid, uid) != 0) return false;
  }
  return true;
}

// Forks; the child gets the pipes as standard input and output, sets itself
// up and runs child; the parent feeds the input and collects the output.
TRunResult RunChild(const std::function<int()>& child, const TRunOptions& options) {
  int out[2], in[2];
  if (pipe(out) != 0 || pipe(in) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    if (!SetUpChild(options)) _exit(126);
    _exit(child());
  }
  close(in[0]);
  close(out[1]);
  // The inputs are tiny; write them before reading so no thread is needed.
  signal(SIGPIPE, SIG_IGN);
  if (!options.Input.empty()) {
    ssize_t ignored = write(in[1], options.Input.data(), options.Input.size());
    (void)ignored;
  }
  close(in[1]);
  TRunResult result;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.Output.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.Status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.Signal = WTERMSIG(status);
  return result;
}

} // namespace

TRunResult RunProgram(const std::string& exe, const std::vector<std::string>& args,
                      const TRunOptions& options) {
  return RunChild(
      [&] {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        return 127;
      },
      options);
}

const std::string& ProgramForAnyUser(const std::string& exe) {
  static TTempDir dir(TReach::AllUsers);
  static std::map<std::string, std::string> copies;
  auto found = copies.find(exe);
  if (found != copies.end()) return found->second;
  std::string copy = dir.File(std::filesystem::path(exe).filename().string());
  std::filesystem::copy_file(exe, copy, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(copy, std::filesystem::perms(0755));
  return copies.emplace(exe, copy).first->second;
}

TRunResult RunForked(const std::function<int()>& body, const TRunOptions& options) {
  return RunChild(
      [&] {
        int status = body();
        std::cout.flush();
        return status;
      },
      options);
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, std::string_view text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

unsigned FileMode(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}
