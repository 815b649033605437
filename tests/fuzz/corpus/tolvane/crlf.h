class A {
  TReg a;
  TReg b[2]; // TOLVANE_BUS(1,0)
  virtual void Register() {
  }
};
