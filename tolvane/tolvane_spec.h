// The registration generator: scans a C++ header, collects the data members
// of each file-level class or struct, and rewrites the generated lines of
// its "virtual void Register() {" body.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "framework/input_assist.h"
#include "framework/out_text.h"
#include "framework/spec_base.h"
#include "tolvane/body_range.h"
#include "tolvane/diagnostic.h"
#include "tolvane/include_descr.h"
#include "tolvane/member_descr.h"
#include "tolvane/member_index.h"

class TFileText;

class TTolvane : public TSpecBase {
public:
  using THandler = void (TTolvane::*)();

  TTolvane();
  ~TTolvane() = default;

  void SetUpAA(TArgAssistant& aa) override;
  const char* GetProgramName() override { return "tolvane.exe"; }
  void PrintUsage(std::ostream& os) override;
  void Process(std::ostream& os) override;
  bool Prompt() override;

  // Scans source (kept alive by the caller) and appends the destination
  // text to out: unchanged lines as ranges of source, the rest as made
  // text. Reports go to Console (nowhere when it is not set). Returns true
  // when no error was reported. Touches no file.
  bool Scan(std::string_view source, TOutText& out);
  // Scan with the destination text appended to out in one piece.
  bool Scan(std::string_view source, std::string& out);

  void SetUpIA(TInputAssistant& assistant);
  void AddToken(const char* text, bool caseSensitive, bool wholeWord, THandler handler);

  // Reports.
  void PrintErrorContext(const char* kind);
  void Error(std::string_view message);
  void Warning(std::string_view message);
  bool ErrorIfNewLine();
  bool LineCont();
  bool WarnCont();
  bool ErrLineCont();
  void NextLineCont();

  // Comments and directives.
  bool CheckComment();
  void ReadIncludeDirective();
  void ReadBusDirective();
  void Tok_Comment();
  void SetMembersOnLine(bool registrationOn);
  void SetMembersOnLine_Bus(std::string_view first, std::string_view second);

  // Braces, classes and declarations.
  bool SkipToken();
  bool CheckBrace();
  bool PopBrace();
  void Tok_Class();
  void Tok_AccessSpec();
  void Tok_SkipDecl();
  bool SkipDeclUnlessToken(const char* text);
  void Tok_Other();
  void Tok_NonAlphaNum();

  // Members and Register().
  void Tok_General();
  void ReadArraySize(TMemberDescr& member);
  void PushMember(TMemberDescr& member);
  void Tok_Virtual();
  // Handler of "void": a Register() head marked override or final is read
  // as Tok_Virtual reads one; any other declaration is skipped.
  void Tok_Void();
  // Warns of each TOLVANE_INCL of the class that will not be written, with
  // message(line of the directive).
  void WarnIgnoredIncludes(std::string (*message)(int line));

  TInputAssistant InputAssistant;
  TInputAssistant* IA = nullptr;
  bool ErrorFlag = false;
  bool WarningFlag = false;
  TOutText* Out = nullptr;         // the destination text being built
  TFileText* SourceFile = nullptr; // when set, a scan stops once it has shrunk
  std::ostream* Console = nullptr; // where reports go
  int BraceDepth = 0;
  int ClassDepth = 0;
  std::vector<int> ClassBraceDepths;
  bool RegisterFound = false;
  bool RegistrationOn = true;
  bool TypeSeen = false;
  std::string ClassName;
  std::vector<TMemberDescr> Members;
  std::vector<TIncludeDescr> Includes;
  int TokLineComment = 0;
  int TokBlockComment = 0;
  int TokHash = 0;
  int TokOn = 0;
  int TokOff = 0;
  int TokIgnore = 0;
  int TokBus = 0;
  int TokIncl = 0;
  std::vector<THandler> Handlers; // entry i handles token type 9 + i
  const char* Marker = "// tolvane";
  const char* BackupInfix = "._";

  // Filled by a scan for callers that need more than the console text:
  // each error and warning (when set), and every Register() body whose
  // generated lines were rewritten.
  std::vector<TDiagnostic>* Diagnostics = nullptr;
  std::vector<TBodyRange> RegisterBodies;

private:
  void Dispatch();
  // Console, or a stream that drops what it is given when none is set
  // (scans run in memory).
  std::ostream& ReportStream() { return Console ? *Console : NoConsole; }
  std::ostream NoConsole{nullptr};
  bool AnyMemberWantsRegistration() const;
  void MarkUserRegistration(std::string_view name);
  bool ReadRegisterHead(bool needSpecifier);
  void RegenerateBody();
  void ScanRegisterBody(int bodyDepth);
  void AbandonBody(int bodyDepth, bool bodyRead);
  void GenerateRegistrations();
  std::vector<const TMemberDescr*> ChooseRegistrations();
  void ResetRun();
  void NoteDiagnostic(TDiagnostic::TKind kind, std::string_view message);

  // Members by name for the user registrations of one Register() body;
  // built when the body has more than kLinearRegistrations of them.
  TMemberIndex MemberIndex;
  bool MemberIndexBuilt = false;
  int UserRegistrations = 0; // met so far in the body
  std::string RegisterText;  // the generated lines of one body, being made
  // The source bytes of the body's earlier generated lines (with the blank
  // lines dropped after them) while they are one run: when the new lines
  // are the same bytes, the output takes them as a range of the source.
  std::string_view DroppedLines;
  bool DroppedInOneRun = true;
  void NoteDroppedLines(const char* from, const char* to);
  // Up to this many user registrations of a body are looked up without
  // the index.
  static constexpr int kLinearRegistrations = 8;
};
