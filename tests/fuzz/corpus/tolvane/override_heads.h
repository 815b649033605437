class A : public B {
  TReg a;
  void Register() override {
    reg( a );    // tolvane
  }
};
struct C {
  TReg c[4];
  virtual void Register() final override {
  }
  void Register() override;
  void Register() override override {
  }
  void Register() final /* note */ {
  }
};
