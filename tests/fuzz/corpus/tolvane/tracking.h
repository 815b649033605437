class A : public B {
public:
  A();
  ~A();
  int x;
  static TReg s;
  TReg *p, q;
  TReg &r;
  vector<TReg> v;
  TReg f(int) const;
  TPart::port x2;
  enum E { P, Q };
  struct TIn { TReg n; virtual void Register() { } };
  void Go() { if (x) { x = 0; } }
  TReg arr[ N + 1 ], z;
  #define M(a) \
     a
  /* TReg hidden; */
protected
:
  TReg last; virtual void Register() {
	}
};
