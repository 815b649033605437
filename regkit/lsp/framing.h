// The base protocol's framing of JSON-RPC messages on a byte stream: each
// message is a header (fields "Name: value" ended by CR LF, then an empty
// line) with its Content-Length, and that many bytes of JSON.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

class TFraming {
public:
  enum class TRead {
    Message,   // body holds the next message
    Malformed, // a header without a valid Content-Length: passed over
    TooLong,   // a message over the limit: its bytes passed over
    NoMemory,  // a message there was no memory to read: its bytes passed over
    End,       // the input ended
  };
  // The longest message taken; a longer one is passed over unread.
  static constexpr std::size_t kMaxMessage = std::size_t{64} << 20;

  TFraming(std::istream& in, std::ostream& out, std::size_t maxMessage = kMaxMessage)
      : In(in), Out(out), MaxMessage(maxMessage) {}

  // Reads the next message. After a malformed header the reader finds its
  // way back at the next "Content-Length:" field. Length: the length the
  // header gave (for TooLong and NoMemory).
  TRead Read(std::string& body);
  std::size_t Length = 0;
  // The longest message taken.
  std::size_t Limit() const { return MaxMessage; }
  // Writes body as one message and flushes it; false when out failed.
  bool Write(std::string_view body);

private:
  bool ReadLine(std::string& line);
  bool Skip(std::size_t n);

  std::istream& In;
  std::ostream& Out;
  std::size_t MaxMessage;
};
