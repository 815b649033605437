// The members of a class by name, for the user registrations of one
// Register() body. Names may repeat; each lookup costs only the members it
// visits, so a body of many registrations of one much-declared name takes
// time in proportion to what it reports. The tables are kept from body to
// body, so that after the first class a build allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/text/text_hash.h"
#include "tolvane/member_descr.h"

class TMemberIndex {
public:
  // Indexes members, which must stay unchanged while the index is in use.
  void Build(const std::vector<TMemberDescr>& members) {
    Members = &members;
    std::size_t n = members.size();
    std::size_t size = 16;
    while (size < 2 * n) size *= 2;
    Slots.assign(size, kNone);
    Next.assign(n, kNone);
    NextReportable.assign(n, kNone);
    FirstReportable.assign(n, kNone);
    Tail.assign(n, kNone);
    ReportableTail.assign(n, kNone);
    Seen.assign(n, false);
    for (std::uint32_t i = 0; i < n; ++i) Add(i);
  }

  // Forgets the members (before they change); keeps the room.
  void Clear() { Members = nullptr; }

  // Calls visit(i) for each member i named name, in declaration order: for
  // all of them on the first lookup of the name, later only for the arrays
  // and buses (the others are already marked; a second mark changes
  // nothing for them).
  template <class TVisit> void Lookup(std::string_view name, TVisit visit) {
    std::uint32_t head = Slots[Find(name)];
    if (head == kNone) return;
    bool all = !Seen[head];
    Seen[head] = true;
    const std::vector<std::uint32_t>& next = all ? Next : NextReportable;
    for (std::uint32_t i = all ? head : FirstReportable[head]; i != kNone; i = next[i]) visit(std::size_t{i});
  }

private:
  static constexpr std::uint32_t kNone = UINT32_MAX;

  std::string_view NameOf(std::uint32_t i) const { return (*Members)[i].Name; }

  // The slot that holds the first member named name, or the empty slot
  // where it would go. The keyed hash keeps chosen names from colliding.
  std::size_t Find(std::string_view name) const {
    std::size_t mask = Slots.size() - 1;
    for (std::size_t s = Hash(name) & mask;; s = (s + 1) & mask)
      if (Slots[s] == kNone || NameOf(Slots[s]) == name) return s;
  }

  // Appends member i to the chains of its name.
  void Add(std::uint32_t i) {
    const TMemberDescr& m = (*Members)[i];
    std::size_t s = Find(m.Name);
    if (Slots[s] == kNone) Slots[s] = i;
    std::uint32_t head = Slots[s];
    if (head != i) Next[Tail[head]] = i;
    Tail[head] = i;
    if (!(m.IsArray || m.IsBus) || m.ArrayUnresolved) return;
    if (ReportableTail[head] == kNone)
      FirstReportable[head] = i;
    else
      NextReportable[ReportableTail[head]] = i;
    ReportableTail[head] = i;
  }

  const std::vector<TMemberDescr>* Members = nullptr;
  TTextHash Hash;
  std::vector<std::uint32_t> Slots;           // first member of each name, or kNone
  std::vector<std::uint32_t> Next;            // per member: the next of its name
  std::vector<std::uint32_t> NextReportable;  // per array or bus: the next of its name
  std::vector<std::uint32_t> FirstReportable; // per first member: the first array or bus
  std::vector<std::uint32_t> Tail;            // per first member: the last of its name so far
  std::vector<std::uint32_t> ReportableTail;  // per first member: the last array or bus so far
  std::vector<bool> Seen;                     // per first member: its name was looked up
};
