// regkit: checks or updates the Register() bodies of a whole source tree
// in one process, with tolvane's own scan and file replacement.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <thread>

#include "regkit/config_command.h"
#include "regkit/file_check.h"
#include "regkit/format_command.h"
#include "regkit/generate_command.h"
#include "regkit/json_report.h"
#include "regkit/lsp/server.h"
#include "regkit/messages.h"
#include "regkit/parallel_runner.h"
#include "regkit/report.h"
#include "regkit/tree_walk.h"

namespace {

const char* const kUsage = "usage: regkit check [options] PATH...\n"
                           "       regkit update [options] PATH...\n"
                           "       regkit format [-w] [--dialect=D] [--passed-over=LEVEL]\n"
                           "                     [--assume-filename=NAME] [FILE|-]\n"
                           "       regkit lsp [-w] [--dialect=D] [--part-ext=LIST] [--passed-over=LEVEL]\n"
                           "       regkit generate PART [-o HEADER] [-wpuvdNL] [-i FILE]\n"
                           "       regkit config [options] [PATH]\n"
                           "       regkit --help | --version\n"
                           "\n"
                           "check   reports every file whose Register() bodies tolvane would change,\n"
                           "        every part file whose header kessrow would change, every scan\n"
                           "        error and warning, and every Register() body the scan passes over,\n"
                           "        as path:line:col: lines.\n"
                           "update  rewrites those files in place as 'tolvane -r FILE' does, and\n"
                           "        those headers as 'kessrow FILE' run in the part file's directory.\n"
                           "format  writes the text tolvane would write for FILE (standard input\n"
                           "        for - or none) to standard output, for editors; touches no file.\n"
                           "lsp     serves diagnostics, a quick fix and formatting to an editor as a\n"
                           "        language server on standard input and output.\n"
                           "generate writes the header of PART exactly as kessrow does, with kessrow's\n"
                           "        flags (-o HEADER: the header; default PART's name with .h), and\n"
                           "        reports errors as path:line:col: lines; prints nothing on success.\n"
                           "config  prints the settings that apply to PATH and where each comes from.\n"
                           "\n"
                           "A directory PATH is walked for headers, sources and part files; hidden\n"
                           "and build* directories and symbolic links are skipped unless named, and\n"
                           "in a git work tree what git ignores. Each .regkit.toml from a file's\n"
                           "directory up (to one with root = true) sets its options; the nearer wins.\n"
                           "A C++ file that does not mention Register() or TOLVANE_ is counted,\n"
                           "not scanned (--all scans it too).\n"
                           "\n"
                           "options:\n"
                           "  -j N, --jobs=N   files processed in parallel (default: processors)\n"
                           "  -w               no warnings\n"
                           "  --all            scan every C++ file, also those without Register()\n"
                           "  --dialect=D      the C++ read: specified (default; tolvane's) or modern\n"
                           "                   (namespaces, templates, nested classes, attributes,\n"
                           "                   initialisers, macro lines; the rest passed over)\n"
                           "  --ext=LIST       C++ extensions to walk for, comma-separated\n"
                           "                   (default: .h,.hh,.hpp,.hxx,.h++,.cpp,.cc,.cxx)\n"
                           "  --part-ext=LIST  part-file extensions to walk for (default: .kes)\n"
                           "  --exclude=GLOB   skip paths or names matching GLOB (repeatable)\n"
                           "  --no-ignore      walk what git ignores too\n"
                           "  --filter-named   take named files too only by their extensions (hooks)\n"
                           "  --diff           print a unified diff of each stale file or header\n"
                           "  --keep-backup    update: keep the backup file (name._ext)\n"
                           "  --format=FORMAT  check: text (default), json or sarif\n"
                           "  --passed-over=LEVEL  a Register() body the scan does not regenerate:\n"
                           "                   warning (default), error, or ignore\n"
                           "  --color=WHEN     colour the findings: auto (default: on a terminal,\n"
                           "                   unless NO_COLOR is set), always or never\n"
                           "  --assume-filename=NAME  format: the name findings give the text\n"
                           "\n"
                           "exit status: 0 all up to date (update: all brought up to date),\n"
                           "1 some stale (or, with --passed-over=error, passed over),\n"
                           "2 a file could not be read, scanned or written;\n"
                           "format and generate: 0 written, 1 scan error, 2 file not read or written.\n";

// Whether everything written to standard output reached it; says why not
// on standard error otherwise.
bool OutputWritten(bool colour) {
  std::cout.flush();
  bool ok = std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout);
  if (!ok)
    std::cerr << TColors::RunPrefix(TColors::TPaint::Red, "error:", colour)
              << regkit_msg::CannotWriteOutput(std::strerror(errno != 0 ? errno : EIO)) << "\n";
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
    std::cerr << "regkit: " << options.Problem << "\n" << regkit_msg::kTryHelp << "\n";
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
  if (options.Command == TOptions::TCommand::Format) return TFormatCommand(options).Run(std::cout, std::cerr);
  if (options.Command == TOptions::TCommand::Config) {
    int status = TConfigCommand(options).Run(std::cout, std::cerr);
    return OutputWritten(TColors::ForStream(options.Color, STDERR_FILENO)) ? status : TReport::kFailed;
  }
  if (options.Command == TOptions::TCommand::Generate) {
    int status = TGenerateCommand(options.Generate).Run(std::cout, std::cerr, std::cin);
    return OutputWritten(TColors::ForStream(options.Color, STDERR_FILENO)) ? status : TReport::kFailed;
  }
  if (options.Command == TOptions::TCommand::Lsp) {
    signal(SIGPIPE, SIG_IGN); // a client gone is a failed write, which ends the server
    return TServer(std::cin, std::cout, options, REGKIT_VERSION).Run();
  }
  if (options.Jobs == 0) options.Jobs = DefaultJobs();
  AllowOpenFiles();

