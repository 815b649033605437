// One port of a part: a named group of pins that becomes a port member of
// the generated class.
#pragma once

#include <cstddef>
#include <string>

// The kind of a port, by the keyword of its ports block.
enum class TPortKind : int { Port = 1, IPort = 2, OPort = 3, IOPort = 4 };

// How a port was declared.
enum class TPortForm {
  SinglePin, // name, one pin
  Counted,   // name[N], N pins
  Bus,       // name[L:R], |L - R| + 1 pins
};

struct TPortDescr {
  std::string PortName;
  std::string PortComment; // "//" comment of the name's line, or empty
  // Its pins, in the order written, are the part's pins FirstPin to
  // FirstPin + PinTotal - 1 (the pin set of the part holds them all).
  std::size_t FirstPin = 0;
  std::size_t PinTotal = 0;
  TPortForm Form = TPortForm::SinglePin;
  // Bus: the two bounds as written (the first pin belongs to PortRangeL).
  // Counted: PortRangeL is the count. Single pin: PortRangeL is -1.
  int PortRangeL = -1;
  int PortRangeR = -1; // the right bound of a bus
  TPortKind PortType = TPortKind::Port;
};
