class TFoo {
  TReg alpha;
  TReg beta[8];
  TReg gamma; // TOLVANE_BUS(7,0)
  virtual void Register() {
  }
};
