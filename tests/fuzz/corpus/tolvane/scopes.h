namespace N { class A { TReg a; virtual void Register() {
} }; }
template <class T> class B { TReg b; virtual void Register() {
} };
class C { TReg c; // TOLVANE_OFF
  virtual void Register() {
    reg( c ); // tolvane
  }
};
