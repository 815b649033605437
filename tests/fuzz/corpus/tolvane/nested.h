class Outer {
  class Inner { TReg i; virtual void Register() {
  }
  };
  TReg o;
  virtual void Register() {
  }
};
