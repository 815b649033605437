#include "regkit/options.h"

#include <charconv>

#include "framework/files/temp_file.h"
#include "regkit/option_names.h"

namespace {

const char* const kDefaultExtensions[] = {".h", ".hh", ".hpp", ".hxx", ".h++", ".cpp", ".cc", ".cxx"};
const char* const kDefaultPartExtensions[] = {".kes"};

// A job holds at most two temporary files at once (the new file and the
// backup's link): -j goes as far as the table of temporary names allows.
const unsigned kMaxJobs = TTempFile::kMaxLive / 2;

// The text behind prefix when arg starts with it.
bool TakeValue(const std::string& arg, const std::string& prefix, std::string& value) {
  if (arg.compare(0, prefix.size(), prefix) != 0) return false;
  value = arg.substr(prefix.size());
  return true;
}

// Sets value to the value that name names in table; else a problem that
// says what option takes.
template <class E, std::size_t N>
bool SetNamed(const char* option, const TOptionName<E> (&table)[N], const std::string& name, E& value,
              std::string& problem) {
  if (FindOptionValue(table, name, value)) return true;
  problem = std::string(option) + " needs " + OptionValueNames(table, " or ") + ", not '" + name + "'";
  return false;
}

} // namespace

TOptions::TOptions()
    : Extensions(std::begin(kDefaultExtensions), std::end(kDefaultExtensions)),
      PartExtensions(std::begin(kDefaultPartExtensions), std::end(kDefaultPartExtensions)) {}

bool TOptions::HasExtension(const std::string& name, const std::vector<std::string>& list) {
  for (const std::string& ext : list)
    if (name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0) return true;
  return false;
}

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
  else if (command == "format")
    Command = TCommand::Format;
  else if (command == "lsp")
    Command = TCommand::Lsp;
  else if (command == "config")
    Command = TCommand::Config;
  else if (command == "generate") {
    Command = TCommand::Generate;
    return Generate.Parse(std::vector<std::string>(args.begin() + 1, args.end()), Problem);
  } else {
    Problem = "unknown command '" + command + "'";
    return false;
  }
  if (Command == TCommand::Help || Command == TCommand::Version) return true;

  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') { // "-" is a path: standard input
      Paths.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (!ParseOption(args, i)) {
      return false;
    }
  }
  return CheckCommandOptions();
}

// What the subcommand takes: options of other subcommands and the number
// of paths.
bool TOptions::CheckCommandOptions() {
  if (Command == TCommand::Help || Command == TCommand::Version) return true;
  if (KeepBackup && Command != TCommand::Update)
    Problem = "--keep-backup belongs to update";
  else if (Format != TFormat::Text && Command != TCommand::Check)
    Problem = "--format belongs to check";
  else if (!AssumeFilename.empty() && Command != TCommand::Format)
    Problem = "--assume-filename belongs to format";
  else if (Command == TCommand::Format && Paths.size() > 1)
    Problem = "format takes one FILE";
  else if (Command == TCommand::Lsp && !Paths.empty())
    Problem = "lsp takes no PATH";
  else if (Command == TCommand::Config && Paths.size() > 1)
    Problem = "config takes one PATH";
  else if (Paths.empty() && (Command == TCommand::Check || Command == TCommand::Update))
    Problem = "no PATH given";
  return Problem.empty();
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
  else if (arg == "--all")
    All = true;
  else if (arg == "--no-ignore")
    NoIgnore = true;
  else if (arg == "--filter-named")
    FilterNamed = true;
  else if (arg == "-j" || arg == "--jobs") {
    if (i + 1 >= args.size()) {
      Problem = arg + " needs a number";
      return false;
    }
    return SetJobs(args[++i]);
  } else if (TakeValue(arg, "--jobs=", value) || TakeValue(arg, "-j", value))
    return SetJobs(value);
  else if (TakeValue(arg, "--ext=", value))
    return (ExtensionsGiven = true) && SetExtensions("--ext", value, Extensions);
  else if (TakeValue(arg, "--part-ext=", value))
    return (PartExtensionsGiven = true) && SetExtensions("--part-ext", value, PartExtensions);
  else if (TakeValue(arg, "--format=", value))
    return SetNamed("--format", kFormatNames, value, Format, Problem);
  else if (TakeValue(arg, "--dialect=", value) && (DialectGiven = true))
    return SetNamed("--dialect", kDialectNames, value, Dialect, Problem);
  else if (arg == "--color")
    Color = TColors::TWhen::Always;
  else if (TakeValue(arg, "--color=", value))
    return SetNamed("--color", kColorNames, value, Color, Problem);
  else if (TakeValue(arg, "--passed-over=", value) && (PassedOverGiven = true))
    return SetNamed("--passed-over", kPassedOverNames, value, PassedOver, Problem);
  else if (TakeValue(arg, "--assume-filename=", value)) {
    if (value.empty()) {
      Problem = "--assume-filename needs a name";
      return false;
    }
    AssumeFilename = value;
  } else if (TakeValue(arg, "--exclude=", value)) {
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

bool TOptions::SetExtensions(const std::string& option, const std::string& value,
                             std::vector<std::string>& list) {
  list.clear();
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t comma = value.find(',', start);
    if (comma == std::string::npos) comma = value.size();
    std::string ext = value.substr(start, comma - start);
    if (!ext.empty()) list.push_back(ext[0] == '.' ? ext : "." + ext);
    start = comma + 1;
  }
  if (list.empty()) {
    Problem = option + " needs at least one extension";
    return false;
  }
  return true;
}
