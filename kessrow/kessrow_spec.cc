// Construction, command line, keyword table, and the diagnostics and small
// steps that all handlers share.
#include "kessrow/kessrow_spec.h"

#include <climits>
#include <cstdint>

#include "framework/arg_assist.h"
#include "framework/char_class.h"
#include "framework/file_io.h"
#include "kessrow/kessrow_messages.h"

using namespace kessrow_msg;

namespace {
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
} // namespace

TKessrow::TKessrow() : TSpecBase(kPurpose) { SetUpIA(InputAssistant); }

void TKessrow::SetUpAA(TArgAssistant& aa) { DeclareArgs(aa, "wpuvdNLi", "nnnnnnnr", kUsage); }

void TKessrow::PrintUsage(std::ostream& os) { PrintUsageLines(os); }

bool TKessrow::Prompt() { return PromptWanted(WarningFlag); }

void TKessrow::AddToken(const char* text, bool caseSensitive, bool wholeWord, THandler handler) {
  AddKeyword(*IA, Handlers, text, caseSensitive, wholeWord, handler);
}

// The order fixes the token types (9 + index) and must not change.
void TKessrow::SetUpIA(TInputAssistant& assistant) {
  IA = &assistant;
  IA->ClearTokens();
  Handlers.clear();
  int type = ttFirstKeyword - 1;
  auto keyword = [&](const char* text, THandler handler) {
    AddToken(text, false, true, handler);
    ++type;
  };
  auto separator = [&](const char* text, THandler handler) {
    AddToken(text, false, false, handler);
    ++type;
  };
  keyword("$BASE_CLASS", &TKessrow::Tok_BASE_CLASS);
  keyword("$PART_PREFIX", &TKessrow::Tok_PART_PREFIX);
  keyword("$PART_NAME", &TKessrow::Tok_PART_NAME);
  keyword("$JEDEC_TYPE", &TKessrow::Tok_FOOTPRINT);
  keyword("$FOOTPRINT", &TKessrow::Tok_FOOTPRINT);
  keyword("$REF_PREFIX", &TKessrow::Tok_REF_PREFIX);
  keyword("$PIN_COUNT", &TKessrow::Tok_PIN_COUNT);
  keyword("$PORTS", &TKessrow::Tok_PORTS);
  keyword("$IPORTS", &TKessrow::Tok_IPORTS);
  keyword("$OPORTS", &TKessrow::Tok_OPORTS);
  keyword("$IOPORTS", &TKessrow::Tok_IOPORTS);
  keyword("$PART_LINES", &TKessrow::Tok_PART_LINES);
  keyword("$REGISTER", &TKessrow::Tok_REGISTER);
  keyword("$CONSTRUCTOR", &TKessrow::Tok_CONSTRUCTOR);
  keyword("$INSERT", &TKessrow::Tok_INSERT);
  keyword("$ENDPORTS", &TKessrow::Tok_ENDPORTS);
  keyword("$ENDPART", &TKessrow::Tok_ENDPART);
  keyword("$END", &TKessrow::Tok_Unexpected);
  EndTokenType = type;
  keyword("$ENDFILE", &TKessrow::Tok_ENDFILE);
  separator("/*", &TKessrow::Tok_COMMENT);
  separator("#", &TKessrow::Tok_Other);
  separator(",", &TKessrow::Tok_Other);
  separator(";", &TKessrow::Tok_Other);
  separator(":", &TKessrow::Tok_Other);
  separator("[", &TKessrow::Tok_Other);
  separator("]", &TKessrow::Tok_Other);
  separator("//", &TKessrow::Tok_Other);
}

void TKessrow::PrintReport(std::ostream& os, const TDiagnostic& d) {
  const char* kind = d.Kind == TDiagnostic::TKind::Error ? "Error" : "Warning";
  if (!d.File.empty()) os << "\n***** " << kind << " in include file " << d.File << ":";
  os << "\n***** " << kind;
  if (!d.Scope.empty()) os << " in part " << d.Scope;
  os << ": " << d.Message << "\n" << d.LineState;
}

bool TKessrow::InputShrunk() const {
  return Options && ((Options->SourceFile && Options->SourceFile->Shrunk()) ||
                     (Options->IncludeFile && Options->IncludeFile->Shrunk()));
}

void TKessrow::Report(std::string_view message) {
  ErrorFlag = true;
  // Past the end of an input that shrank, the text is zeros: no report.
  if (InputShrunk()) return;
  TDiagnostic d = IA->Diagnose(TDiagnostic::TKind::Error, message);
  if (Context != ctOutside) d.Scope = PartName;
  if (IncludeActive)
    d.File = IncludeName;
  else
    d.FileLine -= SourceLineBase;
  Result->Diagnostics.push_back(std::move(d));
}

void TKessrow::Report(std::string_view message, std::string_view secondLine) {
  std::string text(message);
  text += "\n***** ";
  text += secondLine;
  Report(text);
}

bool TKessrow::WrongContext(TContext required) {
  if (required == ctAny || required == Context) return false;
  if (required == ctOutside)
    Report(NotOutside(IA->Token));
  else if (required == ctPart)
    Report(Context == ctPorts ? NotInPorts(IA->Token) : OnlyPart(IA->Token));
  else
    Report(OnlyPorts(IA->Token));
  return true;
}

bool TKessrow::SkipEmpty() {
  if (IA->TokenType == ttEndOfLine) {
    IA->NextToken();
    return true;
  }
  if (IA->Token == "//") {
    IA->NextLine();
    return true;
  }
  return false;
}

// Values beyond the range of int saturate at INT_MAX instead of wrapping.
int TKessrow::GetInteger(bool allowPlus, bool allowMinus) {
  std::string_view t = IA->Token;
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

void TKessrow::CopyEolComment(std::string& out) {
  out.clear();
  int column = IA->Find("//");
  if (column >= 0) out = IA->Line.substr(static_cast<std::size_t>(column));
}

void TKessrow::Tok_COMMENT() {
  if (!IA->SkipBlockComment()) Report(kOpenComment);
}

void TKessrow::Tok_Unexpected() { Report(kUnexpected); }

void TKessrow::Tok_ENDFILE() {
  if (WrongContext(ctOutside)) return;
  Done = true;
  IA->NextToken();
}

// "#", "//" and the separators where the token loop meets them.
void TKessrow::Tok_Other() {
  if (SkipEmpty()) return;
  if (IA->Token == "#" && IA->TokenIndex == 1) {
    if (WrongContext(ctOutside)) return;
    *Out += '\n';
    *Out += IA->Line; // a preprocessor line, copied into the header as it is
    IA->NextLine();
    return;
  }
  Report(kUnexpected);
}
