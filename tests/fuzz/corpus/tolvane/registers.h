// Example input for tolvane: run "tolvane examples/registers.h" to regenerate the Register() bodies below.
#pragma once

#include "framework/registry.h"

class TCounter : public TRegistered {
public:
  TReg Count;
  TReg Limit, Step;
  TWord Digits[ 4 ];
  TLine Carry;              // TOLVANE_BUS(3,0)
  TWord Shadow;             // TOLVANE_IGNORE
  int Scratch;              // built-in types are never registered

  virtual void Register() {
    reg( Count );           // tolvane
    reg( OldName );         // tolvane
  }
};

class TLatch : public TRegistered {
public:
  TLine Data[ 8 ];          // TOLVANE_BUS(7,0)
  TLine Enable;
  // TOLVANE_INCL SetName( "latch" );
  TLine Clock;

  virtual void Register() {
    reg( Enable );          // registered by hand: tolvane leaves it alone
  }
};

// TOLVANE_OFF
class TLegacy : public TRegistered {
public:
  TReg Kept;

  virtual void Register() {
    reg( Kept );
  }
};
// TOLVANE_ON
