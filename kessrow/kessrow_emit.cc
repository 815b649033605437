// "$ENDPART": the pin count check and the class text of the part.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "kessrow/kessrow_messages.h"
#include "kessrow/kessrow_spec.h"

using namespace kessrow_msg;

namespace {
// Member type text of a port kind, seven characters wide.
const char* PortTypeText(TPortKind kind) {
  switch (kind) {
  case TPortKind::Port:
    return "port   ";
  case TPortKind::IPort:
    return "iport  ";
  case TPortKind::OPort:
    return "oport  ";
  case TPortKind::IOPort:
    return "ioport ";
  }
  return "port   "; // not reached: every kind is listed above
}

// The registration line of a port that is not a bus.
void AppendRegLine(TOutText& out, std::string_view name) {
  out += "\n    reg(  ";
  out += name;
  out += " );";
}

std::string Quoted(std::string_view text) {
  std::string q = "\"";
  q += text;
  q += '"';
  return q;
}

// Appends the decimal digits of value, without a temporary string.
void AppendNumber(TOutText& out, std::int64_t value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, static_cast<std::size_t>(end - digits));
}

// The pin lines of one port. Their common start (line break, indent, port
// name, call) is put into a buffer once; each line is put together in the
// output's own room, from that start and the pin's parts.
struct TPinLines {
  std::string& Buffer; // kept from port to port, so that it is allocated once
  std::size_t Lead;

  TPinLines(std::string& buffer, std::string_view name, std::string_view call) : Buffer(buffer) {
    Buffer = "\n          ";
    Buffer += name;
    Buffer += call;
    Lead = Buffer.size();
  }

  // bit: the bus bit the pin belongs to, written before it when given.
  void Add(TOutText& out, const std::int64_t* bit, std::string_view pin) {
    const std::size_t numberRoom = 24;
    char* start = out.MakeRoom(Lead + numberRoom + 2 + 1 + pin.size() + 4);
    std::memcpy(start, Buffer.data(), Lead);
    char* p = start + Lead;
    if (bit) {
      p = std::to_chars(p, p + numberRoom, *bit).ptr;
      *p++ = ',';
      *p++ = ' ';
    }
    *p++ = '"';
    std::memcpy(p, pin.data(), pin.size());
    p += pin.size();
    std::memcpy(p, "\" );", 4);
    p += 4;
    out.CommitRoom(static_cast<std::size_t>(p - start));
  }
};
} // namespace

void TKessrow::Tok_ENDPART() {
  if (WrongContext(ctPart)) return;
  if (PinCount == -1) return Report(kNoPinCount);
  std::size_t n = PartPinCount;
  if (static_cast<std::int64_t>(PinCount) != static_cast<std::int64_t>(n))
    return Report(PinCountMismatch(n, PinCount));
  WriteClass();
  IA->NextToken();
  Context = ctOutside;
}

void TKessrow::WriteClass() {
  TOutText& out = *Out;
  out += "\nclass " + PartName + " : " + BaseClass + " {";
  if (!PartNameComment.empty()) out += "     " + PartNameComment;
  out += "\n\npublic:";

  std::size_t width = 0;
  for (const TPortDescr& port : Ports) width = std::max(width, port.PortName.size());
  for (const TPortDescr& port : Ports) WritePortMember(port, width);
  if (!PartLines.empty()) out += "\n" + PartLines;

  out += "\n\n  " + PartName + "() {";
  out += "\n    SetPackage( " + Quoted(Footprint) + ", " + std::to_string(PinCount) + " );";
  if (!FootprintComment.empty()) out += "     " + FootprintComment;
  out += "\n    SetReferencePrefix( " + Quoted(RefPrefix) + " );";
  if (!RefPrefixComment.empty()) out += "     " + RefPrefixComment;
  if (!ConstructorLines.empty()) out += "\n" + ConstructorLines;
  out += "\n  }";

  out += "\n\n  virtual void Register() {";
  for (const TPortDescr& port : Ports) WritePortRegistration(port);
  if (!RegisterLines.empty()) out += "\n" + RegisterLines;
  out += "\n  }";
  out += "\n};\n";
}

std::pair<int, int> TKessrow::WrittenRange(const TPortDescr& port) const {
  if (SwapRange(port)) return {port.PortRangeR, port.PortRangeL};
  return {port.PortRangeL, port.PortRangeR};
}

// One member line: type, name, alignment, then the bus or count comment and
// the port's own comment.
void TKessrow::WritePortMember(const TPortDescr& port, std::size_t width) {
  TOutText& out = *Out;
  out += "\n  ";
  out += PortTypeText(port.PortType);
  out += port.PortName;
  out += ';';
  out.append(width - port.PortName.size() + 5, ' ');
  std::string_view gap = port.PortComment.empty() ? "" : "  ";
  if (port.Form == TPortForm::Bus) {
    auto [a, b] = WrittenRange(port);
    out += "// TOLVANE_BUS(" + std::to_string(a) + "," + std::to_string(b) + ")";
    out += gap;
  } else if (port.Form == TPortForm::Counted) {
    out += "// " + std::to_string(port.PortRangeL) + " pins";
    out += gap;
  }
  out += port.PortComment;
}

// The registration call of one port and the lines that give it its pins,
// one line per pin, each appended whole (TPinLines), as a part may have tens
// of thousands of them.
void TKessrow::WritePortRegistration(const TPortDescr& port) {
  TOutText& out = *Out;
  const std::string& name = port.PortName;
  switch (port.Form) {
  case TPortForm::Bus: {
    auto [first, second] = WrittenRange(port);
    out += "\n    regb( ";
    out += name;
    out += ", ";
    AppendNumber(out, first);
    out += ", ";
    AppendNumber(out, second);
    out += " );";
    // Pin k always belongs to bit left + k * step; swapping only reverses
    // the order of the lines.
    bool swap = SwapRange(port);
    std::int64_t left = port.PortRangeL;
    std::int64_t step = port.PortRangeL >= port.PortRangeR ? -1 : 1;
    std::size_t count = port.PinTotal;
    TPinLines lines(PinLineBuffer, name, ".AddPin( ");
    for (std::size_t i = 0; i < count; ++i) {
      std::size_t k = swap ? count - 1 - i : i;
      std::int64_t bit = left + static_cast<std::int64_t>(k) * step;
      lines.Add(out, &bit, PinIndex.At(port.FirstPin + k));
    }
    return;
  }
  case TPortForm::Counted: {
    AppendRegLine(out, name);
    TPinLines lines(PinLineBuffer, name, ".AddPin( ");
    for (std::size_t k = 0; k < port.PinTotal; ++k) lines.Add(out, nullptr, PinIndex.At(port.FirstPin + k));
    return;
  }
  case TPortForm::SinglePin:
    AppendRegLine(out, name);
    TPinLines(PinLineBuffer, name, ".SetPin( ").Add(out, nullptr, PinIndex.At(port.FirstPin));
    return;
  }
}
