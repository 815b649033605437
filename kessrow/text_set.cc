#include "kessrow/text_set.h"

#include "framework/huge_pages.h"
#include "framework/text_hash.h"

std::uint64_t TTextSet::RunHash(std::string_view text) { return TTextHash()(text); }

std::size_t TTextSet::Find(std::string_view text, std::uint64_t hash) const {
  std::size_t mask = Slots.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    ++ProbeCount;
    const TSlot& slot = Slots[i];
    if (slot.Generation != Generation) return i;
    if (slot.Hash == hash && slot.Text == text) return i;
  }
}

bool TTextSet::Contains(std::string_view text) const {
  if (Count == 0) return false;
  return Slots[Find(text, HashFn(text))].Generation == Generation;
}

bool TTextSet::Insert(std::string_view text) {
  if ((Count + 1) * 2 > Slots.size()) Grow();
  std::uint64_t hash = HashFn(text);
  TSlot& slot = Slots[Find(text, hash)];
  if (slot.Generation == Generation) return false;
  slot = {text, hash, Generation};
  ++Count;
  return true;
}

void TTextSet::Clear() {
  Count = 0;
  if (++Generation == 0) {
    // After 2^32 clears the numbers come round again: forget them all.
    for (TSlot& slot : Slots) slot.Generation = 0;
    Generation = 1;
  }
}

void TTextSet::Reserve(std::size_t count) {
  std::size_t size = Slots.empty() ? 64 : Slots.size();
  while (count * 2 > size) size *= 2;
  if (size > Slots.size()) Rehash(size);
}

void TTextSet::Rehash(std::size_t size) {
  std::vector<TSlot> old;
  old.swap(Slots);
  Slots.reserve(size);
  // A part of 100,000 pins would otherwise spend most of its time in the
  // page faults of clearing the fresh table.
  AdviseHugePages(Slots.data(), size * sizeof(TSlot));
  Slots.resize(size);
  std::size_t mask = Slots.size() - 1;
  for (const TSlot& slot : old) {
    if (slot.Generation != Generation) continue;
    std::size_t i = slot.Hash & mask;
    while (Slots[i].Generation == Generation) i = (i + 1) & mask;
    Slots[i] = slot;
  }
}
