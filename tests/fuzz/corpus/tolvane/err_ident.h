class A {
  TReg 2a;
};
