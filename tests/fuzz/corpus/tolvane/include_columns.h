class A {
  TReg a;
  TReg abcdefghijabcdefghijabcdefghijabcdefghij;
  // TOLVANE_INCL Tail();
  virtual void Register() {
  }
};
class B {
  TReg b; // TOLVANE_INCL LongerIncl( 1, 2 );
  virtual void Register() {
  }
};
