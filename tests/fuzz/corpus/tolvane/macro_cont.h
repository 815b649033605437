#define REG(x) \
  do { reg(x); } \
  while (0)
class A { TReg a; virtual void Register() {
}
};
