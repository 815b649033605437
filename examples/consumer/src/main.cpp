// Prints the registered members of the demo board and, for each part, its
// package and ports with their pins. Checks on the way that every part's
// ports hold exactly its pin count and that the bits of each bus run over
// the registered range; exits with 1 when a check fails.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "board.h"

namespace {

std::vector<std::string> problems;

std::string Describe(const TRegEntry& entry) {
  std::string text = entry.Call + " " + entry.Name;
  if (entry.Size != 0) {
    text += "[" + std::to_string(entry.Size) + "]";
  }
  if (entry.IsBus) {
    text += " bus " + std::to_string(entry.FirstBit) + ":" + std::to_string(entry.SecondBit);
  }
  return text + " (" + entry.Kind + ")";
}

std::string PinList(const port& p) {
  std::string text;
  for (const TPin& pin : p.GetPins()) {
    text += " ";
    if (pin.Bit >= 0) {
      text += std::to_string(pin.Bit) + "=";
    }
    text += pin.Name;
  }
  return text;
}

// The pins of a bus port must carry the bits from the first to the second
// number of its registration, one by one.
void CheckBus(const std::string& where, const TRegEntry& entry, const port& p) {
  const long step = entry.FirstBit <= entry.SecondBit ? 1 : -1;
  long bit = entry.FirstBit;
  std::size_t count = 0;
  for (const TPin& pin : p.GetPins()) {
    if (pin.Bit != bit) {
      problems.push_back(where + ": pin " + pin.Name + " has bit " + std::to_string(pin.Bit) +
                         ", expected " + std::to_string(bit));
    }
    bit += step;
    ++count;
  }
  const long width = (entry.SecondBit - entry.FirstBit) * step + 1;
  if (static_cast<long>(count) != width) {
    problems.push_back(where + ": " + std::to_string(count) + " pins for a bus of " +
                       std::to_string(width) + " bits");
  }
}

void PrintPart(const std::string& name, TPart& part, const std::string& indent) {
  std::cout << indent << "part " << name << ": package " << part.GetPackage() << ", "
            << part.GetPinCount() << " pins, reference " << part.GetReferencePrefix() << "\n";
  int pins = 0;
  for (const TRegEntry& entry : part.Entries()) {
    if (entry.Ports.empty()) {
      std::cout << indent << "  " << Describe(entry) << "\n";
      continue;
    }
    for (const port* p : entry.Ports) {
      std::cout << indent << "  " << Describe(entry) << ":" << PinList(*p) << "\n";
      pins += static_cast<int>(p->GetPins().size());
      if (entry.IsBus) {
        CheckBus(name + "." + entry.Name, entry, *p);
      }
    }
  }
  if (pins != part.GetPinCount()) {
    problems.push_back(name + ": ports hold " + std::to_string(pins) + " pins, package has " +
                       std::to_string(part.GetPinCount()));
  }
}

void PrintRegistry(const std::string& name, TRegistry& registry) {
  std::cout << name << "\n";
  for (const TRegEntry& entry : registry.Entries()) {
    std::cout << "  " << Describe(entry) << "\n";
  }
  for (const std::string& problem : registry.Problems()) {
    problems.push_back(name + "." + problem);
  }
  for (const TRegEntry& entry : registry.Entries()) {
    for (std::size_t i = 0; i < entry.Nested.size(); ++i) {
      std::string element = entry.Name;
      if (entry.Nested.size() > 1 || entry.Size != 0) {
        element += "[" + std::to_string(i) + "]";
      }
      if (auto* part = dynamic_cast<TPart*>(entry.Nested[i])) {
        PrintPart(element, *part, "  ");
      }
    }
  }
}

}  // namespace

int main() {
  TBoard board;
  PrintRegistry("board", board);
  for (const std::string& problem : problems) {
    std::cerr << "problem: " << problem << "\n";
  }
  return problems.empty() ? EXIT_SUCCESS : EXIT_FAILURE;
}
