// The program: flags and usage, the request made from the command line, and
// the console text of what the engine did.
#include "kessrow/kessrow_spec.h"

#include <string>

#include "framework/cli/arg_assist.h"
#include "kessrow/kessrow_messages.h"

using namespace kessrow_msg;

namespace {

using TStep = TPartOutcome::TStep;

const char* const kUsage[] = {
    "  kessrow srce_file [dest_file] [-wpuvdNL] [-i incl_file]",
    "    -w = suppress warnings",
    "    -p = prompt user to press a key if any error or warnings",
    "    -u = unconditional write of destination file, even if it is unchanged",
    "    -v = verbose console output",
    "    -d = delete any existing destination file if error",
    "                force port range order to H:L  <-- default",
    "    -N = do not force port range order to H:L  <-- overrides default",
    "    -L =        force port range order to L:H  <-- overrides default and -N",
    "    -i = include incl_file contents before srce_file contents",
};

// The message that Process prints for a failed outcome; empty when the
// failure was reported as a diagnostic.
std::string FailureMessage(const TPartOutcome& outcome) {
  switch (outcome.FailedStep) {
  case TStep::None:
  case TStep::ReadSource:
  case TStep::ReadInclude:
    return "";
  case TStep::Generate:
    // The pass's error was reported; with -d the old header may have stayed.
    return outcome.Error ? CannotRemoveDest(outcome.DestName) : "";
  case TStep::OverwritesSource:
    return OverwritesSource(outcome.DestName);
  case TStep::OverwritesInclude:
    return OverwritesInclude(outcome.DestName);
  case TStep::InputChanged:
    return SourceChanged(outcome.Error.Path);
  case TStep::Destination:
    break;
  }
  switch (outcome.Error.Kind) {
  case TError::TKind::Changed:
    return SourceChanged(outcome.Error.Path);
  case TError::TKind::WriteFailed:
    return WriteFailed(outcome.DestName);
  default:
    return CannotCreate(outcome.DestName);
  }
}

} // namespace

TKessrow::TKessrow() : TSpecBase(kPurpose) {}

void TKessrow::SetUpAA(TArgAssistant& aa) { DeclareArgs(aa, "wpuvdNLi", "nnnnnnnr", kUsage); }

void TKessrow::PrintUsage(std::ostream& os) { PrintUsageLines(os); }

// The program has no warnings: it pauses after a failed run only.
bool TKessrow::Prompt() { return PromptWanted(false); }

void TKessrow::PrintReport(std::ostream& os, const TDiagnostic& d) {
  const char* kind = d.Kind == TDiagnostic::TKind::Error ? "Error" : "Warning";
  if (!d.File.empty()) os << "\n***** " << kind << " in include file " << d.File << ":";
  os << "\n***** " << kind;
  if (!d.Scope.empty()) os << " in part " << d.Scope;
  os << ": " << d.Message;
  if (!d.SecondLine.empty()) os << "\n***** " << d.SecondLine;
  os << "\n" << d.LineState;
}

void TKessrow::Process(std::ostream& os) {
  SuccessFlag = false;
  TPartRequest request;
  request.Source = AA->GetPlain(0);
  request.Destination = AA->GetPlain(1);
  if (Flag('i')) request.Include = AA->GetParam('i');
  request.RangeOrder = Flag('L')   ? TPartOptions::TRangeOrder::LowHigh
                       : Flag('N') ? TPartOptions::TRangeOrder::AsDeclared
                                   : TPartOptions::TRangeOrder::HighLow;
  request.Unconditional = Flag('u');
  request.DeleteOnError = Flag('d');

  TPartResult result;
  TPartOutcome outcome = Engine.Update(request, result);
  bool verbose = Flag('v');
  if (verbose && outcome.IncludeRead) os << IncludingFile(*request.Include);
  if (verbose && result.SourceReached) os << ProcessingFile(request.Source);
  for (const TDiagnostic& d : result.Diagnostics) PrintReport(os, d);
  SuccessFlag = outcome.Ok();
  if (outcome.Done == TPartOutcome::TDone::Unchanged) {
    if (verbose) os << kUnchangedNote;
  } else if (outcome.Done == TPartOutcome::TDone::Written) {
    if (verbose) os << kSuccessNote;
  } else if (std::string message = FailureMessage(outcome); !message.empty()) {
    os << kFileError << message;
  }
}
