#include "regkit/lsp/framing.h"

#include <charconv>
#include <new>

namespace {

const std::string_view kLengthField = "content-length:"; // field names are matched in any case
// A header line is kept up to this many bytes; of a longer one (the body of
// a message whose header was lost) only the last kKeptTail bytes, where a
// header field that follows it may stand.
const std::size_t kMaxLine = 4096;
const std::size_t kKeptTail = 256;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The value of a Content-Length field; false unless it is a decimal number.
bool ParseLength(std::string_view value, std::size_t& length) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
  return !value.empty() && error == std::errc() && end == value.data() + value.size();
}

} // namespace

// A line ended by CR LF (or a lone LF), without its end; false at the end
// of the input.
bool TFraming::ReadLine(std::string& line) {
  line.clear();
  std::streambuf& in = *In.rdbuf();
  for (;;) {
    int c = in.sbumpc();
    if (c == std::streambuf::traits_type::eof()) return false;
    if (c == '\n') break;
    line += static_cast<char>(c);
    if (line.size() > kMaxLine) line.erase(0, line.size() - kKeptTail);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool TFraming::Skip(std::size_t n) {
  char buffer[65536];
  while (n > 0) {
    std::streamsize chunk = static_cast<std::streamsize>(std::min(n, sizeof buffer));
    std::streamsize got = In.rdbuf()->sgetn(buffer, chunk);
    if (got <= 0) return false;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

TFraming::TRead TFraming::Read(std::string& body) {
  std::string line;
  bool anyField = false, valid = false;
  Length = 0;
  for (;;) {
    if (!ReadLine(line)) return TRead::End;
    if (line.empty()) {
      if (anyField) break;
      continue; // empty lines between messages
    }
    anyField = true;
    // Bytes before a Content-Length field in the same line are the rest of
    // a message that was lost: the header starts at the field.
    std::size_t at = Lowered(line).find(kLengthField);
    if (at != std::string::npos) {
      valid = ParseLength(std::string_view(line).substr(at + kLengthField.size()), Length);
      if (!valid) Length = 0;
    }
  }
  if (!valid) return TRead::Malformed;
  if (Length > MaxMessage) return Skip(Length) ? TRead::TooLong : TRead::End;
  try {
    body.resize(Length);
  } catch (const std::bad_alloc&) {
    return Skip(Length) ? TRead::NoMemory : TRead::End;
  }
  std::streamsize got = In.rdbuf()->sgetn(body.data(), static_cast<std::streamsize>(Length));
  if (got != static_cast<std::streamsize>(Length)) return TRead::End;
  return TRead::Message;
}

bool TFraming::Write(std::string_view body) {
  Out << "Content-Length: " << body.size() << "\r\n\r\n";
  Out.write(body.data(), static_cast<std::streamsize>(body.size()));
  Out.flush();
  return static_cast<bool>(Out);
}
