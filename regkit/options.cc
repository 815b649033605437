#include "regkit/options.h"

#include <charconv>

#include "framework/temp_file.h"

namespace {

const char* const kDefaultExtensions[] = {".h", ".hh", ".hpp", ".hxx", ".h++", ".cpp", ".cc", ".cxx"};

// A job holds at most two temporary files at once (the new file and the
// backup's link): -j goes as far as the table of temporary names allows.
const unsigned kMaxJobs = TTempFile::kMaxLive / 2;

// The text behind prefix when arg starts with it.
bool TakeValue(const std::string& arg, const std::string& prefix, std::string& value) {
  if (arg.compare(0, prefix.size(), prefix) != 0) return false;
  value = arg.substr(prefix.size());
  return true;
}

} // namespace

TOptions::TOptions() : Extensions(std::begin(kDefaultExtensions), std::end(kDefaultExtensions)) {}

bool TOptions::Parse(const std::vector<std::string>& args) {
  if (args.empty()) {
    Problem = "no command given";
    return false;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help")
    Command = TCommand::Help;
  else if (command == "--version")
    Command = TCommand::Version;
  else if (command == "check")
    Command = TCommand::Check;
  else if (command == "update")
    Command = TCommand::Update;
  else {
    Problem = "unknown command '" + command + "'";
    return false;
  }
  if (Command == TCommand::Help || Command == TCommand::Version) return true;

  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      Paths.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (!ParseOption(args, i)) {
      return false;
    }
  }
  if (Command == TCommand::Check && KeepBackup) {
    Problem = "--keep-backup belongs to update";
    return false;
  }
  if (Paths.empty()) {
    Problem = "no PATH given";
    return false;
  }
  return true;
}

// One option at args[i]; i is moved past a separate value.
bool TOptions::ParseOption(const std::vector<std::string>& args, std::size_t& i) {
  const std::string& arg = args[i];
  std::string value;
  if (arg == "--help" || arg == "-h")
    Command = TCommand::Help;
  else if (arg == "--version")
    Command = TCommand::Version;
  else if (arg == "-w")
    NoWarnings = true;
  else if (arg == "--diff")
    Diff = true;
  else if (arg == "--keep-backup")
    KeepBackup = true;
  else if (arg == "-j" || arg == "--jobs") {
    if (i + 1 >= args.size()) {
      Problem = arg + " needs a number";
      return false;
    }
    return SetJobs(args[++i]);
  } else if (TakeValue(arg, "--jobs=", value) || TakeValue(arg, "-j", value))
    return SetJobs(value);
  else if (TakeValue(arg, "--ext=", value))
    return SetExtensions(value);
  else if (TakeValue(arg, "--exclude=", value)) {
    if (value.empty()) {
      Problem = "--exclude needs a pattern";
      return false;
    }
    Excludes.push_back(value);
  } else {
    Problem = "unknown option '" + arg + "'";
    return false;
  }
  return true;
}

bool TOptions::SetJobs(const std::string& text) {
  unsigned jobs = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
  if (error != std::errc() || end != text.data() + text.size() || jobs == 0 || jobs > kMaxJobs) {
    Problem = "-j needs a number from 1 to " + std::to_string(kMaxJobs) + ", not '" + text + "'";
    return false;
  }
  Jobs = jobs;
  return true;
}

// A comma-separated list; each entry with or without its dot.
bool TOptions::SetExtensions(const std::string& list) {
  Extensions.clear();
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string ext = list.substr(start, comma - start);
    if (!ext.empty()) Extensions.push_back(ext[0] == '.' ? ext : "." + ext);
    start = comma + 1;
  }
  if (Extensions.empty()) {
    Problem = "--ext needs at least one extension";
    return false;
  }
  return true;
}
