// One pass of the part header generator over a part-description file (and
// its include file): the keyword table with its parallel handler table, the
// Tok_ handlers that read each construct, and everything the pass keeps
// while it runs. A pass is made for one call and gone after it; the engine
// (TPartEngine) makes one each time it generates.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "framework/text/input_assist.h"
#include "framework/text/text_hash.h"
#include "kessrow/part_options.h"
#include "kessrow/part_result.h"
#include "kessrow/port_descr.h"
#include "kessrow/text_set.h"

class TTextCursor;

// Input contexts; ctAny is only an argument of WrongContext.
enum TContext : int { ctOutside = 0, ctPart = 1, ctPorts = 2, ctAny = 3 };

class TPartPass {
public:
  // The memory a pass works in that is worth keeping for the next: the
  // duplicate checks' sets (of a part of many pins, megabytes) and the pin
  // line buffer. A pass empties what it uses; nothing of one pass is read
  // by the next.
  struct TMemory {
    std::unordered_set<std::string, TTextHash> PartNames;
    TTextSet PortNames;   // views of the port name tokens in the input texts
    TTextSet Pins;        // views of the pin tokens, in order: the part's pins
    std::string PinLines; // where each pin line is put together
  };

  // The pass writes the header and its diagnostics into result (whose
  // made-text memory is reused) and works in memory; options, result and
  // memory outlive the pass.
  TPartPass(const TPartOptions& options, TPartResult& result, TMemory& memory);
  TPartPass(const TPartPass&) = delete;
  TPartPass& operator=(const TPartPass&) = delete;

  // The header frame, the token loop over the include text (when given)
  // and then the source text (both kept alive by the caller while the
  // result is used). Touches no file.
  void Run(std::optional<std::string_view> include, std::string_view source);

  // Slots looked at and texts held by the duplicate checks of the last
  // part: the checks' cost, which stays in proportion to the pins.
  std::size_t PinProbes() const { return PinIndex.Probes(); }
  std::size_t PinsHeld() const { return PinIndex.Size(); }
  std::size_t PortNameProbes() const { return PortNameIndex.Probes(); }
  std::size_t PortNamesHeld() const { return PortNameIndex.Size(); }

private:
  using THandler = void (TPartPass::*)();

  // Diagnostics and shared steps.
  // An error at the current token (with the second line of a two-line
  // message); the pass ends after it.
  void Report(std::string_view message, std::string_view secondLine = {});
  bool WrongContext(TContext required);
  bool SkipEmpty();
  // Skips end-of-line tokens and "//" comments; true after reporting the
  // end of the input (only used inside a ports block).
  bool SkipEmptyInPorts();
  int GetInteger(bool allowPlus, bool allowMinus);
  void CopyEolComment(std::string& out);

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
  bool ReadBound(int& bound);
  // The next token of a port's brackets; false after reporting the end of
  // the input there.
  bool NextInBrackets();

  // Class text of the current part.
  void WriteClass();
  void WritePortMember(TTextCursor& c, const TPortDescr& port, std::size_t width);
  void WritePortRegistration(TTextCursor& c, const TPortDescr& port);
  // The bounds of a bus in the order they are written (SwapRange applied).
  std::pair<int, int> WrittenRange(const TPortDescr& port) const;

  void SetUpIA();
  void AddToken(const char* text, bool caseSensitive, bool wholeWord, THandler handler);
  void WriteFrame();
  void RunTokenLoop(std::string_view source);
  bool InputShrunk() const;

  const TPartOptions& Options;
  TPartResult& Result;
  TOutText& Out; // the header, Result.Text
  TInputAssistant IA;
  std::vector<THandler> Handlers; // parallel to IA's keyword table

  bool ErrorFlag = false;
  bool IncludeActive = false;
  int SourceLineBase = 0; // the lines the include file took before the source's first
  bool Done = false;
  std::string& PinLineBuffer; // where each pin line is put together
  TContext Context = ctOutside;
  std::optional<TPortKind> PortKind; // none outside a ports block
  TPortDescr CurPort;
  int EndTokenType = 0;
  std::string PartName;
  std::string Footprint;
  std::string RefPrefix;
  int PinCount = -1;
  std::vector<TPortDescr> Ports;
  std::string PartLines;
  std::string RegisterLines;
  std::string ConstructorLines;
  std::string BaseClass = "public TPart";
  std::string PartPrefix = "QV_";
  std::string PartNameComment;
  std::string FootprintComment;
  std::string RefPrefixComment;

  // Indexes, so each duplicate check is one lookup (in the pass's memory).
  std::unordered_set<std::string, TTextHash>& PartNameIndex;
  TTextSet& PortNameIndex;
  TTextSet& PinIndex; // the part's pins, in order
};
