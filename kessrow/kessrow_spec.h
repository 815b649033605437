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

#include "framework/file_io.h"
#include "framework/input_assist.h"
#include "framework/spec_base.h"
#include "framework/text_hash.h"
#include "kessrow/port_descr.h"
#include "kessrow/text_set.h"

class TFileText;
class TTextCursor;

// Input contexts; ctAny is only an argument of WrongContext.
enum TContext : int { ctOutside = 0, ctPart = 1, ctPorts = 2, ctAny = 3 };

class TKessrow : public TSpecBase {
public:
  using THandler = void (TKessrow::*)();

  TKessrow();
  ~TKessrow() = default;

  void SetUpAA(TArgAssistant& aa) override;
  const char* GetProgramName() override { return "kessrow.exe"; }
  void PrintUsage(std::ostream& os) override;
  void Process(std::ostream& os) override;
  bool Prompt() override;

  // The pass itself, on texts held in memory: writes the header frame, runs
  // the token loop over the include text (when given) and then the source
  // text, and leaves the header in out. Reports go to console. Returns
  // whether the input was read without error. Needs SourceName and
  // DestName (for the frame); reads the flags through AA when it is set.
  bool Generate(std::optional<std::string_view> include, std::string_view source, TOutText& out,
                std::ostream& console);
  // Generate with the header appended to out in one piece.
  bool Generate(std::optional<std::string_view> include, std::string_view source, std::string& out,
                std::ostream& console);

  // The files the texts come from, when they are files: a pass stops when
  // one of them shrinks under it (the rest would read as zeros).
  const TFileText* SourceFile = nullptr;
  const TFileText* IncludeFile = nullptr;
  bool InputShrunk() const;

  // Diagnostics and shared steps.
  void PrintErrorContext(const char* kind);
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
  std::string IncludeName;
  bool Done = false;
  TOutText* Out = nullptr;
  std::string PinLineBuffer; // where each pin line is put together, reused
  std::ostream* Console = nullptr;
  TContext Context = ctOutside;
  // The order buses are written in: -L, -N, or the default.
  enum class TRangeOrder { HighLow, LowHigh, AsDeclared };
  TRangeOrder RangeOrder = TRangeOrder::HighLow;
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

private:
  void SetUpIA(TInputAssistant& assistant);
  void AddToken(const char* text, bool caseSensitive, bool wholeWord, THandler handler);
  void WriteFrame();
  void ResetRunState();
  void RunTokenLoop(std::string_view source, std::ostream& console);
  // Opens the source and the include file (-i); false after a report.
  bool OpenInputs(TFileText& source, TFileText& include, std::ostream& os);
  // Builds the header and writes it where it differs from the destination.
  void GenerateAndWrite(TFileText& source, TFileText& include, std::ostream& os);
  // Replaces the destination with the whole text out.
  TWriteResult WriteHeader(const TOutText& out, const TFileText& source, const TFileText& include);
  // Reports a failed write of the destination; false after a report.
  bool ReportWrite(TWriteResult result, const TFileText& source, std::ostream& os);
  bool ReadBound(int& bound);
  // The next token of a port's brackets; false after reporting the end of
  // the input there.
  bool NextInBrackets();
};
