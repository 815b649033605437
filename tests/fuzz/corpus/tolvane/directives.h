struct A {
  TReg a; // TOLVANE_IGNORE
  TReg b;
  // Tolvane_Off
  TReg c;
  TReg d; // TOLVANE_ON
  TReg e;
  virtual void Register() {
  }
};
