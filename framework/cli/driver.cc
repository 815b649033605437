#include "framework/cli/driver.h"

#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "framework/cli/arg_assist.h"
#include "framework/cli/version.h"

namespace {
const char* const kNoMemory = "\n***** Error: not enough memory.\n";
const char* const kInternalFailure = "\n***** Error: internal failure: ";
const char* const kHelpHead = "\nUsage:";

// The two long options, each taken only as the sole argument; anything
// else goes to the single-letter flags.
enum class TQuery { None, Help, Version };

TQuery QueryOf(int argc, char** argv) {
  if (argc != 2) return TQuery::None;
  if (std::strcmp(argv[1], "--help") == 0) return TQuery::Help;
  if (std::strcmp(argv[1], "--version") == 0) return TQuery::Version;
  return TQuery::None;
}

// The program's name without the extension of the banner's name.
std::string ShortName(TSpecBase& tool) {
  std::string name = tool.GetProgramName() ? tool.GetProgramName() : REGKIT_NAME;
  TSpecBase::RemoveExtension(name);
  return name;
}
} // namespace

int RunTool(TSpecBase& tool, int argc, char** argv, std::ostream& out, std::istream& in) {
  TQuery query = QueryOf(argc, argv);
  // --version is one line for scripts to read, without the banner.
  if (query == TQuery::Version) {
    out << ShortName(tool) << " " REGKIT_VERSION "\n";
    out.flush();
    return 0;
  }
  tool.PrintBanner(out);
  TArgAssistant aa;
  aa.Console = &out;
  tool.SetUpAA(aa);
  // --help: the banner says what the program is, then the usage lines.
  if (query == TQuery::Help) {
    out << kHelpHead;
    aa.PrintUsage(out);
    out << "\n  " << ShortName(tool) << " --help | --version\n";
    out.flush();
    return 0;
  }
  if (!aa.SetArgs(argc, argv)) {
    tool.PrintUsage(out);
    out.flush();
    return -1;
  }
  // Nothing is thrown past here: memory exhaustion (or any other failure
  // that escapes the tool) ends the run with a message; the temporary files
  // of the run are removed by their owners while the stack unwinds.
  try {
    tool.Process(out);
  } catch (const std::bad_alloc&) {
    out << kNoMemory;
    out.flush();
    return -1;
  } catch (const std::exception& e) {
    out << kInternalFailure << e.what() << ".\n";
    out.flush();
    return -1;
  }
  if (tool.Prompt()) {
    out << "\nPress Enter to continue.\n";
    out.flush();
    in.get();
  }
  out.flush();
  return tool.Success() ? 0 : -1;
}
