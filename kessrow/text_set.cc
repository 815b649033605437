#include "kessrow/text_set.h"

#include <algorithm>
#include <cstring>

#include "framework/text_hash.h"

namespace {
const std::size_t kFirstSize = 64;
// Entries fewer than the slots by this factor are cleared one by one;
// more, and the whole table is cleared at once.
const std::size_t kSparse = 8;
} // namespace

std::uint64_t TTextSet::RunHash(std::string_view text) { return TTextHash()(text); }

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
  if (Entries.empty()) return false;
  return Table[Find(text, HashFn(text))] != 0;
}

bool TTextSet::Insert(std::string_view text) {
  if ((Entries.size() + 1) * 2 > Table.size()) Rehash(std::max(kFirstSize, Table.size() * 2));
  std::uint64_t hash = HashFn(text);
  std::size_t at = Find(text, hash);
  if (Table[at] != 0) return false;
  Entries.push_back({text, at});
  Table[at] = Tag(hash) | Entries.size();
  return true;
}

void TTextSet::Clear() {
  if (Entries.size() * kSparse >= Table.size()) {
    std::fill_n(Table.data(), Table.size(), TSlot{0});
  } else {
    for (const TEntry& entry : Entries) Table[entry.Slot] = 0;
  }
  Entries.clear();
}

void TTextSet::Reserve(std::size_t count) {
  std::size_t size = std::max(kFirstSize, Table.size());
  while (count * 2 > size) size *= 2;
  if (size > Table.size()) Rehash(size);
  Entries.reserve(count);
}

void TTextSet::Rehash(std::size_t size) {
  // A part of 100,000 pins would otherwise spend much of its time in the
  // page faults of clearing the fresh table (THugeAllocator).
  std::vector<TSlot, THugeAllocator<TSlot>>(size, TSlot{0}).swap(Table);
  std::size_t mask = size - 1;
  for (std::size_t k = 0; k < Entries.size(); ++k) {
    std::uint64_t hash = HashFn(Entries[k].Text);
    std::size_t i = hash & mask;
    while (Table[i] != 0) i = (i + 1) & mask;
    Table[i] = Tag(hash) | (k + 1);
    Entries[k].Slot = i;
  }
}
