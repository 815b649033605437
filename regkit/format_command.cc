#include "regkit/format_command.h"

#include <unistd.h>

#include <new>

#include "framework/files/file_io.h"
#include "regkit/config_tree.h"
#include "regkit/messages.h"
#include "regkit/report.h"
#include "regkit/text_check.h"

using namespace regkit_msg;

namespace {

void PrintProblem(std::ostream& err, bool colour, const std::string& name, std::string message) {
  TFinding f;
  f.Path = name;
  f.Message = std::move(message);
  err << TReport::Line(f, colour) << '\n';
}

bool FromInput(const TOptions& options) { return options.Paths.empty() || options.Paths[0] == "-"; }

// The file's name in messages.
std::string NameOf(const TOptions& options) {
  bool fromInput = FromInput(options);
  return !options.AssumeFilename.empty() ? options.AssumeFilename
         : fromInput                     ? std::string(kStandardInput)
                                         : options.Paths[0];
}

} // namespace

int TFormatCommand::Run(std::ostream& out, std::ostream& err) const {
  try {
    return Format(out, err);
  } catch (const std::bad_alloc&) {
    // Nothing has been written: the new text goes out only once it is whole.
    PrintProblem(err, TColors::ForStream(Options.Color, STDERR_FILENO), NameOf(Options), kNoMemory);
    return kFailed;
  }
}

int TFormatCommand::Format(std::ostream& out, std::ostream& err) const {
  bool fromInput = FromInput(Options);
  std::string name = NameOf(Options);
  // The configuration of the file's place (the assumed name's, or the
  // file's): a wrong one is an error before anything is written.
  TConfigTree config(Options);
  const TSettings* settings = nullptr;
  if (!fromInput || !Options.AssumeFilename.empty()) {
    settings =
        config.For(DirectoryOf(!Options.AssumeFilename.empty() ? Options.AssumeFilename : Options.Paths[0]));
    if (!settings) {
      for (const std::string& problem : config.Errors) err << problem << '\n';
      return kFailed;
    }
  }
  bool colour = TColors::ForStream(Options.Color, STDERR_FILENO);
  TFileText source;
  TError error =
      fromInput ? source.ReadInput(STDIN_FILENO, kStandardInput) : source.Open(Options.Paths[0].c_str());
  if (error) {
    PrintProblem(err, colour, name,
                 WithReason(error.Kind == TError::TKind::CannotOpen ? kCannotOpen : kCannotRead, error));
    return kFailed;
  }
  TTextCheck check(Options.NoWarnings, false, Options.Dialect, Options.PassedOver);
  check.Configure(settings);
  std::vector<TFinding> findings;
  TFileResult::TState state = check.Run(name, source.Text(), findings, &source);
  if (source.Shrunk()) {
    PrintProblem(err, colour, name, kChanged);
    return kFailed;
  }
  // What the new text mends (stale bodies, line ends) is no finding here.
  for (const TFinding& f : findings)
    if (f.Rule == TFinding::TRule::ScanError || f.Rule == TFinding::TRule::ScanWarning ||
        f.Rule == TFinding::TRule::PassedOver)
      err << TReport::Line(f, colour) << '\n';
  if (state == TFileResult::TState::Failed) return kScanError;
  for (const TOutText::TPiece& piece : check.Scan().Text.Pieces())
    out.write(piece.Data, static_cast<std::streamsize>(piece.Size));
  if (!out.flush()) {
    PrintProblem(err, colour, name, kCannotWriteOutput);
    return kFailed;
  }
  return kMade;
}
