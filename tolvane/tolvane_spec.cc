// The tool object itself: command line, keyword table, report format and
// the small diagnostic helpers every handler uses.
#include "tolvane/tolvane_spec.h"

#include "framework/cli/arg_assist.h"
#include "framework/files/file_io.h"
#include "tolvane/tolvane_messages.h"

using namespace tolvane_msg;

namespace {

const char* const kUsage[] = {
    "  tolvane srce_file [dest_file] [-wpur]",
    "    -w = suppress warnings",
    "    -p = prompt user to press a key if any error or warnings",
    "    -u = unconditional write of destination file, even if it is unchanged",
    "    -r = remove backup file, if any, upon successful completion",
};

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

TTolvane::TTolvane() : TSpecBase(kPurpose) { SetUpIA(InputAssistant); }

void TTolvane::SetUpAA(TArgAssistant& aa) { DeclareArgs(aa, "wpur", "nnnn", kUsage); }

void TTolvane::PrintUsage(std::ostream& os) { PrintUsageLines(os); }

bool TTolvane::Prompt() { return PromptWanted(WarningFlag); }

void TTolvane::AddToken(const char* text, bool caseSensitive, bool wholeWord, THandler handler) {
  AddKeyword(*IA, Handlers, text, caseSensitive, wholeWord, handler);
}

// The table order fixes the token types (9 + index); the Tok* fields note
// the types the comment code compares with.
void TTolvane::SetUpIA(TInputAssistant& assistant, TScanOptions::TDialect dialect) {
  IA = &assistant;
  IA->ClearTokens();
  Handlers.clear();
  int type = ttFirstKeyword - 1;
  auto add = [&](const char* text, bool caseSensitive, bool wholeWord, THandler handler) {
    AddToken(text, caseSensitive, wholeWord, handler);
    return ++type;
  };
  TokOn = add("TOLVANE_ON", false, true, &TTolvane::Tok_Other);
  TokOff = add("TOLVANE_OFF", false, true, &TTolvane::Tok_Other);
  TokIgnore = add("TOLVANE_IGNORE", false, true, &TTolvane::Tok_Other);
  TokBus = add("TOLVANE_BUS", false, true, &TTolvane::Tok_Other);
  TokIncl = add("TOLVANE_INCL", false, true, &TTolvane::Tok_Other);
  add("private", true, true, &TTolvane::Tok_AccessSpec);
  add("protected", true, true, &TTolvane::Tok_AccessSpec);
  add("public", true, true, &TTolvane::Tok_AccessSpec);
  add("class", true, true, &TTolvane::Tok_Class);
  add("struct", true, true, &TTolvane::Tok_Class);
  add("virtual", true, true, &TTolvane::Tok_Virtual);
  add("void", true, true, &TTolvane::Tok_Void);
  for (const char* keyword : kDeclKeywords) add(keyword, true, true, &TTolvane::Tok_SkipDecl);
  TokBlockComment = add("/*", false, false, &TTolvane::Tok_Comment);
  TokHash = add("#", false, false, &TTolvane::Tok_Other);
  TokLineComment = add("//", false, false, &TTolvane::Tok_Other);
  add("::", false, false, &TTolvane::Tok_Other);
  if (dialect != TScanOptions::TDialect::Modern) return;
  for (const char* keyword : kModernDeclKeywords) add(keyword, true, true, &TTolvane::Tok_SkipDecl);
  auto handle = [&](const char* keyword, THandler handler) {
    Handlers[static_cast<std::size_t>(IA->GetTokenType(keyword) - ttFirstKeyword)] = handler;
  };
  handle("namespace", &TTolvane::Tok_Namespace);
  handle("extern", &TTolvane::Tok_Extern);
  handle("inline", &TTolvane::Tok_Inline);
  handle("template", &TTolvane::Tok_Template);
  IA->ModernLiterals = true;
}

void TTolvane::PrintReport(std::ostream& os, const TDiagnostic& d) {
  os << "\n***** " << (d.Kind == TDiagnostic::TKind::Error ? "Error" : "Warning");
  if (!d.Scope.empty()) os << " in class " << d.Scope;
  os << ":\n***** " << d.Message << "\n" << d.LineState;
}

void TTolvane::Error(std::string_view message) {
  ErrorFlag = true;
  NoteDiagnostic(TDiagnostic::TKind::Error, message);
}

void TTolvane::Warning(std::string_view message) {
  if (Options->NoWarnings || (Options->SourceFile && Options->SourceFile->Shrunk())) return;
  WarningFlag = true;
  NoteDiagnostic(TDiagnostic::TKind::Warning, message);
}

void TTolvane::NoteDiagnostic(TDiagnostic::TKind kind, std::string_view message) {
  // Past the end of a source that shrank, the text is zeros: no report.
  if (Options->SourceFile && Options->SourceFile->Shrunk()) return;
  TDiagnostic d = IA->Diagnose(kind, message);
  // The class is named once its body is open and its name known.
  if (ClassDepth != 0) d.Scope = ClassName;
  Result->Diagnostics.push_back(std::move(d));
}

bool TTolvane::ErrorIfNewLine() {
  if (IA->TokenIndex != 1) return false;
  Error(kUnexpectedNewLine);
  return true;
}

bool TTolvane::LineCont() { return !IA->Line.empty() && IA->Line.back() == '\\'; }

bool TTolvane::WarnCont() {
  if (IA->Token != "\\" || IA->Position != IA->LineLength - 1) return false;
  Warning(kContinuationIgnored);
  return true;
}

bool TTolvane::ErrLineCont() {
  if (!LineCont()) return false;
  Error(kIllegalContinuation);
  return true;
}

void TTolvane::NextLineCont() {
  bool continued;
  if (Modern) {
    // Each line continued is left as a line, a blank one too: the line
    // after the last is read.
    do {
      continued = LineCont();
      IA->GetLine();
    } while (continued && !IA->EndOfInput);
    IA->NextToken();
    return;
  }
  do {
    continued = LineCont();
    IA->NextLine();
  } while (continued && !IA->EndOfInput);
}
