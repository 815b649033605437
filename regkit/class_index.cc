#include "regkit/class_index.h"

#include <cstring>

namespace {

// Each text a member views, in order (State: TClassState, const or not).
template <typename State, typename Fn> void ForEachText(State& c, Fn fn) {
  for (auto& m : c.Members)
    for (auto* text : {&m.Name, &m.ArraySize, &m.BusArg1, &m.BusArg2}) fn(*text);
}

} // namespace

void TClassIndex::Put(TClasses& classes, const std::string& name, TClassState&& state, const std::string& file) {
  const int line = state.Line;
  state.File = file; // file may be state.File itself
  if (state.TwiceLine != 0) state.TwiceFile = file;
  auto [at, added] = classes.try_emplace(name, std::move(state));
  if (added || at->second.TwiceLine != 0 || at->second.File == file) return;
  at->second.TwiceLine = line;
  at->second.TwiceFile = file;
}

void TClassIndex::Add(const std::string& path, const TClasses& classes) {
  std::size_t size = 0, taken = 0;
  for (const auto& entry : classes)
    if (entry.second.RegisterDeclared) {
      ++taken;
      ForEachText(entry.second, [&size](std::string_view text) { size += text.size(); });
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
    Put(Entries, name, std::move(copy), path);
  }
  Texts.push_back(std::move(text));
}

void TClassIndex::Merge(TClassIndex&& other) {
  if (Entries.empty()) {
    *this = std::move(other);
    return;
  }
  for (auto& [name, state] : other.Entries) Put(Entries, name, std::move(state), state.File);
  for (auto& text : other.Texts) Texts.push_back(std::move(text));
  other = TClassIndex();
}
