// The command line of regkit: the subcommand, its options and the paths.
#pragma once

#include <string>
#include <vector>

#include "regkit/colors.h"
#include "regkit/generate_options.h"
#include "tolvane/scan_options.h"

class TOptions {
public:
  enum class TCommand { None, Check, Update, Format, Lsp, Generate, Config, Help, Version };
  // How check prints its findings.
  enum class TFormat { Text, Json, Sarif };
  // What a Register() body that the scan passes over is reported as.
  enum class TPassedOver { Warning, Error, Ignore };

  TCommand Command = TCommand::None;
  std::vector<std::string> Paths;          // as given, in order
  std::vector<std::string> Extensions;     // with their dots: ".h"
  std::vector<std::string> PartExtensions; // of part-description files: ".kes"
  std::vector<std::string> Excludes;       // glob patterns
  unsigned Jobs = 0;                       // 0: one per processor
  bool NoWarnings = false;                 // -w
  bool Diff = false;                       // --diff
  bool KeepBackup = false;                 // --keep-backup (update)
  TFormat Format = TFormat::Text;          // --format= (check)
  std::string AssumeFilename;              // --assume-filename= (format)
  bool All = false;                        // --all: scan files that do not mention Register() too
  // --dialect=: the C++ the scans read
  TScanOptions::TDialect Dialect = TScanOptions::TDialect::Specified;
  bool DialectGiven = false;        // --dialect: the configured dialect does not count
  bool FilterNamed = false;         // --filter-named: named files too only by their extensions
  bool NoIgnore = false;            // --no-ignore: walk what git ignores too
  bool ExtensionsGiven = false;     // --ext: the list replaces the configured one
  bool PartExtensionsGiven = false; // --part-ext: likewise
  TGenerateOptions Generate;        // generate: its part file, header and flags

  TColors::TWhen Color = TColors::TWhen::Auto;   // --color=
  TPassedOver PassedOver = TPassedOver::Warning; // --passed-over=
  bool PassedOverGiven = false;                  // --passed-over: the configured level does not count

  TOptions();
  // Whether name ends in one of the extensions of list (and is more than it).
  static bool HasExtension(const std::string& name, const std::vector<std::string>& list);
  // Whether a file is a part-description file, by its name.
  bool IsPartFile(const std::string& name) const { return HasExtension(name, PartExtensions); }
  // Whether a directory's walk takes the file name.
  bool Walks(const std::string& name) const { return HasExtension(name, Extensions) || IsPartFile(name); }
  // Reads the arguments after the program name; on a problem returns false
  // and leaves its message in Problem.
  bool Parse(const std::vector<std::string>& args);
  std::string Problem;

private:
  bool ParseOption(const std::vector<std::string>& args, std::size_t& i);
  bool SetJobs(const std::string& text);
  bool CheckCommandOptions();
  // Sets list (comma-separated, each entry with or without its dot) from
  // the value of option.
  bool SetExtensions(const std::string& option, const std::string& value, std::vector<std::string>& list);
};
