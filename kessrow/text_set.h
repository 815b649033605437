// A set of texts for the duplicate checks of a part: open addressing over
// views, so that adding a text allocates nothing and emptying the set takes
// constant time however many texts it held. The viewed characters must
// outlive their entries (the pass keeps its input texts alive). The texts
// come from the input, so they are hashed with the run's key: names chosen
// to collide cannot make the probes long.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class TTextSet {
public:
  using THashFunction = std::uint64_t (*)(std::string_view);

  // hash: the run's keyed hash unless a test gives its own.
  explicit TTextSet(THashFunction hash = RunHash) : HashFn(hash) {}
  bool Contains(std::string_view text) const;
  // Adds text; false when it was there already.
  bool Insert(std::string_view text);
  void Clear();
  // Makes room for count texts in all, so that adding them grows nothing.
  void Reserve(std::size_t count);
  std::size_t Size() const { return Count; }
  // Slots examined by all lookups so far: about one or two a lookup while
  // the texts spread well, which tests check instead of timing the set.
  std::size_t Probes() const { return ProbeCount; }

private:
  struct TSlot {
    std::string_view Text;
    std::uint64_t Hash = 0;
    std::uint32_t Generation = 0; // the slot is used when this is the set's
  };
  static std::uint64_t RunHash(std::string_view text);
  // The slot that holds text, or the empty slot where it would go.
  std::size_t Find(std::string_view text, std::uint64_t hash) const;
  void Grow() { Rehash(Slots.empty() ? 64 : Slots.size() * 2); }
  void Rehash(std::size_t size);

  THashFunction HashFn;
  std::vector<TSlot> Slots; // a power of two in size, at most half used
  std::uint32_t Generation = 1;
  std::size_t Count = 0;
  mutable std::size_t ProbeCount = 0;
};
