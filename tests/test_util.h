// Helpers for tests that run the built programs on files in a scratch
// directory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TTempDir {
public:
  TTempDir();
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
  std::string WorkDir;     // empty: the current directory
  std::string Input;       // fed to standard input
  long FileSizeLimit = -1; // RLIMIT_FSIZE in bytes (SIGXFSZ ignored); -1: none
};

TRunResult RunProgram(const std::string& exe, const std::vector<std::string>& args,
                      const TRunOptions& options = {});

std::string ReadFile(const std::string& path); // "" when it cannot be read
void WriteFile(const std::string& path, std::string_view text);
bool FileExists(const std::string& path);
unsigned FileMode(const std::string& path); // permission bits
