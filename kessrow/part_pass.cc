// The keyword table, the diagnostics and the small steps that all handlers
// share, and the pass itself: the header frame and the token loop.
#include "kessrow/part_pass.h"

#include <climits>
#include <cstdint>

#include "framework/text/char_class.h"
#include "framework/files/file_io.h"
#include "kessrow/kessrow_messages.h"

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
} // namespace

TPartPass::TPartPass(const TPartOptions& options, TPartResult& result, TMemory& memory)
    : Options(options), Result(result), Out(result.Text), PinLineBuffer(memory.PinLines),
      PartNameIndex(memory.PartNames), PortNameIndex(memory.PortNames), PinIndex(memory.Pins) {
  SetUpIA();
  PartNameIndex.clear();
  ClearPorts();
}

void TPartPass::AddToken(const char* text, bool caseSensitive, bool wholeWord, THandler handler) {
  IA.AddToken(text, caseSensitive, wholeWord);
  Handlers.push_back(handler);
}

// The order fixes the token types (9 + index) and must not change.
void TPartPass::SetUpIA() {
  int type = ttFirstKeyword - 1;
  auto keyword = [&](const char* text, THandler handler) {
    AddToken(text, false, true, handler);
    ++type;
  };
  auto separator = [&](const char* text, THandler handler) {
    AddToken(text, false, false, handler);
    ++type;
  };
  keyword("$BASE_CLASS", &TPartPass::Tok_BASE_CLASS);
  keyword("$PART_PREFIX", &TPartPass::Tok_PART_PREFIX);
  keyword("$PART_NAME", &TPartPass::Tok_PART_NAME);
  keyword("$JEDEC_TYPE", &TPartPass::Tok_FOOTPRINT);
  keyword("$FOOTPRINT", &TPartPass::Tok_FOOTPRINT);
  keyword("$REF_PREFIX", &TPartPass::Tok_REF_PREFIX);
  keyword("$PIN_COUNT", &TPartPass::Tok_PIN_COUNT);
  keyword("$PORTS", &TPartPass::Tok_PORTS);
  keyword("$IPORTS", &TPartPass::Tok_IPORTS);
  keyword("$OPORTS", &TPartPass::Tok_OPORTS);
  keyword("$IOPORTS", &TPartPass::Tok_IOPORTS);
  keyword("$PART_LINES", &TPartPass::Tok_PART_LINES);
  keyword("$REGISTER", &TPartPass::Tok_REGISTER);
  keyword("$CONSTRUCTOR", &TPartPass::Tok_CONSTRUCTOR);
  keyword("$INSERT", &TPartPass::Tok_INSERT);
  keyword("$ENDPORTS", &TPartPass::Tok_ENDPORTS);
  keyword("$ENDPART", &TPartPass::Tok_ENDPART);
  keyword("$END", &TPartPass::Tok_Unexpected);
  EndTokenType = type;
  keyword("$ENDFILE", &TPartPass::Tok_ENDFILE);
  separator("/*", &TPartPass::Tok_COMMENT);
  separator("#", &TPartPass::Tok_Other);
  separator(",", &TPartPass::Tok_Other);
  separator(";", &TPartPass::Tok_Other);
  separator(":", &TPartPass::Tok_Other);
  separator("[", &TPartPass::Tok_Other);
  separator("]", &TPartPass::Tok_Other);
  separator("//", &TPartPass::Tok_Other);
}

bool TPartPass::InputShrunk() const {
  return (Options.SourceFile && Options.SourceFile->Shrunk()) ||
         (Options.IncludeFile && Options.IncludeFile->Shrunk());
}

void TPartPass::Report(std::string_view message, std::string_view secondLine) {
  ErrorFlag = true;
  // Past the end of an input that shrank, the text is zeros: no report.
  if (InputShrunk()) return;
  TDiagnostic d = IA.Diagnose(TDiagnostic::TKind::Error, message);
  d.SecondLine = secondLine;
  if (Context != ctOutside) d.Scope = PartName;
  if (IncludeActive)
    d.File = Options.IncludeName;
  else
    d.FileLine -= SourceLineBase;
  Result.Diagnostics.push_back(std::move(d));
}

