// One scan of a C++ header by the registration generator: the keyword
// table with its parallel handler table, the Tok_ handlers that read each
// construct, and everything the scan keeps while it runs. A scan is made
// for one call and gone after it; the engine (TRegisterEngine) makes one
// each time it scans.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/text/diagnostic.h"
#include "framework/text/input_assist.h"
#include "framework/text/out_text.h"
#include "tolvane/class_state.h"
#include "tolvane/include_descr.h"
#include "tolvane/member_descr.h"
#include "tolvane/member_index.h"
#include "tolvane/scan_options.h"
#include "tolvane/scan_result.h"

class TRegisterScan {
public:
  // The scan writes the new text, the diagnostics and the Register()
  // bodies into result (whose made-text memory is reused); options and
  // result outlive the scan.
  TRegisterScan(const TScanOptions& options, TScanResult& result);
  TRegisterScan(const TRegisterScan&) = delete;
  TRegisterScan& operator=(const TRegisterScan&) = delete;

  // The token loop over source (which the caller keeps alive while the
  // result is used). Touches no file.
  void Run(std::string_view source);

  // Fills assistant's keyword table (and the scan's parallel handler
  // table). The modern dialect appends its words to the table and reads
  // some keywords by other handlers; the types of the specified table's
  // keywords are the same in both.
  void SetUpIA(TInputAssistant& assistant,
               TScanOptions::TDialect dialect = TScanOptions::TDialect::Specified);
  // The token type of a keyword of the table (0 for none): the table's
  // order fixes the types, on which stored callers rely.
  int KeywordType(const char* text) const { return IA.GetTokenType(text); }

private:
  using THandler = void (TRegisterScan::*)();

  void AddToken(TInputAssistant& assistant, const char* text, bool caseSensitive, bool wholeWord,
                THandler handler);
  void Dispatch();

  // Reports.
  void PrintErrorContext(const char* kind);
  void Error(std::string_view message);
  void Warning(std::string_view message);
  void NoteDiagnostic(TDiagnostic::TKind kind, std::string_view message);
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

  // The modern dialect: namespaces and linkage blocks read through,
  // templates, nested classes, attributes, macro lines, initialisers.
  void Tok_Namespace();
  void Tok_Extern();
  void Tok_Inline();
  void Tok_Template();
  void ReadModernClass();
  // Reads a class head (the token after "class" or "struct" current) up to
  // its "{", which it leaves current; false (the head passed over or read
  // as a declaration) where no class body follows.
  bool ReadModernClassHead(std::string_view& name);
  void OpenClass(std::string_view name);
  void CloseClass();
  void ModernGeneral();
  void ModernSkipDecl();
  void ModernDeclStart();
  void ModernFileLevelWord();
  bool ModernMacroLine(bool invocation);
  bool ContinuesDeclaration(bool afterInvocation) const;
  bool SkipAttribute();
  void SkipGroup();
  void SkipInitialiser();
  void SkipCommentUnread();
  void NextModernToken();
  bool ReadModernRegisterHead();
  bool ReadModernRegisterParams();
  bool ReadOutOfLineHead(std::string& qualifier);
  void RegenerateOutOfLine(const std::string& qualifier);
  void RecordClass();
  void NoteConstruct(TConstructNote::TKind kind);

  // Members and Register().
  void Tok_General();
  void ReadMember();
  void ReadArraySize(TMemberDescr& member);
  void PushMember(TMemberDescr& member);
  void Tok_Virtual();
  // Handler of "void": a Register() head marked override or final is read
  // as Tok_Virtual reads one; any other declaration is skipped.
  void Tok_Void();
  // Warns of each TOLVANE_INCL of the class that will not be written, with
  // message(line of the directive).
  void WarnIgnoredIncludes(std::string (*message)(int line));
  bool AnyMemberWantsRegistration() const;
  void MarkUserRegistration(std::string_view name);
  bool ReadRegisterHead(bool needSpecifier);
  void RegenerateBody();
  void ScanRegisterBody(int bodyDepth);
  void AbandonBody(int bodyDepth, bool bodyRead);
  void GenerateRegistrations();
  std::vector<const TMemberDescr*> ChooseRegistrations();
  // Records a body whose generated lines were rewritten (made: the new
  // ones), with its lines in the source and the new text.
  void NoteBody(int braceLine, std::string_view made);
  void NoteDroppedLines(const char* from, const char* to, int lines);

  // The scan's options and result, which outlive it.
  const TScanOptions& Options;
  TScanResult& Result;
  TOutText& Out; // the destination text being built: Result's
  TInputAssistant IA;
  bool ErrorFlag = false;
  bool WarningFlag = false;
  int BraceDepth = 0;
  int ClassDepth = 0;
  std::vector<int> ClassBraceDepths;
  std::vector<TClassState> OuterClasses; // modern dialect: the classes a nested one is in
  bool Modern = false;                   // the scan reads the modern dialect
  int ClassLine = 0;                     // modern dialect: the line of the tracked class's "{"
  // Modern dialect: the namespaces open, with the brace depth of each body,
  // and the classes without a Register() body of their own, by qualified
  // name, for the bodies defined outside them.
  std::string NamespacePrefix;            // "a::b::" for the namespaces open
  std::vector<std::size_t> NamespaceCuts; // the prefix's length after each
  std::vector<int> NamespaceDepths;
  // A body outside its class looks its class up this many namespaces
  // outward at most; classes and bodies nested deeper (namespaces and
  // classes together) are not matched.
  static constexpr std::size_t kLookupLevels = 16;
  std::unordered_map<std::string, TClassState> ClassesRead;
  bool RegisterFound = false;
  bool RegisterDeclared = false; // modern dialect: a Register() head without a body in the class
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

  // Lines the bodies so far added to the text (or, negative, took away).
  int LineShift = 0;

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
  int DroppedCount = 0;     // lines dropped from the body
  int FirstDroppedLine = 0; // the first of them
  // Up to this many user registrations of a body are looked up without
  // the index.
  static constexpr int kLinearRegistrations = 8;
};
