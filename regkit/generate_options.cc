#include "regkit/generate_options.h"

bool TGenerateOptions::Flag(char letter) {
  switch (letter) {
  case 'w': // kessrow reports no warnings
    return true;
  case 'p':
    return Pause = true;
  case 'u':
    return Unconditional = true;
  case 'v':
    return Verbose = true;
  case 'd':
    return DeleteOnError = true;
  case 'N':
    return Declared = true;
  case 'L':
    return Low = true;
  default:
    return false;
  }
}

bool TGenerateOptions::Parse(const std::vector<std::string>& args, std::string& problem) {
  bool optionsEnded = false;
  std::vector<std::string> plain;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      plain.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // Flags may be grouped (-vL); -i and -o take the rest of the word or
    // else the next argument.
    for (std::size_t at = 1; at < arg.size(); ++at) {
      char c = arg[at];
      if (c == 'i' || c == 'o') {
        std::string value = arg.substr(at + 1);
        if (value.empty()) {
          if (i + 1 >= args.size()) {
            problem = "generate: -" + std::string(1, c) + " needs a file name";
            return false;
          }
          value = args[++i];
        }
        if (c == 'i')
          Include = value;
        else
          Header = value;
        break;
      }
      if (!Flag(c)) {
        problem = "generate: unknown flag '-" + std::string(1, c) + "' in '" + arg + "'";
        return false;
      }
    }
  }
  if (plain.size() != 1) {
    problem = plain.empty() ? "generate: no PART given" : "generate takes one PART";
    return false;
  }
  Part = plain[0];
  // As in kessrow, -L wins over -N.
  RangeOrder = Low        ? TPartOptions::TRangeOrder::LowHigh
               : Declared ? TPartOptions::TRangeOrder::AsDeclared
                          : TPartOptions::TRangeOrder::HighLow;
  return true;
}
