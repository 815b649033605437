// The run: files in, the pass over the include and source texts, and the
// destination update.
#include <optional>

#include "framework/arg_assist.h"
#include "framework/char_class.h"
#include "framework/file_io.h"
#include "framework/replacement.h"
#include "framework/streamed_write.h"
#include "kessrow/kessrow_messages.h"
#include "kessrow/kessrow_spec.h"

using namespace kessrow_msg;

namespace {

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

// Same name, or the same file reached through another name.
bool SameTarget(const std::string& a, const std::string& b) { return a == b || SameFile(a, b); }
} // namespace

void TKessrow::Process(std::ostream& os) {
  Console = &os;
  SuccessFlag = false;
  TFileText source, include;
  if (!OpenInputs(source, include, os)) return;
  DestName = AA->GetPlain(1);
  if (DestName.empty()) {
    DestName = SourceName;
    RemoveExtension(DestName);
    DestName += ".h";
  }
  // Never replace (or, with -d, delete) one of the inputs.
  if (SameTarget(DestName, SourceName)) {
    os << kFileError << OverwritesSource(DestName);
    return;
  }
  if (IncludeActive && SameTarget(DestName, IncludeName)) {
    os << kFileError << OverwritesInclude(DestName);
    return;
  }
  GenerateAndWrite(source, include, os);
}

bool TKessrow::OpenInputs(TFileText& source, TFileText& include, std::ostream& os) {
  SourceName = AA->GetPlain(0);
  if (source.Open(SourceName.c_str()) != TFileText::TStatus::Ok) {
    Report(NoSource(SourceName));
    return false;
  }
  IncludeActive = false;
  if (!Flag('i')) return true;
  IncludeName = AA->GetParam('i');
  if (include.Open(IncludeName.c_str()) != TFileText::TStatus::Ok) {
    Report(NoInclude(IncludeName));
    return false;
  }
  if (Flag('v')) os << IncludingFile(IncludeName);
  IncludeActive = true;
  return true;
}

void TKessrow::GenerateAndWrite(TFileText& source, TFileText& include, std::ostream& os) {
  // The header goes to its new file in large parts as it is made, where the
  // destination can be replaced that way; else it is held whole.
  TOutText out;
  TStreamedWrite stream;
  bool streamed = stream.Begin(DestName, !Flag('u'));
  if (streamed) out.FlushTo(&stream, kFlushSize);
  std::optional<std::string_view> includeText;
  if (IncludeActive) includeText = include.Text();
  SourceFile = &source;
  IncludeFile = IncludeActive ? &include : nullptr;
  bool generated = Generate(includeText, source.Text(), out, os);
  SourceFile = IncludeFile = nullptr;
  if (source.Shrunk() || include.Shrunk()) {
    os << kFileError << SourceChanged(source.Shrunk() ? SourceName : IncludeName);
    return;
  }
  if (!generated) {
    if (Flag('d')) RemoveFile(DestName);
    return;
  }
  SuccessFlag = true;

  bool flushed = out.Flush();
  bool unchanged = streamed ? stream.Unchanged(out.size()) : FileHoldsText(DestName.c_str(), out);
  if (!Flag('u') && unchanged) {
    if (Flag('v')) os << kUnchangedNote;
    return;
  }
  TWriteResult result =
      streamed ? stream.Commit(flushed, {&source, &include}) : WriteHeader(out, source, include);
  SuccessFlag = ReportWrite(result, source, os);
  if (SuccessFlag && Flag('v')) os << kSuccessNote;
}

TWriteResult TKessrow::WriteHeader(const TOutText& out, const TFileText& source, const TFileText& include) {
  // The new header is complete before it replaces the old one, and only
  // while the inputs are still the files that were read.
  TReplacement dest;
  TWriteResult result = dest.Prepare(DestName, out, {});
  return result == TWriteResult::Ok ? dest.Commit({&source, &include}) : result;
}

bool TKessrow::ReportWrite(TWriteResult result, const TFileText& source, std::ostream& os) {
  switch (result) {
  case TWriteResult::Ok:
    return true;
  case TWriteResult::CannotCreate:
    os << kFileError << CannotCreate(DestName);
    return false;
  case TWriteResult::WriteFailed:
    os << kFileError << WriteFailed(DestName);
    return false;
  case TWriteResult::SourceChanged:
    break;
  }
  os << kFileError << SourceChanged(source.StillSame() ? IncludeName : SourceName);
  return false;
}

bool TKessrow::Generate(std::optional<std::string_view> include, std::string_view source, std::string& out,
                        std::ostream& console) {
  TOutText pieces;
  bool ok = Generate(include, source, pieces, console);
  out = pieces.Flatten();
  return ok;
}

bool TKessrow::Generate(std::optional<std::string_view> include, std::string_view source, TOutText& out,
                        std::ostream& console) {
  Console = &console;
  Out = &out;
  out.clear();
  IncludeActive = include.has_value();
  WriteFrame();
  ResetRunState();

  IA->LineNumber = 0;
  if (IncludeActive) {
    IA->Connect(*include);
  } else {
    if (Flag('v')) console << ProcessingFile(SourceName);
    IA->Connect(source);
  }
  RunTokenLoop(source, console);
  IncludeActive = false;
  Out = nullptr;
  if (ErrorFlag) return false;
  out += "\n\n#endif\n";
  return true;
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
  // Read once, not for every port.
  RangeOrder = Flag('L') ? TRangeOrder::LowHigh : Flag('N') ? TRangeOrder::AsDeclared : TRangeOrder::HighLow;
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

void TKessrow::RunTokenLoop(std::string_view source, std::ostream& console) {
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
      if (Flag('v')) console << ProcessingFile(SourceName);
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
