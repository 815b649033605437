#include "framework/driver.h"

#include "framework/arg_assist.h"

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
  tool.Process(out);
  if (tool.Prompt()) {
    out << "\nPress Enter to continue.\n";
    out.flush();
    in.get();
  }
  out.flush();
  return tool.Success() ? 0 : -1;
}
