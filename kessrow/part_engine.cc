// The engine's runs: the pass in memory, the inputs read from files, and
// the header written where it differs.
#include "kessrow/part_engine.h"

#include <sys/stat.h>

#include "framework/files/file_id.h"
#include "framework/text/input_assist.h"
#include "framework/files/replacement.h"
#include "framework/text/names.h"
#include "framework/files/streamed_write.h"
#include "kessrow/kessrow_messages.h"

using namespace kessrow_msg;

namespace {

using TStep = TPartOutcome::TStep;

// The header goes to its file in parts of about this size as it is made.
const std::size_t kFlushSize = std::size_t{256} << 10;

// Same name, or the same file reached through another name, in dir.
bool SameTarget(const TDir& dir, const std::string& a, const std::string& b) {
  if (a == b) return true;
  if (!dir.Opened()) return SameFile(a, b);
  struct stat sa, sb;
  return fstatat(dir.Fd(), a.c_str(), &sa, dir.StatFlag()) == 0 &&
         fstatat(dir.Fd(), b.c_str(), &sb, dir.StatFlag()) == 0 && TFileId(sa) == TFileId(sb);
}

// A report made before any pass: it shows no line.
void ReportBeforePass(TPartResult& result, std::string_view message) {
  result.Diagnostics.push_back(TInputAssistant().Diagnose(TDiagnostic::TKind::Error, message));
}

// Never replace (or, with -d, delete) one of the inputs: false after
// noting that in outcome.
bool SparesInputs(const TDir& dir, const TPartRequest& request, TPartOutcome& outcome) {
  if (SameTarget(dir, outcome.DestName, request.Source))
    outcome.FailedStep = TStep::OverwritesSource;
  else if (request.Include && SameTarget(dir, outcome.DestName, *request.Include))
    outcome.FailedStep = TStep::OverwritesInclude;
  else
    return true;
  return false;
}

// The header held whole, written where it differs: complete before it
// replaces the old one, and only while the inputs are still the files that
// were read.
void WriteWhole(const TDir& dir, bool unconditional, const TOutText& header, const TFileText& source,
                const TFileText* include, TPartOutcome& outcome) {
  if (!unconditional && FileHoldsText(dir, outcome.DestName, header)) {
    outcome.Done = TPartOutcome::TDone::Unchanged;
    return;
  }
  TReplacement dest;
  TError error = dest.Replace(dir, outcome.DestName, header);
  if (!error) error = dest.Commit({&source, include});
  if (error) {
    outcome.FailedStep = TStep::Destination;
    outcome.Error = error;
    return;
  }
  outcome.Done = TPartOutcome::TDone::Written;
}

} // namespace

std::string TPartEngine::DefaultDestination(const std::string& source) {
  std::string dest = source;
  RemoveExtension(dest);
  return dest + ".h";
}

void TPartEngine::Generate(std::optional<std::string_view> include, std::string_view source,
                           const TPartOptions& options, TPartResult& result) {
  TPartPass(options, result, Memory).Run(include, source);
}

TPartOutcome TPartEngine::Write(const TPartRequest& request, const TFileText& source, const TOutText& header,
                                const TFileText* include) const {
  TDir dir = request.Directory.value_or(TDir());
  TPartOutcome outcome;
  outcome.DestName = request.Destination.empty() ? DefaultDestination(request.Source) : request.Destination;
  outcome.IncludeRead = include != nullptr;
  if (SparesInputs(dir, request, outcome))
    WriteWhole(dir, request.Unconditional, header, source, include, outcome);
  return outcome;
}

TPartOutcome TPartEngine::Update(const TPartRequest& request, TPartResult& result) {
  result.Clear();
  TDir dir = request.Directory.value_or(TDir());
  TPartOutcome outcome;
  TFileText source, include;
  if (TError error = source.Open(dir, request.Source)) {
    ReportBeforePass(result, NoSource(request.Source));
    outcome.FailedStep = TStep::ReadSource;
    outcome.Error = error;
    return outcome;
  }
  if (request.Include) {
    if (TError error = include.Open(dir, *request.Include)) {
      ReportBeforePass(result, NoInclude(*request.Include));
      outcome.FailedStep = TStep::ReadInclude;
      outcome.Error = error;
      return outcome;
    }
    outcome.IncludeRead = true;
  }
  outcome.DestName = request.Destination.empty() ? DefaultDestination(request.Source) : request.Destination;
  if (!SparesInputs(dir, request, outcome)) return outcome;

  // The header goes to its new file in large parts as it is made, where the
  // destination can be replaced that way; else it is held whole. In an
  // opened directory it is held whole and written through it.
  TOutText& out = result.Text;
  TStreamedWrite stream;
  bool streamed = !dir.Opened() && stream.Begin(outcome.DestName, !request.Unconditional);
  // The text hands its parts to the stream only while the stream is there.
  struct TDetach {
    TOutText& Text;
    ~TDetach() { Text.FlushTo(nullptr, 0); }
  } detach{out};
  if (streamed) out.FlushTo(&stream, kFlushSize);
  TPartOptions options;
  options.SourceName = request.Source;
  options.DestName = outcome.DestName;
  options.IncludeName = request.Include.value_or("");
  options.RangeOrder = request.RangeOrder;
  options.SourceFile = &source;
  options.IncludeFile = request.Include ? &include : nullptr;
  std::optional<std::string_view> includeText;
  if (request.Include) includeText = include.Text();
  Generate(includeText, source.Text(), options, result);
  if (source.Shrunk() || include.Shrunk()) {
    outcome.FailedStep = TStep::InputChanged;
    outcome.Error = TError(TError::TKind::Changed, source.Shrunk() ? source.Name() : include.Name());
    return outcome;
  }
  if (!result.Ok) {
    outcome.FailedStep = TStep::Generate;
    if (request.DeleteOnError) outcome.Error = RemoveFile(dir, outcome.DestName);
    return outcome;
  }
  const TFileText* watchedInclude = request.Include ? &include : nullptr;
  if (!streamed) {
    WriteWhole(dir, request.Unconditional, out, source, watchedInclude, outcome);
    return outcome;
  }
  bool flushed = out.Flush();
  if (!request.Unconditional && stream.Unchanged(out.size())) {
    outcome.Done = TPartOutcome::TDone::Unchanged;
    return outcome;
  }
  if (TError error = stream.Commit(flushed, {&source, &include})) {
    outcome.FailedStep = TStep::Destination;
    outcome.Error = error;
    return outcome;
  }
  outcome.Done = TPartOutcome::TDone::Written;
  return outcome;
}
