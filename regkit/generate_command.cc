#include "regkit/generate_command.h"

#include <iostream>

#include "kessrow/part_engine.h"
#include "regkit/messages.h"
#include "regkit/report.h"

using namespace regkit_msg;

namespace {

using TSeverity = TFinding::TSeverity;
using TRule = TFinding::TRule;
using TStep = TPartOutcome::TStep;

// Why an input could not be read, with the system's reason.
std::string OpenFailure(const TError& error) {
  const char* text = error.Kind == TError::TKind::NotRegular   ? kNotRegular
                     : error.Kind == TError::TKind::CannotRead ? kCannotRead
                                                               : kCannotOpen;
  return WithReason(text, error);
}

} // namespace

std::vector<TFinding> TGenerateCommand::Findings(const std::string& part, const TPartOutcome& outcome,
                                                 const TPartResult& result) {
  std::vector<TFinding> findings;
  auto fileError = [&findings](const std::string& path, std::string message) {
    findings.emplace_back(path, TSeverity::Error, TRule::FileError, std::move(message));
  };
  const TError& error = outcome.Error;
  switch (outcome.FailedStep) {
  case TStep::None:
    break;
  case TStep::ReadSource:
  case TStep::ReadInclude:
    fileError(error.Path, OpenFailure(error));
    break;
  case TStep::Generate:
    // Each report at the line of the file it lies in (the engine counts
    // the part file's lines on from the include file's).
    for (const TDiagnostic& d : result.Diagnostics)
      findings.emplace_back(
          d.File.empty() ? part : d.File, TSeverity::Error, TRule::ScanError,
          InPart(d.SecondLine.empty() ? d.Message : d.Message + " " + d.SecondLine, d.Scope), d.FileLine,
          d.Column);
    break;
  case TStep::OverwritesSource:
    fileError(part, kHeaderIsSource);
    break;
  case TStep::OverwritesInclude:
    fileError(part, kHeaderIsInclude);
    break;
  case TStep::InputChanged:
    fileError(error.Path, kChanged);
    break;
  case TStep::Destination:
    if (error.Kind == TError::TKind::Changed)
      fileError(error.Path, kChanged);
    else
      fileError(outcome.DestName,
                WithReason(error.Kind == TError::TKind::CannotCreate ? kCannotCreate : kCannotWrite, error));
    break;
  }
  return findings;
}

int TGenerateCommand::Run(std::ostream& out, std::ostream& err, std::istream& in) {
  TPartRequest request;
  request.Source = Options.Part;
  request.Destination = Options.Header;
  request.Include = Options.Include;
  request.RangeOrder = Options.RangeOrder;
  request.Unconditional = Options.Unconditional;
  request.DeleteOnError = Options.DeleteOnError;
  TPartEngine engine;
  TPartResult result;
  TPartOutcome outcome = engine.Update(request, result);
  if (outcome.Ok()) {
    if (Options.Verbose)
      out << TReport::Line(TFinding(outcome.DestName, TSeverity::Note, TRule::Updated,
                                    outcome.Done == TPartOutcome::TDone::Written ? kUpdated : kUpToDate))
          << '\n';
    return kDone;
  }
  for (const TFinding& finding : Findings(Options.Part, outcome, result))
    err << TReport::Line(finding) << '\n';
  if (Options.Pause) {
    err << kPressEnter;
    err.flush();
    in.get();
  }
  return outcome.FailedStep == TStep::Generate ? kPartError : kFileError;
}
