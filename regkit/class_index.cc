#include "regkit/class_index.h"

#include <cstring>

namespace {

// Each text a member views, in order.
template <typename Fn> void ForEachText(TClassState& c, Fn fn) {
  for (TMemberDescr& m : c.Members)
    for (std::string_view* text : {&m.Name, &m.ArraySize, &m.BusArg1, &m.BusArg2}) fn(*text);
}

} // namespace

void TClassIndex::Add(const std::string& path, const TClasses& classes) {
  std::size_t size = 0, taken = 0;
  for (const auto& entry : classes)
    if (entry.second.RegisterDeclared) {
      ++taken;
      for (const TMemberDescr& m : entry.second.Members)
        size += m.Name.size() + m.ArraySize.size() + m.BusArg1.size() + m.BusArg2.size();
    }
  if (taken == 0) return;
  std::unique_ptr<char[]> text(new char[size == 0 ? 1 : size]);
  char* next = text.get();
  for (const auto& [name, state] : classes) {
    if (!state.RegisterDeclared) continue;
    TClassState copy = state;
    ForEachText(copy, [&next](std::string_view& view) {
      if (!view.empty()) std::memcpy(next, view.data(), view.size());
      view = std::string_view(next, view.size());
      next += view.size();
    });
    copy.File = path;
    if (copy.TwiceLine != 0) copy.TwiceFile = path;
    auto [at, added] = Entries.try_emplace(name, std::move(copy));
    if (!added) NoteTwice(at->second, state.Line, path);
  }
  Texts.push_back(std::move(text));
}

void TClassIndex::Merge(TClassIndex&& other) {
  if (Entries.empty()) {
    *this = std::move(other);
    return;
  }
  for (auto& [name, state] : other.Entries) {
    auto [at, added] = Entries.try_emplace(name, std::move(state));
    if (!added) NoteTwice(at->second, state.Line, state.File); // state was not taken
  }
  for (auto& text : other.Texts) Texts.push_back(std::move(text));
  other = TClassIndex();
}

void TClassIndex::NoteTwice(TClassState& entry, int line, const std::string& file) {
  if (entry.TwiceLine != 0) return;
  entry.TwiceLine = line;
  entry.TwiceFile = file;
}
