// One port of a part: a named group of pins that becomes a port member of
// the generated class.
#pragma once

#include <string>
#include <vector>

// Form codes kept in PortRangeR when the port is not a bus.
inline constexpr int prUnset = -1;
inline constexpr int prSinglePin = -2; // name, one pin
inline constexpr int prCounted = -3;   // name[N], N pins

struct TPortDescr {
  std::string PortName;
  std::string PortComment;       // "//" comment of the name's line, or empty
  std::vector<std::string> Pins; // in the order written
  // Bus: the two bounds as written (the first pin belongs to PortRangeL).
  // Counted: PortRangeL is the count. Single pin: PortRangeL is -1.
  int PortRangeL = 0;
  int PortRangeR = prUnset; // bound (0 or more) or one of the form codes
  int PortType = 0;         // 1 port, 2 iport, 3 oport, 4 ioport

  bool IsBus() const { return PortRangeR >= 0; }
};
