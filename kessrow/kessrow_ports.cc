// The ports block: its keywords, the port declaration grammar, the pin
// bookkeeping of the part and the order in which bus ranges are written.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "kessrow/kessrow_messages.h"
#include "kessrow/kessrow_spec.h"

using namespace kessrow_msg;

void TKessrow::GoToPorts(TPortKind kind) {
  if (Context != ctPorts && WrongContext(ctPart)) return;
  Context = ctPorts;
  PortKind = kind;
  IA->NextToken();
}

void TKessrow::Tok_ENDPORTS() {
  if (WrongContext(ctPorts)) return;
  Context = ctPart;
  PortKind.reset();
  IA->NextToken();
}

void TKessrow::ClearPorts() {
  Ports.clear();
  PortNameIndex.Clear();
  PartPinCount = 0;
  PinIndex.Clear();
}

bool TKessrow::SkipEmptyInPorts() {
  while (SkipEmpty()) {
  }
  if (!IA->EndOfInput) return false;
  Report(kEofInPorts);
  return true;
}

// Reads declarations up to the next keyword; a declaration may run over
// several lines, with "//" comments between its tokens.
void TKessrow::HandlePorts() {
  for (;;) {
    if (SkipEmptyInPorts()) return;
    if (IA->Token.starts_with('$')) {
      // A keyword is the token loop's; a lone "$" (a misspelled keyword)
      // would otherwise come straight back here for ever.
      if (IA->TokenType < ttFirstKeyword) Report(kUnexpected);
      return;
    }
    std::string_view name = IA->Token; // a view of the input text
    if (!IsValidC_Identifier(name, false)) {
      Report(kBadPortName, kLegalChars);
      return;
    }
    if (PortNameIndex.Contains(name)) {
      Report(DuplicatePortName(name));
      return;
    }
    CurPort = TPortDescr{};
    CurPort.PortName = name;
    CurPort.PortType = PortKind.value_or(TPortKind::Port); // always set in a ports block
    CopyEolComment(CurPort.PortComment);

    IA->NextToken();
    if (SkipEmptyInPorts()) return;
    std::int64_t count = 1; // wide enough for [0:2147483647]
    CurPort.Form = TPortForm::SinglePin;
    if (IA->Token == "[") {
      // Line ends inside the brackets are not skipped: one where a number
      // stands reads as 0, one where "]" or ":" stands is a wrong token.
      IA->NextToken();
      if (IA->EndOfInput) return Report(kEofInPorts);
      CurPort.PortRangeL = GetInteger(false, false);
      if (ErrorFlag) return;
      IA->NextToken();
      if (IA->EndOfInput) return Report(kEofInPorts);
      if (IA->Token == "]") {
        CurPort.Form = TPortForm::Counted;
        count = CurPort.PortRangeL;
        if (count <= 0) return Report(kNoPins);
        IA->NextToken();
      } else if (IA->Token != ":") {
        return Report(kBadBracket);
      } else {
        IA->NextToken();
        if (IA->EndOfInput) return Report(kEofInPorts);
        CurPort.Form = TPortForm::Bus;
        CurPort.PortRangeR = GetInteger(false, false);
        if (ErrorFlag) return;
        IA->NextToken();
        if (IA->EndOfInput) return Report(kEofInPorts);
        if (IA->Token != "]") return Report(kNoCloseBracket);
        IA->NextToken();
        count = std::llabs(static_cast<std::int64_t>(CurPort.PortRangeL) - CurPort.PortRangeR) + 1;
      }
    }
    // Room for the pins, but never more than a sane part has: the count may
    // be any number the input gives.
    CurPort.Pins.reserve(static_cast<std::size_t>(std::min<std::int64_t>(count, 4096)));
    for (std::int64_t i = 0; i < count; ++i) {
      if (SkipEmptyInPorts()) return;
      if (IA->Token == ";") return Report(TooFewPins(count, CurPort.PortName));
      if (PushPin()) return;
    }
    if (SkipEmptyInPorts()) return;
    if (IA->Token != ";") return Report(TooManyPins(count, CurPort.PortName), kNoSemicolon);
    IA->NextToken();
    PortNameIndex.Insert(name);
    Ports.push_back(std::move(CurPort));
  }
}

bool TKessrow::PushPin() {
  // One lookup both checks and records the pin.
  if (!PinIndex.Insert(IA->Token)) {
    Report(kDuplicatePin);
    return true;
  }
  CurPort.Pins.push_back(IA->Token);
  ++PartPinCount;
  IA->NextToken();
  return false;
}

// Whether a bus is written in the order opposite to its declaration: -L
// forces low:high, -N keeps the declared order, the default is high:low.
bool TKessrow::SwapRange(const TPortDescr& port) const {
  if (Flag('L')) return port.PortRangeL > port.PortRangeR;
  if (Flag('N')) return false;
  return port.PortRangeL < port.PortRangeR;
}
