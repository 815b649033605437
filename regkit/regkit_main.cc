// regkit: checks or updates the Register() bodies of a whole source tree
// in one process, with tolvane's own scan and file replacement.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <thread>

#include "regkit/file_check.h"
#include "regkit/messages.h"
#include "regkit/parallel_runner.h"
#include "regkit/report.h"
#include "regkit/tree_walk.h"

#ifndef REGKIT_VERSION
#define REGKIT_VERSION "0.0.0"
#endif

namespace {

const char* const kUsage = "usage: regkit check [options] PATH...\n"
                           "       regkit update [options] PATH...\n"
                           "       regkit --help | --version\n"
                           "\n"
                           "check   reports every file whose Register() bodies tolvane would change,\n"
                           "        and every scan error and warning, as path:line:col: lines.\n"
                           "update  rewrites those files in place as 'tolvane -r FILE' does.\n"
                           "\n"
                           "A directory PATH is walked for headers and sources; hidden and build*\n"
                           "directories and symbolic links are skipped unless named.\n"
                           "\n"
                           "options:\n"
                           "  -j N, --jobs=N   files processed in parallel (default: processors)\n"
                           "  -w               no warnings\n"
                           "  --ext=LIST       extensions to walk for, comma-separated\n"
                           "                   (default: .h,.hh,.hpp,.hxx,.h++,.cpp,.cc,.cxx)\n"
                           "  --exclude=GLOB   skip paths or names matching GLOB (repeatable)\n"
                           "  --diff           print a unified diff of each stale file\n"
                           "  --keep-backup    update: keep the backup file (name._ext)\n"
                           "\n"
                           "exit status: 0 all up to date (update: all brought up to date),\n"
                           "1 some stale, 2 a file could not be read, scanned or written.\n";

// Whether everything written to standard output reached it; says why not
// on standard error otherwise.
bool OutputWritten() {
  std::cout.flush();
  bool ok = std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout);
  if (!ok)
    std::cerr << "regkit: " << regkit_msg::CannotWriteOutput(std::strerror(errno != 0 ? errno : EIO)) << "\n";
  return ok;
}

// Each job keeps a few descriptors open at once (its directory, the file,
// the new file): the soft limit of open files goes up to the hard one.
void AllowOpenFiles() {
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur >= files.rlim_max) return;
  files.rlim_cur = files.rlim_max;
  setrlimit(RLIMIT_NOFILE, &files);
}

unsigned DefaultJobs() {
  unsigned processors = std::thread::hardware_concurrency();
  return processors == 0 ? 1 : processors;
}

} // namespace

int main(int argc, char** argv) {
  TOptions options;
  if (!options.Parse(std::vector<std::string>(argv + 1, argv + argc))) {
    std::cerr << "regkit: " << options.Problem << "\n" << kUsage;
    return TReport::kFailed;
  }
  if (options.Command == TOptions::TCommand::Help) {
    std::cout << kUsage;
    return 0;
  }
  if (options.Command == TOptions::TCommand::Version) {
    std::cout << "regkit " REGKIT_VERSION "\n";
    return 0;
  }
  if (options.Jobs == 0) options.Jobs = DefaultJobs();
  AllowOpenFiles();

  TTreeWalk walk(options);
  walk.Run();
  TParallelRunner runner(options.Jobs, isatty(STDERR_FILENO) == 1);
  std::vector<TFileResult> results = runner.Run(walk.Files.size(), [&options, &walk] {
    auto check = std::make_shared<TFileCheck>(options, walk.Dirs);
    return [check, &walk](std::size_t i) { return check->Run(walk.Files[i]); };
  });
  int status = TReport(options).Print(walk.Problems, results, std::cout, std::cerr);
  return OutputWritten() ? status : TReport::kFailed;
}
