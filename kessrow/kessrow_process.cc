// The run: files in, the pass over the include and source texts, and the
// destination update. Process prints what the run came to.
#include <sys/stat.h>

#include <optional>

#include "framework/arg_assist.h"
#include "framework/char_class.h"
#include "framework/file_id.h"
#include "framework/file_io.h"
#include "framework/replacement.h"
#include "framework/streamed_write.h"
#include "kessrow/kessrow_messages.h"
#include "kessrow/kessrow_spec.h"

using namespace kessrow_msg;

namespace {

using TStep = TPartOutcome::TStep;

// The include guard: "_" + name + "_" with every character that is not an
// ASCII letter or digit turned into "_".
std::string GuardFor(const std::string& destName) {
  std::string guard = "_" + destName + "_";
  for (char& c : guard)
    if (!IsAlnumChar(c)) c = '_';
  return guard;
}

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

std::string TKessrow::DefaultDestination(const std::string& source) {
  std::string dest = source;
  RemoveExtension(dest);
  return dest + ".h";
}

void TKessrow::Process(std::ostream& os) {
  Console = &os;
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
  TPartOutcome outcome = Update(request, result);
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

TPartOutcome TKessrow::Update(const TPartRequest& request, TPartResult& result) {
  result.Clear();
  Directory = request.Directory.value_or(TDir());
  Result = &result;
  Options = nullptr;
  // A fresh tokenizer: a report before the pass shows no earlier line.
  InputAssistant = TInputAssistant();
  SetUpIA(InputAssistant);
  TPartOutcome outcome;
  TFileText source, include;
  if (OpenInputs(request, source, include, outcome)) {
    DestName = request.Destination.empty() ? DefaultDestination(SourceName) : request.Destination;
    outcome.DestName = DestName;
    // Never replace (or, with -d, delete) one of the inputs.
    if (SameTarget(Directory, DestName, SourceName))
      outcome.FailedStep = TStep::OverwritesSource;
    else if (IncludeActive && SameTarget(Directory, DestName, IncludeName))
      outcome.FailedStep = TStep::OverwritesInclude;
    else
      GenerateAndWrite(request, source, include, result, outcome);
  }
  Result = nullptr;
  Options = nullptr;
  return outcome;
}

bool TKessrow::OpenInputs(const TPartRequest& request, TFileText& source, TFileText& include,
                          TPartOutcome& outcome) {
  SourceName = request.Source;
  IncludeActive = false;
  if (TError error = source.Open(Directory, SourceName)) {
    Report(NoSource(SourceName));
    outcome.FailedStep = TStep::ReadSource;
    outcome.Error = error;
    return false;
  }
  if (!request.Include) return true;
  IncludeName = *request.Include;
  if (TError error = include.Open(Directory, IncludeName)) {
    Report(NoInclude(IncludeName));
    outcome.FailedStep = TStep::ReadInclude;
    outcome.Error = error;
    return false;
  }
  outcome.IncludeRead = true;
  IncludeActive = true;
  return true;
}

void TKessrow::GenerateAndWrite(const TPartRequest& request, TFileText& source, TFileText& include,
                                TPartResult& result, TPartOutcome& outcome) {
  // The header goes to its new file in large parts as it is made, where the
  // destination can be replaced that way; else it is held whole.
  TOutText& out = result.Text;
  TStreamedWrite stream;
  // In an opened directory the header is held whole and written through it.
  bool streamed = !Directory.Opened() && stream.Begin(DestName, !request.Unconditional);
  // The text hands its parts to the stream only while the stream is there.
  struct TDetach {
    TOutText& Text;
    ~TDetach() { Text.FlushTo(nullptr, 0); }
  } detach{out};
  if (streamed) out.FlushTo(&stream, kFlushSize);
  TPartOptions options;
  options.SourceName = SourceName;
  options.DestName = DestName;
  options.IncludeName = IncludeName;
  options.RangeOrder = request.RangeOrder;
  options.SourceFile = &source;
  options.IncludeFile = IncludeActive ? &include : nullptr;
  std::optional<std::string_view> includeText;
  if (IncludeActive) includeText = include.Text();
  Generate(includeText, source.Text(), options, result);
  if (source.Shrunk() || include.Shrunk()) {
    outcome.FailedStep = TStep::InputChanged;
    outcome.Error = TError(TError::TKind::Changed, source.Shrunk() ? source.Name() : include.Name());
    return;
  }
  if (!result.Ok) {
    outcome.FailedStep = TStep::Generate;
    if (request.DeleteOnError) outcome.Error = RemoveFile(Directory, DestName);
    return;
  }
  bool flushed = out.Flush();
  bool unchanged = streamed ? stream.Unchanged(out.size()) : FileHoldsText(Directory, DestName, out);
  if (!request.Unconditional && unchanged) {
    outcome.Done = TPartOutcome::TDone::Unchanged;
    return;
  }
  TError error = streamed ? stream.Commit(flushed, {&source, &include}) : WriteHeader(out, source, include);
  if (error) {
    outcome.FailedStep = TStep::Destination;
    outcome.Error = error;
    return;
  }
  outcome.Done = TPartOutcome::TDone::Written;
}

TError TKessrow::WriteHeader(const TOutText& out, const TFileText& source, const TFileText& include) {
  // The new header is complete before it replaces the old one, and only
  // while the inputs are still the files that were read.
  TReplacement dest;
  if (TError error = dest.Prepare(Directory, DestName, out, {})) return error;
  return dest.Commit({&source, &include});
}

void TKessrow::Generate(std::optional<std::string_view> include, std::string_view source,
                        const TPartOptions& options, TPartResult& result) {
  TOutText& out = result.Text;
  // A flush target set by the caller stays (the streamed header).
  result.Diagnostics.clear();
  result.Ok = result.SourceReached = false;
  out.clear();
  Options = &options;
  Result = &result;
  Out = &out;
  SourceName = options.SourceName;
  DestName = options.DestName;
  IncludeName = options.IncludeName;
  RangeOrder = options.RangeOrder;
  IncludeActive = include.has_value();
  WriteFrame();
  ResetRunState();

  IA->LineNumber = 0;
  if (IncludeActive) {
    IA->Connect(*include);
  } else {
    result.SourceReached = true;
    IA->Connect(source);
  }
  RunTokenLoop(source);
  IncludeActive = false;
  Out = nullptr;
  if (!ErrorFlag) out += "\n\n#endif\n";
  result.Ok = !ErrorFlag;
  Options = nullptr;
  Result = nullptr;
}

void TKessrow::WriteFrame() {
  std::string guard = GuardFor(DestName);
  TOutText& out = *Out;
  out += "// This File Generated by:  kessrow.exe";
  out += "\n// Source File:             " + SourceName;
  out += "\n// Destination File:        " + DestName;
  out += "\n";
  out += "\n#ifndef " + guard;
  out += "\n#define " + guard;
  out += "\n";
  out += "\n// TOLVANE_OFF -- auto registration is not needed\n";
}

void TKessrow::ResetRunState() {
  SuccessFlag = false;
  ErrorFlag = false;
  Done = false;
  Context = ctOutside;
  PortKind.reset();
  BaseClass = "public TPart";
  PartPrefix = "QV_";
  PartNames.clear();
  PartNameIndex.clear();
  PartName.clear();
  ClearPorts();
}

void TKessrow::RunTokenLoop(std::string_view source) {
  while (!Done && !InputShrunk()) {
    if (IA->EndOfInput) {
      // A ports block cannot run past the end of a file.
      if (Context == ctPorts) {
        Report(kEofInPorts);
        return;
      }
      if (!IncludeActive) {
        // A part left open would silently lose its class; a part begun in
        // the include file may still end in the source, so only the end of
        // the whole input counts.
        if (Context == ctPart) Report(kEofInPart);
        return;
      }
      IncludeActive = false;
      Result->SourceReached = true;
      IA->Connect(source);
      continue;
    }
    int type = IA->TokenType;
    if (CallKeywordHandler(*this, Handlers, type)) {
      // the keyword's handler has read its construct
    } else if (Context == ctPorts) {
      HandlePorts();
    } else if (type == ttEndOfLine) {
      IA->NextToken();
    } else {
      Report(kUnexpected);
    }
    if (ErrorFlag) return;
  }
}
