class TFoo { TReg alpha;
  // TOLVANE_INCL Extra();
  TReg beta[4]; // tolvane_bus ( 3 , 0 )
virtual void Register() {
}
};