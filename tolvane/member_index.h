// The members of a class by name, for the user registrations of one
// Register() body. Names may repeat; each lookup costs only the members it
// hands back, so a body of many registrations of one much-declared name
// takes time in proportion to what it reports.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/text_hash.h"
#include "tolvane/member_descr.h"

class TMemberIndex {
public:
  // Indexes members, which must stay unchanged while the index is in use.
  void Build(const std::vector<TMemberDescr>& members) {
    Groups.clear();
    Groups.reserve(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
      const TMemberDescr& m = members[i];
      TGroup& group = Groups[m.Name];
      group.All.push_back(i);
      if ((m.IsArray || m.IsBus) && !m.ArrayUnresolved) group.Reportable.push_back(i);
    }
  }

  // Forgets the members (before they change).
  void Clear() { Groups.clear(); }

  // Numbers of the members named name, in declaration order: all of them on
  // the first lookup of the name, later only the arrays and buses (the
  // others are already marked and a second mark changes nothing for them).
  std::span<const std::size_t> Lookup(std::string_view name) {
    auto it = Groups.find(name);
    if (it == Groups.end()) return {};
    TGroup& group = it->second;
    if (group.Seen) return group.Reportable;
    group.Seen = true;
    return group.All;
  }

private:
  struct TGroup {
    std::vector<std::size_t> All;
    std::vector<std::size_t> Reportable; // arrays and buses with a known form
    bool Seen = false;
  };
  // Keys view the names in the members; the keyed hash keeps names chosen
  // to collide from making the lookups long.
  std::unordered_map<std::string_view, TGroup, TTextHash> Groups;
};
