class A {
  TReg a; // TOLVANE_INCL x();
  virtual void Register() { f(); }
};
