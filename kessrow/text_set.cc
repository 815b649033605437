#include "kessrow/text_set.h"

#include <algorithm>
#include <cstring>

#include "framework/text/text_hash.h"

namespace {
const std::size_t kFirstSize = 64;
// Entries fewer than the slots by this factor are cleared one by one;
// more, and the whole table is cleared at once.
const std::size_t kSparse = 8;
// Digits of the largest number below TTextSet::kNumberLimit.
const std::size_t kNumberDigits = 6;
} // namespace

std::uint64_t TTextSet::RunHash(std::string_view text) { return TTextHash()(text); }

namespace {
// The value of a number without a leading zero of at most kNumberDigits
// digits, or TTextSet::kNotNumber.
std::uint32_t PlainNumber(std::string_view text) {
  if (text.empty() || text.size() > kNumberDigits || (text[0] == '0' && text.size() > 1))
    return TTextSet::kNotNumber;
  std::uint32_t value = 0;
  for (char c : text) {
    auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(c) - '0');
    if (digit > 9) return TTextSet::kNotNumber;
    value = value * 10 + digit;
  }
  return value;
}

// 0 to 25 for 'A' to 'Z', 26 to 51 for 'a' to 'z', else -1.
int LetterIndex(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return 26 + (c - 'a');
  return -1;
}
} // namespace

std::uint32_t TTextSet::BitmapNumber(std::string_view text) {
  if (!text.empty() && LetterIndex(text[0]) >= 0) {
    std::uint32_t value = PlainNumber(text.substr(1));
    if (value == kNotNumber || value >= kLetteredLimit) return kNotNumber;
    return kNumberLimit + static_cast<std::uint32_t>(LetterIndex(text[0])) * kLetteredLimit + value;
  }
  std::uint32_t value = PlainNumber(text);
  return value < kNumberLimit ? value : kNotNumber;
}

std::size_t TTextSet::Find(std::string_view text, std::uint64_t hash) const {
  std::size_t mask = Table.size() - 1;
  std::uint64_t tag = Tag(hash);
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    ++ProbeCount;
    TSlot slot = Table[i];
    if (slot == 0) return i;
    if (Tag(slot) == tag && Entries[(slot & 0xffffffff) - 1].Text == text) return i;
  }
}

bool TTextSet::Contains(std::string_view text) const {
  std::uint32_t number = BitmapNumber(text);
  if (number != kNotNumber) return HasNumber(number);
  if (Hashed == 0) return false;
  return Table[Find(text, HashFn(text))] != 0;
}

bool TTextSet::InsertNumber(std::string_view text, std::uint32_t number) {
  if (Bits.empty()) Bits.assign(kBitCount / 64, 0);
  std::uint64_t& word = Bits[number / 64];
  std::uint64_t bit = std::uint64_t{1} << (number % 64);
  if (word & bit) return false;
  word |= bit;
  Entries.push_back({text, kNumberMark | number});
  return true;
}

bool TTextSet::Insert(std::string_view text) {
  std::uint32_t number = BitmapNumber(text);
  if (number != kNotNumber) return InsertNumber(text, number);
  if ((Hashed + 1) * 2 > Table.size()) Grow();
  std::uint64_t hash = HashFn(text);
  std::size_t at = Find(text, hash);
  if (Table[at] != 0) return false;
  Entries.push_back({text, at});
  ++Hashed;
  Table[at] = Tag(hash) | Entries.size();
  return true;
}

void TTextSet::Clear() {
  bool dense = Hashed * kSparse >= Table.size();
  if (dense && Hashed != 0) std::fill_n(Table.data(), Table.size(), TSlot{0});
  if (!dense || Hashed != Entries.size()) {
    for (const TEntry& entry : Entries) {
      if (entry.Slot & kNumberMark)
        Bits[(entry.Slot & ~kNumberMark) / 64] = 0; // every bit of the word belongs to this part
      else if (!dense)
        Table[entry.Slot] = 0;
    }
  }
  Entries.clear();
  Hashed = 0;
}

void TTextSet::Reserve(std::size_t count) {
  Reserved = count;
  Entries.reserve(count);
}

void TTextSet::Grow() {
  // The numbers held so far will not need slots.
  std::size_t numbers = Entries.size() - Hashed;
  std::size_t want = std::max(Hashed + 1, Reserved > numbers ? Reserved - numbers : 0);
  std::size_t size = std::max(kFirstSize, Table.size() * 2);
  while (want * 2 > size) size *= 2;
  Rehash(size);
}

void TTextSet::Rehash(std::size_t size) {
  // A part of 100,000 pins would otherwise spend much of its time in the
  // page faults of clearing the fresh table (THugeAllocator).
  std::vector<TSlot, THugeAllocator<TSlot>>(size, TSlot{0}).swap(Table);
  std::size_t mask = size - 1;
  for (std::size_t k = 0; k < Entries.size(); ++k) {
    if (Entries[k].Slot & kNumberMark) continue;
    std::uint64_t hash = HashFn(Entries[k].Text);
    std::size_t i = hash & mask;
    while (Table[i] != 0) i = (i + 1) & mask;
    Table[i] = Tag(hash) | (k + 1);
    Entries[k].Slot = i;
  }
}
