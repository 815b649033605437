// The part header generator's tool object: reads a part-description file
// (keywords, port declarations, verbatim line blocks) and builds a C++
// header with one class per part.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "framework/dir.h"
#include "framework/file_io.h"
#include "framework/input_assist.h"
#include "framework/spec_base.h"
#include "framework/text_hash.h"
#include "kessrow/part_options.h"
#include "kessrow/part_outcome.h"
#include "kessrow/part_request.h"
#include "kessrow/part_result.h"
#include "kessrow/port_descr.h"
#include "kessrow/text_set.h"

class TFileText;
class TTextCursor;

// Input contexts; ctAny is only an argument of WrongContext.
enum TContext : int { ctOutside = 0, ctPart = 1, ctPorts = 2, ctAny = 3 };

class TKessrow : public TSpecBase {
public:
  TKessrow();
  ~TKessrow() = default;

  // The program: command line, run and console text.
  void SetUpAA(TArgAssistant& aa) override;
  const char* GetProgramName() override { return "kessrow.exe"; }
  void PrintUsage(std::ostream& os) override;
  void Process(std::ostream& os) override;
  bool Prompt() override;

  // The engine, for Process and for every other caller alike.

  // The pass itself, on texts held in memory (kept alive by the caller
  // while result is used): the header frame, the token loop over the
  // include text (when given) and then the source text; the header and the
  // diagnostics go to result, whose made-text memory is reused. Touches no
  // file.
  void Generate(std::optional<std::string_view> include, std::string_view source, const TPartOptions& options,
                TPartResult& result);
  // The whole run of the program: reads the inputs, makes the header into
  // result (or streams it to its new file) and writes it where it differs.
  TPartOutcome Update(const TPartRequest& request, TPartResult& result);
  // The header's name when none is given: the part file's, ending in ".h".
  static std::string DefaultDestination(const std::string& source);

  // Prints a diagnostic as the program's report block.
  static void PrintReport(std::ostream& os, const TDiagnostic& diagnostic);
  // The token type of a keyword of the table (0 for none).
  int KeywordType(const char* text) const { return IA->GetTokenType(text); }
  // Slots looked at and texts held by the duplicate checks of the last
  // part: the checks' cost, which stays in proportion to the pins.
  std::size_t PinProbes() const { return PinIndex.Probes(); }
  std::size_t PinsHeld() const { return PinIndex.Size(); }
  std::size_t PortNameProbes() const { return PortNameIndex.Probes(); }
  std::size_t PortNamesHeld() const { return PortNameIndex.Size(); }

private:
  using THandler = void (TKessrow::*)();

  // Diagnostics and shared steps.
  void Report(std::string_view message);
  void Report(std::string_view message, std::string_view secondLine);
  bool WrongContext(TContext required);
  bool SkipEmpty();
  // Skips end-of-line tokens and "//" comments; true after reporting the
  // end of the input (only used inside a ports block).
  bool SkipEmptyInPorts();
  int GetInteger(bool allowPlus, bool allowMinus);
  void CopyEolComment(std::string& out);
  using TSpecBase::Flag;

  // Keyword handlers; each is entered with its keyword current.
  void Tok_BASE_CLASS();
  void Tok_PART_PREFIX();
  void Tok_PART_NAME();
  void Tok_FOOTPRINT();
  void Tok_REF_PREFIX();
  void Tok_PIN_COUNT();
  void Tok_PORTS() { GoToPorts(TPortKind::Port); }
  void Tok_IPORTS() { GoToPorts(TPortKind::IPort); }
  void Tok_OPORTS() { GoToPorts(TPortKind::OPort); }
  void Tok_IOPORTS() { GoToPorts(TPortKind::IOPort); }
  void Tok_PART_LINES();
  void Tok_REGISTER();
  void Tok_CONSTRUCTOR();
  void Tok_INSERT();
  void Tok_ENDPORTS();
  void Tok_ENDPART();
  void Tok_Unexpected();
  void Tok_ENDFILE();
  void Tok_COMMENT();
  void Tok_Other();

  void HandleLines(std::string& block, TContext required);

  // Ports block.
  void GoToPorts(TPortKind kind);
  void HandlePorts();
  void StartPort(std::string_view name);
  std::int64_t ReadPortRange();
  void ReadPortPins(std::int64_t count);
  // Forgets the ports and pins of the part before.
  void ClearPorts();
  bool PushPin();
  bool SwapRange(const TPortDescr& port) const;

  // Class text of the current part.
  void WriteClass();
  void WritePortMember(TTextCursor& c, const TPortDescr& port, std::size_t width);
  void WritePortRegistration(TTextCursor& c, const TPortDescr& port);
  // The bounds of a bus in the order they are written (SwapRange applied).
  std::pair<int, int> WrittenRange(const TPortDescr& port) const;

  TInputAssistant InputAssistant;
  TInputAssistant* IA = nullptr;
  bool ErrorFlag = false;
  bool WarningFlag = false; // never set: the program has no warnings
  bool IncludeActive = false;
  int SourceLineBase = 0; // the lines the include file took before the source's first
  std::string IncludeName;
  bool Done = false;
  TOutText* Out = nullptr;
  std::string PinLineBuffer;       // where each pin line is put together, reused
  std::ostream* Console = nullptr; // where Process prints the reports
  TContext Context = ctOutside;
  TPartOptions::TRangeOrder RangeOrder = TPartOptions::TRangeOrder::HighLow;
  std::optional<TPortKind> PortKind; // none outside a ports block
  TPortDescr CurPort;
  int EndTokenType = 0;
  std::string SourceName;
  std::string DestName;
  std::string PartName;
  std::string Footprint;
  std::string RefPrefix;
  int PinCount = -1;
  std::vector<TPortDescr> Ports;
  std::vector<std::string> PartNames;
  std::string PartLines;
  std::string RegisterLines;
  std::string ConstructorLines;
  std::string BaseClass;
  std::string PartPrefix;
  std::string PartNameComment;
  std::string FootprintComment;
  std::string RefPrefixComment;
  std::vector<THandler> Handlers;

  // Indexes over the vectors above, so each duplicate check is one lookup.
  std::unordered_set<std::string, TTextHash> PartNameIndex;
  TTextSet PortNameIndex; // views of the port name tokens in the input texts
  TTextSet PinIndex;      // views of the pin tokens, in order: the part's pins

  // The directory the names of a run are taken in (the current one: paths).
  TDir Directory;

  // The pass under way.
  const TPartOptions* Options = nullptr;
  TPartResult* Result = nullptr;

  void SetUpIA(TInputAssistant& assistant);
  void AddToken(const char* text, bool caseSensitive, bool wholeWord, THandler handler);
  void WriteFrame();
  void ResetRunState();
  void RunTokenLoop(std::string_view source);
  bool InputShrunk() const;
  // Opens the source and the include file; false after a report.
  bool OpenInputs(const TPartRequest& request, TFileText& source, TFileText& include, TPartOutcome& outcome);
  // Builds the header and writes it where it differs from the destination.
  void GenerateAndWrite(const TPartRequest& request, TFileText& source, TFileText& include,
                        TPartResult& result, TPartOutcome& outcome);
  // Replaces the destination with the whole text out.
  TError WriteHeader(const TOutText& out, const TFileText& source, const TFileText& include);
  bool ReadBound(int& bound);
  // The next token of a port's brackets; false after reporting the end of
  // the input there.
  bool NextInBrackets();
};
