// One port of a part: a named group of pins that becomes a port member of
// the generated class.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Form codes kept in PortRangeR when the port is not a bus.
inline constexpr int prUnset = -1;
inline constexpr int prSinglePin = -2; // name, one pin
inline constexpr int prCounted = -3;   // name[N], N pins

struct TPortDescr {
  std::string PortName;
  std::string PortComment; // "//" comment of the name's line, or empty
  // In the order written: views of the pin tokens in the input texts,
  // which the pass keeps alive until the part is written.
  std::vector<std::string_view> Pins;
  // Bus: the two bounds as written (the first pin belongs to PortRangeL).
  // Counted: PortRangeL is the count. Single pin: PortRangeL is -1.
  int PortRangeL = 0;
  int PortRangeR = prUnset; // bound (0 or more) or one of the form codes
  int PortType = 0;         // 1 port, 2 iport, 3 oport, 4 ioport

  bool IsBus() const { return PortRangeR >= 0; }
};
