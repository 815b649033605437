#include "framework/driver.h"

#include <exception>
#include <new>

#include "framework/arg_assist.h"

namespace {
const char* const kNoMemory = "\n***** Error: not enough memory.\n";
const char* const kInternalFailure = "\n***** Error: internal failure: ";
} // namespace

int RunTool(TSpecBase& tool, int argc, char** argv, std::ostream& out, std::istream& in) {
  tool.PrintBanner(out);
  TArgAssistant aa;
  aa.Console = &out;
  tool.SetUpAA(aa);
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
