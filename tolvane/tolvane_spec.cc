// The program: flags and usage, the request made from the command line, and
// the console text of what the engine did.
#include "tolvane/tolvane_spec.h"

#include <string>

#include "framework/cli/arg_assist.h"
#include "tolvane/tolvane_messages.h"

using namespace tolvane_msg;

namespace {

using TStep = TUpdateOutcome::TStep;

const char* const kUsage[] = {
    "  tolvane srce_file [dest_file] [-wpur]",
    "    -w = suppress warnings",
    "    -p = prompt user to press a key if any error or warnings",
    "    -u = unconditional write of destination file, even if it is unchanged",
    "    -r = remove backup file, if any, upon successful completion",
};

// The message that Process prints for a failed outcome; empty when the
// failure was reported by the scan itself.
std::string FailureMessage(const TUpdateOutcome& outcome, const TUpdateRequest& request) {
  const TError& error = outcome.Error;
  if (error.Kind == TError::TKind::Changed) return SourceChangedMessage(request.Source);
  // A temporary name that a failed step could not take back.
  if (error.Kind == TError::TKind::CannotRemove) return CannotRemoveMessage(error.Path);
  bool cannotCreate = error.Kind == TError::TKind::CannotCreate;
  switch (outcome.FailedStep) {
  case TStep::None:
  case TStep::Scan:
    return "";
  case TStep::ReadSource:
    return error.Kind == TError::TKind::NotRegular ? NotRegularMessage(request.Source)
                                                   : CannotOpenSourceMessage(request.Source);
  case TStep::Backup:
    return cannotCreate ? CannotOpenBackupMessage(outcome.BackupName)
                        : BackupWriteMessage(outcome.BackupName);
  case TStep::Destination:
    return cannotCreate ? CannotCreateMessage(outcome.DestName) : DestWriteMessage(outcome.DestName);
  case TStep::Verify:
    return CorruptMessage(outcome.DestName, outcome.BackupName);
  case TStep::Durable:
    return NotDurableMessage(outcome.DestName, outcome.BackupName);
  case TStep::Alias:
    return AliasKeptMessage(request.Source, outcome.DestName, outcome.BackupName);
  }
  return "";
}

} // namespace

TTolvane::TTolvane() : TSpecBase(kPurpose) {}

void TTolvane::SetUpAA(TArgAssistant& aa) { DeclareArgs(aa, "wpur", "nnnn", kUsage); }

void TTolvane::PrintUsage(std::ostream& os) { PrintUsageLines(os); }

bool TTolvane::Prompt() { return PromptWanted(WarningFlag); }

void TTolvane::PrintReport(std::ostream& os, const TDiagnostic& d) {
  os << "\n***** " << (d.Kind == TDiagnostic::TKind::Error ? "Error" : "Warning");
  if (!d.Scope.empty()) os << " in class " << d.Scope;
  os << ":\n***** " << d.Message << "\n" << d.LineState;
}

void TTolvane::Process(std::ostream& os) {
  SuccessFlag = false;
  WarningFlag = false;
  TUpdateRequest request;
  request.Source = AA ? AA->GetPlain(0) : "";
  request.Destination = AA ? AA->GetPlain(1) : "";
  request.Unconditional = Flag('u');
  request.RemoveBackup = Flag('r');
  request.NoWarnings = Flag('w');
  os << kNotice << request.Source << ".";

  TScanResult scan;
  TUpdateOutcome outcome = Engine.Update(request, scan);
  for (const TDiagnostic& d : scan.Diagnostics) PrintReport(os, d);
  WarningFlag = scan.Warned;
  SuccessFlag = outcome.Ok();
  if (outcome.Done == TUpdateOutcome::TDone::Unchanged)
    os << kUnchanged;
  else if (outcome.Done == TUpdateOutcome::TDone::Written)
    os << kSuccess;
  else if (std::string message = FailureMessage(outcome, request); !message.empty())
    os << kFileError << message;
  if (outcome.Leftover) {
    os << kFileError << CannotRemoveMessage(outcome.Leftover.Path);
    SuccessFlag = false;
  }
}
