// regkit generate alone, for builds that only make part headers: the same
// command as "regkit generate", built from the kessrow engine without the
// rest of regkit.
#include <iostream>

#include "regkit/generate_command.h"

int main(int argc, char** argv) {
  TGenerateOptions options;
  std::string problem;
  if (!options.Parse(std::vector<std::string>(argv + 1, argv + argc), problem)) {
    std::cerr << "regkit: " << problem << "\n";
    return TGenerateCommand::kFileError;
  }
  int status = TGenerateCommand(options).Run(std::cout, std::cerr, std::cin);
  std::cout.flush();
  return std::cout.good() ? status : TGenerateCommand::kFileError;
}
