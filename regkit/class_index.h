// The classes of a run's files whose Register() is declared in them and
// defined outside them, by qualified name: what a body outside its class
// in another file of the run is regenerated from. Holds copies of the
// texts the classes view, so it outlives the files read.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "tolvane/class_state.h"

class TClassIndex {
public:
  using TClasses = std::unordered_map<std::string, TClassState>;

  // Takes from classes (a scan's, viewing its text) those whose Register()
  // is defined outside them, as read in the file named path.
  void Add(const std::string& path, const TClasses& classes);
  // Takes other's classes after this one's: a name both hold is a class
  // defined twice (TClassState::TwiceLine), the first place kept.
  void Merge(TClassIndex&& other);
  // Puts state, a class read in file, into classes by its qualified name;
  // a name there already from another file is a class defined twice, the
  // first place kept.
  static void Put(TClasses& classes, const std::string& name, TClassState&& state, const std::string& file);
  const TClasses& Classes() const { return Entries; }
  bool Empty() const { return Entries.empty(); }

private:
  TClasses Entries;
  std::vector<std::unique_ptr<char[]>> Texts; // what the entries' members view
};
