class A {
  TReg a;
