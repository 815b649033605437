class A {
  TReg a; TReg b[3]; TReg c; // TOLVANE_BUS(3,0)
  virtual void Register() {
    reg( a );
    regab( b, 3, 2, 0 );
  }
};
