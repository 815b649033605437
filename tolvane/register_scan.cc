// The scan itself: its keyword table, its token loop and the small
// diagnostic helpers every handler uses.
#include "tolvane/register_scan.h"

#include "framework/files/file_io.h"
#include "tolvane/tolvane_messages.h"

using namespace tolvane_msg;

namespace {

// Declaration keywords after "void": each starts a declaration that cannot
// declare a registrable member, so it is skipped whole.
const char* const kDeclKeywords[] = {
    "bool",    "char",   "const",  "double",   "enum",    "explicit",  "extern",   "float",
    "friend",  "int",    "uint",   "long",     "mutable", "namespace", "operator", "register",
    "short",   "signed", "static", "template", "typedef", "union",     "unsigned", "volatile",
    "wchar_t", "try",    "using",  "auto",     "inline",
};

// The modern dialect's further words that start a declaration which cannot
// declare a registrable member.
const char* const kModernDeclKeywords[] = {
    "constexpr", "consteval", "constinit", "static_assert", "thread_local", "typename", "decltype", "concept",
};

} // namespace

TRegisterScan::TRegisterScan(const TScanOptions& options, TScanResult& result)
    : Options(options), Result(result), Out(result.Text),
      Modern(options.Dialect == TScanOptions::TDialect::Modern) {
  SetUpIA(IA, options.Dialect);
  IA.EolTokens = false;
}

void TRegisterScan::Run(std::string_view source) {
  Out.SetSource(source);
  IA.Echo = &Out;
  IA.Connect(source);
  // The source's pages stay mapped after the scan: the new text is mostly
  // ranges of them, which the comparison and the write read again.
  // A source that shrinks under the scan reads as zeros from there on: the
  // scan stops on the next line. Reports made before then check for
  // themselves, so none is recorded from the zeros.
  const TFileText* file = Options.SourceFile;
  int checkedLine = 0;
  while (!IA.EndOfInput && !ErrorFlag) {
    if (file && IA.LineNumber != checkedLine) {
      checkedLine = IA.LineNumber;
      if (file->Shrunk()) break;
    }
    Dispatch();
  }
  if (!ErrorFlag && BraceDepth != 0) Error(kBraceMismatch);
  IA.Echo = nullptr;
  Result.Ok = !ErrorFlag;
  Result.Warned = WarningFlag;
  if (Options.KeepClasses) Result.Classes = std::move(ClassesRead);
}

void TRegisterScan::AddToken(TInputAssistant& assistant, const char* text, bool caseSensitive, bool wholeWord,
                             THandler handler) {
  assistant.AddToken(text, caseSensitive, wholeWord);
  Handlers.push_back(handler);
}

// The table order fixes the token types (9 + index); the Tok* fields note
// the types the comment code compares with.
void TRegisterScan::SetUpIA(TInputAssistant& assistant, TScanOptions::TDialect dialect) {
  assistant.ClearTokens();
  Handlers.clear();
  int type = ttFirstKeyword - 1;
  auto add = [&](const char* text, bool caseSensitive, bool wholeWord, THandler handler) {
    AddToken(assistant, text, caseSensitive, wholeWord, handler);
    return ++type;
  };
  TokOn = add("TOLVANE_ON", false, true, &TRegisterScan::Tok_Other);
  TokOff = add("TOLVANE_OFF", false, true, &TRegisterScan::Tok_Other);
  TokIgnore = add("TOLVANE_IGNORE", false, true, &TRegisterScan::Tok_Other);
  TokBus = add("TOLVANE_BUS", false, true, &TRegisterScan::Tok_Other);
  TokIncl = add("TOLVANE_INCL", false, true, &TRegisterScan::Tok_Other);
  add("private", true, true, &TRegisterScan::Tok_AccessSpec);
  add("protected", true, true, &TRegisterScan::Tok_AccessSpec);
  add("public", true, true, &TRegisterScan::Tok_AccessSpec);
  add("class", true, true, &TRegisterScan::Tok_Class);
  add("struct", true, true, &TRegisterScan::Tok_Class);
  add("virtual", true, true, &TRegisterScan::Tok_Virtual);
  add("void", true, true, &TRegisterScan::Tok_Void);
  for (const char* keyword : kDeclKeywords) add(keyword, true, true, &TRegisterScan::Tok_SkipDecl);
  TokBlockComment = add("/*", false, false, &TRegisterScan::Tok_Comment);
  TokHash = add("#", false, false, &TRegisterScan::Tok_Other);
  TokLineComment = add("//", false, false, &TRegisterScan::Tok_Other);
  add("::", false, false, &TRegisterScan::Tok_Other);
  if (dialect != TScanOptions::TDialect::Modern) return;
  for (const char* keyword : kModernDeclKeywords) add(keyword, true, true, &TRegisterScan::Tok_SkipDecl);
  auto handle = [&](const char* keyword, THandler handler) {
    Handlers[static_cast<std::size_t>(assistant.GetTokenType(keyword) - ttFirstKeyword)] = handler;
  };
  handle("namespace", &TRegisterScan::Tok_Namespace);
  handle("extern", &TRegisterScan::Tok_Extern);
  handle("inline", &TRegisterScan::Tok_Inline);
  handle("template", &TRegisterScan::Tok_Template);
  assistant.ModernLiterals = true;
}

void TRegisterScan::Error(std::string_view message) {
  ErrorFlag = true;
  NoteDiagnostic(TDiagnostic::TKind::Error, message);
}

void TRegisterScan::Warning(std::string_view message) {
  if (Options.NoWarnings || (Options.SourceFile && Options.SourceFile->Shrunk())) return;
  WarningFlag = true;
  NoteDiagnostic(TDiagnostic::TKind::Warning, message);
}

void TRegisterScan::NoteDiagnostic(TDiagnostic::TKind kind, std::string_view message) {
  // Past the end of a source that shrank, the text is zeros: no report.
  if (Options.SourceFile && Options.SourceFile->Shrunk()) return;
  TDiagnostic d = IA.Diagnose(kind, message);
  // The class is named once its body is open and its name known.
  if (ClassDepth != 0) d.Scope = ClassName;
  Result.Diagnostics.push_back(std::move(d));
}

bool TRegisterScan::ErrorIfNewLine() {
  if (IA.TokenIndex != 1) return false;
  Error(kUnexpectedNewLine);
  return true;
}

bool TRegisterScan::LineCont() { return !IA.Line.empty() && IA.Line.back() == '\\'; }

bool TRegisterScan::WarnCont() {
  if (IA.Token != "\\" || IA.Position != IA.LineLength - 1) return false;
  Warning(kContinuationIgnored);
  return true;
}

bool TRegisterScan::ErrLineCont() {
  if (!LineCont()) return false;
  Error(kIllegalContinuation);
  return true;
}

void TRegisterScan::NextLineCont() {
  bool continued;
  if (Modern) {
    // Each line continued is left as a line, a blank one too: the line
    // after the last is read.
    do {
      continued = LineCont();
      IA.GetLine();
    } while (continued && !IA.EndOfInput);
    IA.NextToken();
    return;
  }
  do {
    continued = LineCont();
    IA.NextLine();
  } while (continued && !IA.EndOfInput);
}