bool TPartPass::WrongContext(TContext required) {
  if (required == ctAny || required == Context) return false;
  if (required == ctOutside)
    Report(NotOutside(IA.Token));
  else if (required == ctPart)
    Report(Context == ctPorts ? NotInPorts(IA.Token) : OnlyPart(IA.Token));
  else
    Report(OnlyPorts(IA.Token));
  return true;
}

bool TPartPass::SkipEmpty() {
  if (IA.TokenType == ttEndOfLine) {
    IA.NextToken();
    return true;
  }
  if (IA.Token == "//") {
    IA.NextLine();
    return true;
  }
  return false;
}

// Values beyond the range of int saturate at INT_MAX instead of wrapping.
int TPartPass::GetInteger(bool allowPlus, bool allowMinus) {
  std::string_view t = IA.Token;
  std::int64_t value = 0;
  bool negative = false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    if (i == 0 && (c == '+' || c == '-')) {
      negative = c == '-';
      if ((c == '+' && allowPlus) || (c == '-' && allowMinus)) continue;
      Report(kSigned);
      return -1;
    }
    if (!IsDigitChar(c)) {
      Report(kNotInteger);
      return 0;
    }
    value = value * 10 + (c - '0');
    if (value > INT_MAX) value = INT_MAX;
  }
  return static_cast<int>(negative ? -value : value);
}

void TPartPass::CopyEolComment(std::string& out) {
  out.clear();
  int column = IA.Find("//");
  if (column >= 0) out = IA.Line.substr(static_cast<std::size_t>(column));
}

void TPartPass::Tok_COMMENT() {
  if (!IA.SkipBlockComment()) Report(kOpenComment);
}

void TPartPass::Tok_Unexpected() { Report(kUnexpected); }

void TPartPass::Tok_ENDFILE() {
  if (WrongContext(ctOutside)) return;
  Done = true;
  IA.NextToken();
}

// "#", "//" and the separators where the token loop meets them.
void TPartPass::Tok_Other() {
  if (SkipEmpty()) return;
  if (IA.Token == "#" && IA.TokenIndex == 1) {
    if (WrongContext(ctOutside)) return;
    Out += '\n';
    Out += IA.Line; // a preprocessor line, copied into the header as it is
    IA.NextLine();
    return;
  }
  Report(kUnexpected);
}

void TPartPass::Run(std::optional<std::string_view> include, std::string_view source) {
  // A flush target set by the caller stays (the streamed header).
  Result.Diagnostics.clear();
  Result.Ok = Result.SourceReached = false;
  Out.clear();
  IncludeActive = include.has_value();
  WriteFrame();
  if (IncludeActive) {
    IA.Connect(*include);
  } else {
    Result.SourceReached = true;
    IA.Connect(source);
  }
  RunTokenLoop(source);
  IncludeActive = false;
  if (!ErrorFlag) Out += "\n\n#endif\n";
  Result.Ok = !ErrorFlag;
}

void TPartPass::WriteFrame() {
  std::string guard = GuardFor(Options.DestName);
  Out += "// This File Generated by:  kessrow.exe";
  Out += "\n// Source File:             " + Options.SourceName;
  Out += "\n// Destination File:        " + Options.DestName;
  Out += "\n";
  Out += "\n#ifndef " + guard;
  Out += "\n#define " + guard;
  Out += "\n";
  Out += "\n// TOLVANE_OFF -- auto registration is not needed\n";
}

void TPartPass::RunTokenLoop(std::string_view source) {
  while (!Done && !InputShrunk()) {
    if (IA.EndOfInput) {
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
      Result.SourceReached = true;
      SourceLineBase = IA.LineNumber;
      IA.Connect(source);
      continue;
    }
    int type = IA.TokenType;
    if (type >= ttFirstKeyword) {
      (this->*Handlers[static_cast<std::size_t>(type - ttFirstKeyword)])(); // reads its construct
    } else if (Context == ctPorts) {
      HandlePorts();
    } else if (type == ttEndOfLine) {
      IA.NextToken();
    } else {
      Report(kUnexpected);
    }
    if (ErrorFlag) return;
  }
}
