// Made text written straight into the room of a TOutText: the cursor takes
// room a batch at a time and hands what it wrote back in one piece, so a
// line costs a few stores instead of an append per field. While a cursor
// writes, nothing else may be appended to its text.
#pragma once

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "framework/text/out_text.h"

class TTextCursor {
public:
  explicit TTextCursor(TOutText& out) : Out(out) {}
  TTextCursor(const TTextCursor&) = delete;
  TTextCursor& operator=(const TTextCursor&) = delete;

  // Makes sure n more bytes can be put before the next Need.
  void Need(std::size_t n) {
    if (static_cast<std::size_t>(End - Cur) < n) Refill(n);
  }
  // The place where the next byte goes (after Need), and where it went:
  // never past the room that Need made.
  char* At() const { return Cur; }
  void MoveTo(char* p) {
    assert(p >= Cur && p <= End);
    Cur = p;
  }

  // Puts bytes; each needs the room for what it puts.
  void Put(std::string_view text) {
    assert(Room() >= text.size());
    Cur = Copy(Cur, text.data(), text.size());
  }
  void PutSpaces(std::size_t n) {
    assert(Room() >= n);
    std::memset(Cur, ' ', n);
    Cur += n;
  }
  // Needs the room for text and puts it.
  void Write(std::string_view text) {
    Need(text.size());
    Put(text);
  }

  // Hands what was put to the text; the cursor may be used again after.
  void Finish() {
    if (Cur != Start) Out.CommitRoom(static_cast<std::size_t>(Cur - Start));
    Start = Cur = End = nullptr;
  }

  // Bytes a number may take.
  static constexpr std::size_t kNumberRoom = 24;

  // Copies n bytes to d and returns the end: short texts (most names and
  // pins) without a call, by two overlapping loads and stores.
  static char* Copy(char* d, const char* s, std::size_t n) {
    if (n > 16) {
      std::memcpy(d, s, n);
    } else if (n >= 8) {
      CopyTwo<std::uint64_t>(d, s, n);
    } else if (n >= 4) {
      CopyTwo<std::uint32_t>(d, s, n);
    } else if (n > 0) {
      d[0] = s[0];
      d[n / 2] = s[n / 2];
      d[n - 1] = s[n - 1];
    }
    return d + n;
  }

private:
  std::size_t Room() const { return static_cast<std::size_t>(End - Cur); }

  // The room taken at once: lines are short, and a batch this size leaves
  // little of a chunk unused when the next one is needed.
  static constexpr std::size_t kBatch = std::size_t{8} << 10;

  template <typename TWord> static void CopyTwo(char* d, const char* s, std::size_t n) {
    TWord a, b;
    std::memcpy(&a, s, sizeof a);
    std::memcpy(&b, s + n - sizeof b, sizeof b);
    std::memcpy(d, &a, sizeof a);
    std::memcpy(d + n - sizeof b, &b, sizeof b);
  }

  void Refill(std::size_t n) {
    Finish();
    std::size_t size = std::max(n, kBatch);
    Start = Cur = Out.MakeRoom(size);
    End = Start + size;
  }

  TOutText& Out;
  char* Start = nullptr; // the room's first byte not yet handed over
  char* Cur = nullptr;
  char* End = nullptr;
};
