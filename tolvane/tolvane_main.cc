#include <iostream>

#include "framework/cli/driver.h"
#include "tolvane/tolvane_spec.h"

int main(int argc, char** argv) {
  TTolvane tool;
  return RunTool(tool, argc, argv, std::cout, std::cin);
}
