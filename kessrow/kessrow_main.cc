// The part header generator: reads a part-description file and writes a
// C++ header with one class per part.
#include <iostream>

#include "framework/cli/driver.h"
#include "kessrow/kessrow_spec.h"

int main(int argc, char** argv) {
  TKessrow tool;
  return RunTool(tool, argc, argv, std::cout, std::cin);
}
