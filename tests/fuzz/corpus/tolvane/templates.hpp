namespace n {
template <typename T, int N = 3>
class V : public std::vector<T> {
 public:
  using base = std::vector<T>;
  V() = default;
  T& operator[](std::size_t i) { return base::at(i); }
  static constexpr int kN = N;
};
}
