class A {
  TReg a, bb;
  TReg ccc;
  virtual void Register() {
      reg( ccc );  // tolvane
    // keep me
    Reg( bb );
    x(); // tolvane too
    reg( a ); // tolvane

  }
};
