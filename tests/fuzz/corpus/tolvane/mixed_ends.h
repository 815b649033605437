class A {  TReg a;
  virtual void Register() {
  }
};