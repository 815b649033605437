// A set of texts for the duplicate checks of a part: open addressing over
// views, so that adding a text allocates nothing once the set has room, and
// emptying it costs in proportion to what it held, not to its room. The
// viewed characters must outlive their entries (the pass keeps its input
// texts alive). The texts come from the input, so they are hashed with the
// run's key: names chosen to collide cannot make the probes long. Texts
// that are plain decimal numbers, or one letter and such a number (most
// pins: "7", "P7", ball names like "A12"), are not hashed at all: each such
// text stands for exactly one bit of a bitmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "kessrow/huge_allocator.h"

class TTextSet {
public:
  using THashFunction = std::uint64_t (*)(std::string_view);

  // hash: the run's keyed hash unless a test gives its own.
  explicit TTextSet(THashFunction hash = RunHash) : HashFn(hash) {}
  bool Contains(std::string_view text) const;
  // Adds text; false when it was there already.
  bool Insert(std::string_view text);
  void Clear();
  // Makes room for count texts in all, so that adding them grows nothing
  // (the hash table is made when the first text that needs it comes: the
  // texts may all be numbers).
  void Reserve(std::size_t count);
  std::size_t Size() const { return Entries.size(); }
  // The texts in the order they were added since the last clear.
  std::string_view At(std::size_t index) const { return Entries[index].Text; }
  // Slots of the hash table examined by all lookups so far: about one or
  // two a lookup while the texts spread well, which tests check instead of
  // timing the set. Numbers in the bitmap examine none.
  std::size_t Probes() const { return ProbeCount; }

  // Numbers below this are kept in the bitmap (16 KB); a pin count is at
  // most 99,999, so the pins of most parts fit.
  static constexpr std::uint32_t kNumberLimit = std::uint32_t{1} << 17;
  // A letter with a number below this has a bit too (52 x 512 bytes).
  static constexpr std::uint32_t kLetteredLimit = std::uint32_t{1} << 12;
  static constexpr std::uint32_t kBitCount = kNumberLimit + 52 * kLetteredLimit;
  // The bit a text stands for when it has one: a number (digits only, no
  // leading zero, so "07" and "7" stay different texts) below kNumberLimit
  // is its own bit; an ASCII letter and a number below kLetteredLimit one
  // bit of that letter's range; else kNotNumber.
  static constexpr std::uint32_t kNotNumber = ~std::uint32_t{0};
  static std::uint32_t BitmapNumber(std::string_view text);

private:
  // A slot is 0 when empty, else the entry's index + 1 in its low half and
  // the high half of the text's hash (a tag that spares most comparisons
  // of texts) in its high half. Eight bytes a slot keep the table that the
  // lookups jump around in small: for a large part, its cache and page
  // misses are most of the set's cost.
  using TSlot = std::uint64_t;
  struct TEntry {
    std::string_view Text;
    // Where the entry is in the table, or its number with kNumberMark set.
    std::size_t Slot;
  };
  static constexpr std::size_t kNumberMark = std::size_t{1} << (sizeof(std::size_t) * 8 - 1);
  static std::uint64_t RunHash(std::string_view text);
  static std::uint64_t Tag(std::uint64_t hash) { return hash & ~std::uint64_t{0xffffffff}; }
  bool HasNumber(std::uint32_t number) const {
    return !Bits.empty() && (Bits[number / 64] >> (number % 64) & 1) != 0;
  }
  bool InsertNumber(std::string_view text, std::uint32_t number);
  // The slot that holds text, or the empty slot where it would go.
  std::size_t Find(std::string_view text, std::uint64_t hash) const;
  // Room in the table for one more text, and for the rest of those reserved.
  void Grow();
  // A table of size slots (a power of two) with every hashed entry in it.
  void Rehash(std::size_t size);

  THashFunction HashFn;
  std::vector<TSlot, THugeAllocator<TSlot>> Table; // a power of two in size, at most half used
  std::vector<TEntry, THugeAllocator<TEntry>> Entries;
  std::size_t Hashed = 0;          // entries in the table (the others are numbers)
  std::size_t Reserved = 0;        // texts the caller expects in all
  std::vector<std::uint64_t> Bits; // the numbers held, made on first use
  mutable std::size_t ProbeCount = 0;
};
