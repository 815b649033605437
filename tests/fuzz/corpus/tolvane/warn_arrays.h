class A {
  TReg a[], b[4] = x;
  virtual void Register() {
    rega(&a, 4);
  }
};
