class TFoo {
  TReg m2;
    TReg Count; // TOLVANE_OFF \
};
