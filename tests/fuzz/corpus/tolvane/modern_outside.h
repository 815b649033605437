namespace app::io {
template <class T> class TDev final : public TBase<T> {
  Q_OBJECT
public Q_SLOTS:
  [[nodiscard]] int f() const { return 1; }
  TReg a = TReg(1'000);
  TReg b[4] = {}; // TOLVANE_BUS(1, 2)
  struct TInner { TReg x; void Register() override {
  } };
  void Register() override; // TOLVANE_INCL   Extra(this);
};
}
namespace app::io {
void TDev::Register() {
}
}
void app::io::TInner::Register(void) noexcept {
}