  TTreeWalk walk(options);
  walk.Run();
  // A configuration that cannot be read or is wrong: nothing is checked
  // and nothing written.
  if (!walk.Config.Errors.empty()) {
    for (const std::string& problem : walk.Config.Errors) std::cerr << problem << "\n";
    return TReport::kFailed;
  }
  bool errColour = TColors::ForStream(options.Color, STDERR_FILENO);
  TParallelRunner runner(options.Jobs, isatty(STDERR_FILENO) == 1, errColour);
  std::vector<TClassIndex> offered(walk.Files.size());
  std::vector<TFileResult> results = runner.Run(
      walk.Files.size(),
      [&options, &walk, &offered] {
        auto check = std::make_shared<TFileCheck>(options, walk.Dirs);
        return [check, &walk, &offered](std::size_t i) { return check->Run(walk.Files[i], &offered[i]); };
      },
      [&walk](std::size_t i) { return walk.Files[i].Path; });
  // Register() bodies whose classes are in other files of the run: judged
  // again with the classes of all, in file order.
  std::vector<std::size_t> deferred;
  for (std::size_t i = 0; i < results.size(); ++i)
    if (results[i].Deferred) deferred.push_back(i);
  if (!deferred.empty()) {
    TClassIndex index;
    for (TClassIndex& classes : offered) index.Merge(std::move(classes));
    std::vector<TFileResult> again = runner.Run(
        deferred.size(),
        [&options, &walk, &index, &deferred] {
          auto check = std::make_shared<TFileCheck>(options, walk.Dirs, &index);
          return [check, &walk, &deferred](std::size_t i) { return check->Run(walk.Files[deferred[i]]); };
        },
        [&walk, &deferred](std::size_t i) { return walk.Files[deferred[i]].Path; });
    for (std::size_t i = 0; i < deferred.size(); ++i) results[deferred[i]] = std::move(again[i]);
  }
  int status = options.Format != TOptions::TFormat::Text
                   ? TJsonReport(options, REGKIT_VERSION)
                         .Print(walk.Problems, walk.Files, results, std::cout, std::cerr)
                   : TReport(options, TColors::ForStream(options.Color, STDOUT_FILENO), errColour)
                         .Print(walk.Problems, results, std::cout, std::cerr)
                         .Status();
  return OutputWritten(errColour) ? status : TReport::kFailed;
}
