class A {
  TReg a; // TOLVANE_BUS(7,
 0)
};
