// "$ENDPART": the pin count check and the class text of the part.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string_view>

#include "kessrow/kessrow_messages.h"
#include "kessrow/part_pass.h"
#include "kessrow/text_cursor.h"

using namespace kessrow_msg;

namespace {
// Member type text of a port kind, seven characters wide.
std::string_view PortTypeText(TPortKind kind) {
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

// The bytes of texts together.
std::size_t SizeOf(std::span<const std::string_view> texts) {
  std::size_t n = 0;
  for (std::string_view text : texts) n += text.size();
  return n;
}

// Puts texts one after the other.
void WriteAll(TTextCursor& c, std::initializer_list<std::string_view> texts) {
  std::size_t n = 0;
  for (std::string_view text : texts) n += text.size();
  c.Need(n);
  for (std::string_view text : texts) c.Put(text);
}

// A line with a comment after it, when there is one.
void WriteCommented(TTextCursor& c, std::initializer_list<std::string_view> texts, std::string_view comment) {
  WriteAll(c, texts);
  if (!comment.empty()) WriteAll(c, {"     ", comment});
}

// A block of verbatim lines, on lines of its own.
void WriteBlock(TTextCursor& c, std::string_view block) {
  if (!block.empty()) WriteAll(c, {"\n", block});
}

// The registration line of a port that is not a bus.
void WriteRegLine(TTextCursor& c, std::string_view name) { WriteAll(c, {"\n    reg(  ", name, " );"}); }

// The pin lines of one port. Their common start (line break, indent, port
// name, call) is put together once, padded to whole blocks of 16 bytes that
// are copied as such; each line is then that start and the pin's parts.
class TPinLines {
public:
  TPinLines(std::string& buffer, std::string_view name, std::string_view call) : Buffer(buffer) {
    Buffer = "\n          ";
    Buffer += name;
    Buffer += call;
    Lead = Buffer.size();
    Buffer.resize((Lead + kBlock - 1) / kBlock * kBlock, ' ');
  }

  // bit: the bus bit the pin belongs to, written before it when given.
  void Add(TTextCursor& c, const std::int64_t* bit, std::string_view pin) {
    // The room is the sum of what is written below: the whole blocks of
    // the start, the bit at its longest, the pin in quotes.
    c.Need(Buffer.size() + (bit ? TTextCursor::kNumberRoom + sizeof kBitEnd - 1 : 0) + sizeof kPinOpen - 1 +
           pin.size() + sizeof kPinClose - 1);
    char* p = c.At();
    for (std::size_t i = 0; i < Buffer.size(); i += kBlock) std::memcpy(p + i, Buffer.data() + i, kBlock);
    p += Lead;
    if (bit) {
      p = std::to_chars(p, p + TTextCursor::kNumberRoom, *bit).ptr;
      p = Constant(p, kBitEnd);
    }
    p = Constant(p, kPinOpen);
    p = TTextCursor::Copy(p, pin.data(), pin.size());
    c.MoveTo(Constant(p, kPinClose));
  }

private:
  // Copies a text whose size the compiler knows, as a few stores.
  template <std::size_t N> static char* Constant(char* p, const char (&text)[N]) {
    std::memcpy(p, text, N - 1);
    return p + N - 1;
  }

  static constexpr std::size_t kBlock = 16;
  static constexpr char kBitEnd[] = ", ", kPinOpen[] = "\"", kPinClose[] = "\" );";
  std::string& Buffer; // kept from port to port, so that it is allocated once
  std::size_t Lead;    // bytes of the start; the rest of Buffer is padding
};

// Decimal digits of value (the cursor's numbers in a text of their own).
struct TDigits {
  char Text[TTextCursor::kNumberRoom];
  std::size_t Size;
  explicit TDigits(std::int64_t value)
      : Size(static_cast<std::size_t>(std::to_chars(Text, Text + sizeof Text, value).ptr - Text)) {}
  std::string_view View() const { return {Text, Size}; }
};
} // namespace

void TPartPass::Tok_ENDPART() {
  if (WrongContext(ctPart)) return;
  if (PinCount == -1) return Report(kNoPinCount);
  std::size_t n = PinIndex.Size(); // the part's pins
  if (static_cast<std::int64_t>(PinCount) != static_cast<std::int64_t>(n))
    return Report(PinCountMismatch(n, PinCount));
  WriteClass();
  IA.NextToken();
  Context = ctOutside;
}

void TPartPass::WriteClass() {
  TTextCursor c(Out);
  WriteCommented(c, {"\nclass ", PartName, " : ", BaseClass, " {"}, PartNameComment);
  WriteAll(c, {"\n\npublic:"});

  std::size_t width = 0;
  for (const TPortDescr& port : Ports) width = std::max(width, port.PortName.size());
  for (const TPortDescr& port : Ports) WritePortMember(c, port, width);
  WriteBlock(c, PartLines);

  WriteAll(c, {"\n\n  ", PartName, "() {"});
  WriteCommented(c, {"\n    SetPackage( \"", Footprint, "\", ", TDigits(PinCount).View(), " );"},
                 FootprintComment);
  WriteCommented(c, {"\n    SetReferencePrefix( \"", RefPrefix, "\" );"}, RefPrefixComment);
  WriteBlock(c, ConstructorLines);
  WriteAll(c, {"\n  }", "\n\n  virtual void Register() {"});
  for (const TPortDescr& port : Ports) WritePortRegistration(c, port);
  WriteBlock(c, RegisterLines);
  WriteAll(c, {"\n  }", "\n};\n"});
  c.Finish();
}

std::pair<int, int> TPartPass::WrittenRange(const TPortDescr& port) const {
  if (SwapRange(port)) return {port.PortRangeR, port.PortRangeL};
  return {port.PortRangeL, port.PortRangeR};
}

// One member line: type, name, alignment, then the bus or count comment and
// the port's own comment.
void TPartPass::WritePortMember(TTextCursor& c, const TPortDescr& port, std::size_t width) {
  const std::string& name = port.PortName;
  std::size_t pad = width - name.size() + 5;
  std::string_view gap = port.PortComment.empty() ? "" : "  ";
  auto [a, b] = port.Form == TPortForm::Bus ? WrittenRange(port) : std::pair{port.PortRangeL, 0};
  TDigits first(a), second(b);
  // The line is these texts, the blanks after the first of them, and the
  // room is measured on the same texts.
  const std::string_view head[] = {"\n  ", PortTypeText(port.PortType), name, ";"};
  const std::string_view bus[] = {"// TOLVANE_BUS(", first.View(), ",", second.View(), ")", gap,
                                  port.PortComment};
  const std::string_view counted[] = {"// ", first.View(), " pins", gap, port.PortComment};
  const std::string_view single[] = {port.PortComment};
  std::span<const std::string_view> tail = single;
  if (port.Form == TPortForm::Bus) tail = bus;
  if (port.Form == TPortForm::Counted) tail = counted;
  c.Need(SizeOf(head) + pad + SizeOf(tail));
  for (std::string_view text : head) c.Put(text);
  c.PutSpaces(pad);
  for (std::string_view text : tail) c.Put(text);
}

// The registration call of one port and the lines that give it its pins,
// one line per pin (TPinLines), as a part may have tens of thousands.
void TPartPass::WritePortRegistration(TTextCursor& c, const TPortDescr& port) {
  const std::string& name = port.PortName;
  switch (port.Form) {
  case TPortForm::Bus: {
    auto [first, second] = WrittenRange(port);
    WriteAll(c, {"\n    regb( ", name, ", ", TDigits(first).View(), ", ", TDigits(second).View(), " );"});
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
      lines.Add(c, &bit, PinIndex.At(port.FirstPin + k));
    }
    return;
  }
  case TPortForm::Counted: {
    WriteRegLine(c, name);
    TPinLines lines(PinLineBuffer, name, ".AddPin( ");
    for (std::size_t k = 0; k < port.PinTotal; ++k) lines.Add(c, nullptr, PinIndex.At(port.FirstPin + k));
    return;
  }
  case TPortForm::SinglePin:
    WriteRegLine(c, name);
    TPinLines(PinLineBuffer, name, ".SetPin( ").Add(c, nullptr, PinIndex.At(port.FirstPin));
    return;
  }
}
