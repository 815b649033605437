class A {
  TReg a; // TOLVANE_INCL Extra(); // tolvane
  virtual void Register() {
  }
};
