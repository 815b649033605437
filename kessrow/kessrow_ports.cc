// The ports block: its keywords, the port declaration grammar, the pin
// bookkeeping of the part and the order in which bus ranges are written.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "framework/text/names.h"
#include "kessrow/kessrow_messages.h"
#include "kessrow/part_pass.h"

using namespace kessrow_msg;

void TPartPass::GoToPorts(TPortKind kind) {
  if (Context != ctPorts && WrongContext(ctPart)) return;
  Context = ctPorts;
  PortKind = kind;
  IA.NextToken();
}

void TPartPass::Tok_ENDPORTS() {
  if (WrongContext(ctPorts)) return;
  Context = ctPart;
  PortKind.reset();
  IA.NextToken();
}

void TPartPass::ClearPorts() {
  Ports.clear();
  PortNameIndex.Clear();
  PinIndex.Clear();
}

bool TPartPass::SkipEmptyInPorts() {
  // The end is tested after every single skip: one more skip past it would
  // read another (empty) line and count it in the report's line number.
  while (!IA.EndOfInput && SkipEmpty()) {
  }
  if (!IA.EndOfInput) return false;
  Report(kEofInPorts);
  return true;
}

// Reads declarations up to the next keyword; a declaration may run over
// several lines, with "//" comments between its tokens. Each piece reports
// what is wrong with its part of a declaration and sets ErrorFlag.
void TPartPass::HandlePorts() {
  for (;;) {
    if (SkipEmptyInPorts()) return;
    if (IA.Token.starts_with('$')) {
      // A keyword is the token loop's; a lone "$" (a misspelled keyword)
      // would otherwise come straight back here for ever.
      if (IA.TokenType < ttFirstKeyword) Report(kUnexpected);
      return;
    }
    std::string_view name = IA.Token; // a view of the input text
    StartPort(name);
    if (ErrorFlag) return;
    IA.NextToken();
    if (SkipEmptyInPorts()) return;
    std::int64_t count = ReadPortRange();
    if (ErrorFlag) return;
    ReadPortPins(count);
    if (ErrorFlag) return;
    PortNameIndex.Insert(name);
    Ports.push_back(std::move(CurPort));
  }
}

// Checks the port's name and starts CurPort with it.
void TPartPass::StartPort(std::string_view name) {
  if (!IsCIdentifier(name, false)) return Report(kBadPortName, kLegalChars);
  if (PortNameIndex.Contains(name)) return Report(DuplicatePortName(name));
  CurPort = TPortDescr{};
  CurPort.PortName = name;
  CurPort.PortType = PortKind.value_or(TPortKind::Port); // always set in a ports block
  CopyEolComment(CurPort.PortComment);
}

// The form of the port from the brackets after its name, if any; returns
// the number of pins it declares (wide enough for [0:2147483647]).
std::int64_t TPartPass::ReadPortRange() {
  CurPort.Form = TPortForm::SinglePin;
  if (IA.Token != "[") return 1;
  // Line ends inside the brackets are not skipped: one where a number
  // stands reads as 0, one where "]" or ":" stands is a wrong token.
  if (!ReadBound(CurPort.PortRangeL)) return 0;
  if (IA.Token == "]") {
    CurPort.Form = TPortForm::Counted;
    if (CurPort.PortRangeL <= 0) {
      Report(kNoPins);
      return 0;
    }
    IA.NextToken();
    return CurPort.PortRangeL;
  }
  if (IA.Token != ":") {
    Report(kBadBracket);
    return 0;
  }
  CurPort.Form = TPortForm::Bus;
  if (!ReadBound(CurPort.PortRangeR)) return 0;
  if (IA.Token != "]") {
    Report(kNoCloseBracket);
    return 0;
  }
  IA.NextToken();
  return std::llabs(static_cast<std::int64_t>(CurPort.PortRangeL) - CurPort.PortRangeR) + 1;
}

// The number after "[" or ":", and the token after it made current; false
// after a report (also at the end of the input).
bool TPartPass::ReadBound(int& bound) {
  if (!NextInBrackets()) return false;
  bound = GetInteger(false, false);
  return !ErrorFlag && NextInBrackets();
}

bool TPartPass::NextInBrackets() {
  IA.NextToken();
  if (!IA.EndOfInput) return true;
  Report(kEofInPorts);
  return false;
}

// The count pins of CurPort and the ";" after them.
void TPartPass::ReadPortPins(std::int64_t count) {
  CurPort.FirstPin = PinIndex.Size();
  for (std::int64_t i = 0; i < count; ++i) {
    if (SkipEmptyInPorts()) return;
    if (IA.Token == ";") return Report(TooFewPins(count, CurPort.PortName));
    if (PushPin()) return;
  }
  if (SkipEmptyInPorts()) return;
  if (IA.Token != ";") return Report(TooManyPins(count, CurPort.PortName), kNoSemicolon);
  IA.NextToken();
}

bool TPartPass::PushPin() {
  // One lookup both checks and records the pin (the pin set keeps the
  // part's pins in order, which is where the port's pins are read from).
  if (!PinIndex.Insert(IA.Token)) {
    Report(kDuplicatePin);
    return true;
  }
  ++CurPort.PinTotal;
  IA.NextToken();
  return false;
}

// Whether a bus is written in the order opposite to its declaration: -L
// forces low:high, -N keeps the declared order, the default is high:low.
bool TPartPass::SwapRange(const TPortDescr& port) const {
  switch (Options.RangeOrder) {
  case TPartOptions::TRangeOrder::LowHigh:
    return port.PortRangeL > port.PortRangeR;
  case TPartOptions::TRangeOrder::AsDeclared:
    return false;
  case TPartOptions::TRangeOrder::HighLow:
    break;
  }
  return port.PortRangeL < port.PortRangeR;
}
