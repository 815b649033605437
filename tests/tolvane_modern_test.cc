// The modern dialect of the scan: each construct it reads gives the body
// its plain form gives, it writes what the specified dialect writes on
// every text that dialect reads cleanly, and a namespace changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "sample_texts.h"
#include "tolvane/register_engine.h"
#include "tolvane/tolvane_spec.h"

namespace {

using TDialect = TScanOptions::TDialect;

TScanResult ScanIn(TDialect dialect, std::string_view text) {
  TScanOptions options;
  options.Dialect = dialect;
  TRegisterEngine tool;
  return tool.Scan(text, options);
}

std::string Reports(const TScanResult& result) {
  std::ostringstream console;
  for (const TDiagnostic& d : result.Diagnostics) TTolvane::PrintReport(console, d);
  return console.str();
}

// The generated lines of a text, trimmed, in order.
std::vector<std::string> GeneratedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.ends_with("// tolvane")) lines.push_back(line.substr(line.find_first_not_of(' ')));
  return lines;
}

// The plain class that every row of the table must equal.
const char* const kPlain = "class TDev {\n  TReg a;\n  TReg b[4];\n  virtual void Register() {\n  }\n};\n";

struct TConstructCase {
  const char* Name;
  const char* Modern;
  const char* Plain; // nullptr: kPlain
};

const TConstructCase kConstructs[] = {
    {"Namespace",
     "namespace app {\nclass TDev {\n  TReg a;\n  TReg b[4];\n  virtual void Register() {\n  }\n};\n}\n",
     nullptr},
    {"NestedNamespaces",
     "namespace a::b {\ninline namespace v1 {\nnamespace {\nclass TDev {\n  TReg a;\n  TReg b[4];\n"
     "  virtual void Register() {\n  }\n};\n}\n}\n} // namespace a::b\nnamespace alias = a::b;\n",
     nullptr},
    {"LinkageBlock",
     "extern \"C++\" {\nclass TDev {\n  TReg a;\n  TReg b[4];\n  virtual void Register() {\n  }\n};\n}\n",
     nullptr},
    {"ClassTemplate",
     "template <class T, int N = (3 > 2)>\nclass TDev : public TBase<T, std::vector<T>> {\n  TReg a;\n  TReg "
     "b[4];\n"
     "  virtual void Register() {\n  }\n};\n",
     nullptr},
    {"RequiresClause",
     "template <class T> requires std::integral<T>\nstruct TDev {\n  TReg a;\n  TReg b[4];\n"
     "  virtual void Register() {\n  }\n};\n",
     nullptr},
    {"FinalAndExportMacro",
     "class EXPORT_MACRO [[deprecated]] TDev final : public TBase {\n  TReg a;\n  TReg b[4];\n"
     "  virtual void Register() {\n  }\n};\n",
     nullptr},
    {"HeadWithoutVirtual", "class TDev {\n  TReg a;\n  TReg b[4];\n  void Register() {\n  }\n};\n", nullptr},
    {"HeadVoidNoexcept",
     "class TDev {\n  TReg a;\n  TReg b[4];\n  void Register(void) const noexcept(true) override {\n  "
     "}\n};\n",
     nullptr},
    {"HeadWithComments",
     "class TDev {\n  TReg a;\n  TReg b[4];\n  virtual /* x */ void /* y */ Register ( /* z */ ) final {\n  "
     "}\n};\n",
     nullptr},
    {"MacroLinesAndLabels",
     "class TDev : public QObject {\n  Q_OBJECT\n  Q_PROPERTY(int a READ a WRITE setA NOTIFY aChanged)\n"
     "public Q_SLOTS:\n  TReg a;\nsignals:\n  void aChanged();\nQ_SIGNALS:\n  Q_DISABLE_COPY(TDev)\n"
     "  TReg b[4];\n  virtual void Register() {\n  }\n};\n",
     nullptr},
    {"Initialisers",
     "class TDev {\n  TReg a = TReg(1, 2);\n  TReg b[4] = {1, 2, 3, 4};\n  TReg c{};\n  TReg d = {}, e{3};\n"
     "  virtual void Register() {\n  }\n};\n",
     "class TDev {\n  TReg a;\n  TReg b[4];\n  TReg c;\n  TReg d, e;\n  virtual void Register() {\n  "
     "}\n};\n"},
    {"Attributes",
     "class TDev {\n  [[no_unique_address]] TReg a;\n  alignas(16) TReg b[4] __attribute__((aligned(16)));\n"
     "  virtual void Register() {\n  }\n};\n",
     nullptr},
    {"PassedOverDeclarations",
     "class TDev {\n"
     "  [[nodiscard]] int f() const { return 1; }\n"
     "  constexpr static int kMax = 1'000'000;\n"
     "  constinit static int n;\n"
     "  static_assert(sizeof(int) == 4, \"int\");\n"
     "  using TMap = std::map<int, std::vector<int>>;\n"
     "  std::map<int, std::vector<int>> map;\n"
     "  enum class E : int { A = 0x1'0, B };\n"
     "  friend class TOther;\n"
     "  unsigned flags : 3;\n"
     "  TReg bits : 3;\n"
     "  TReg a;\n"
     "  template <class U> U get() const { return U{}; }\n"
     "  void (*callback)(int);\n"
     "  TDev() : a{1}, b{} { TReg local; }\n"
     "  TDev(const TDev&) = delete;\n"
     "  virtual ~TDev() = default;\n"
     "  virtual void g() = 0;\n"
     "  auto h() -> int;\n"
     "  void k() noexcept(true);\n"
     "  template <class T> requires std::integral<T> void m(T);\n"
     "  auto operator<=>(const TDev&) const = default;\n"
     "  TDev& operator=(const TDev&);\n"
     "  std::function<int(int)> fn = [](int x) { return x; };\n"
     "  TReg b[4];\n"
     "  virtual void Register() {\n  }\n};\n",
     nullptr},
    {"Literals",
     "class TDev {\n  TReg a = TReg(R\"x(a \"quoted\" ; ) { text)x\");\n  TReg c = TReg('\\\\');\n"
     "  const char* raw = R\"(first line;\n} second line\";\n)\";\n  TReg d = TReg(u8\"x\", L'y', U\"z\");\n"
     "  TReg b[4];\n  virtual void Register() {\n  }\n};\n",
     "class TDev {\n  TReg a;\n  TReg c;\n  TReg d;\n  TReg b[4];\n  virtual void Register() {\n  }\n};\n"},
    {"NestedClasses",
     "class TDev {\n  TReg a;\n  struct TInner {\n    TReg x;\n    template <class T> struct TDeep { TReg y; "
     "void Register() {\n    }\n    };\n"
     "    void Register() override {\n    }\n  };\n  TReg b[4];\n  virtual void Register() {\n  }\n};\n",
     "struct TDeep { TReg y; void Register() override {\n    }\n};\nstruct TInner {\n  TReg x;\n"
     "  void Register() override {\n  }\n};\n"
     "class TDev {\n  TReg a;\n  TReg b[4];\n  virtual void Register() {\n  }\n};\n"},
    {"OutOfLineBodies",
     "namespace app {\nclass TDev {\n  TReg a;\n  TReg b[4];\n  void Register() override;\n};\n"
     "struct TNone { TReg n; };\n}\nnamespace app {\nvoid TDev::Register() {\n}\n}\n"
     "void app::TNone::Register() noexcept {\n}\nvoid TMissing::Register() {\n}\n",
     "class TDev {\n  TReg a;\n  TReg b[4];\n  virtual void Register() {\n  }\n};\n"
     "struct TNone { TReg n; void Register() override {\n}\n};\n"},
    {"FileLevelMacros",
     "QT_BEGIN_NAMESPACE\nQ_DECLARE_METATYPE(TOther)\n[[nodiscard]] int f();\n"
     "class TDev {\n  TReg a;\n  TReg b[4];\n  virtual void Register() {\n  }\n};\nQT_END_NAMESPACE\n",
     nullptr},
};

class TConstructTest : public testing::TestWithParam<TConstructCase> {};

// The modern text gets the generated lines its plain form gets, and its
// output is read again unchanged.
TEST_P(TConstructTest, EqualsItsPlainClass) {
  const TConstructCase& c = GetParam();
  TScanResult plain = ScanIn(TDialect::Specified, c.Plain ? c.Plain : kPlain);
  ASSERT_TRUE(plain.Ok && !plain.Warned) << Reports(plain);
  TScanResult modern = ScanIn(TDialect::Modern, c.Modern);
  ASSERT_TRUE(modern.Ok) << Reports(modern);
  EXPECT_FALSE(modern.Warned) << Reports(modern);
  std::string out = modern.Text.Flatten();
  EXPECT_EQ(GeneratedLines(out), GeneratedLines(plain.Text.Flatten())) << out;
  TScanResult again = ScanIn(TDialect::Modern, out);
  EXPECT_EQ(again.Text.Flatten(), out);
}

INSTANTIATE_TEST_SUITE_P(Modern, TConstructTest, testing::ValuesIn(kConstructs),
                         [](const auto& info) { return std::string(info.param.Name); });

// A body outside its class whose name two classes have is an error that
// names both; the same two classes without such a body are none.
TEST(TolvaneModern, TwoClassesOfOneNameAnswerNoBodyOutside) {
  const std::string twice = "class TDev { TReg a; };\nclass TDev { TReg b; };\n";
  TScanResult result = ScanIn(TDialect::Modern, twice + "void TDev::Register() {\n}\n");
  ASSERT_FALSE(result.Ok);
  EXPECT_EQ(result.Diagnostics.back().Message,
            "Class TDev is defined twice, on lines 1 and 2: its Register() body is not regenerated.");
  EXPECT_TRUE(ScanIn(TDialect::Modern, twice).Ok);
}

// A class that declares Register() and has nothing to register is found
// for its body outside, which stays as it is; one that is nowhere is
// counted missing.
TEST(TolvaneModern, BodyOutsideAClassWithNothingToRegister) {
  TScanResult result = ScanIn(TDialect::Modern, "class TDev { int n; void Register();\n};\n"
                                                "void TDev::Register() {\n}\nvoid TGone::Register() {\n}\n");
  ASSERT_TRUE(result.Ok && !result.Warned) << Reports(result);
  EXPECT_EQ(result.ClassesMissing, 1u);
  EXPECT_FALSE(result.AnyStale());
}

// Classes in the specified grammar, made at random from pieces that the
// specified dialect reads.
std::string GeneratedText(std::mt19937& random, bool inNamespace) {
  static const char* const kMembers[] = {"  TReg m%;\n",
                                         "  TReg m%, n%;\n",
                                         "  TReg m%[%];\n",
                                         "  TReg m%; // TOLVANE_BUS(1, 2)\n",
                                         "  TReg m%; // TOLVANE_IGNORE\n",
                                         "  int i%;\n",
                                         "  TReg* p%;\n",
                                         "  void f%();\n",
                                         "  TReg g%(int x) { return x; }\n",
                                         "public:\n",
                                         "  // a comment\n",
                                         "#ifdef X%\n#endif\n",
                                         "  enum { A%, B% };\n",
                                         "  typedef int T%;\n",
                                         "  static TReg s%;\n",
                                         "  ns::TReg q%;\n",
                                         "  /* a block */ TReg k%;\n",
                                         "  const TReg c%;\n",
                                         "  // TOLVANE_OFF\n",
                                         "  // TOLVANE_ON\n",
                                         "  TReg *r%, t%;\n",
                                         "  unsigned long u%[2];\n",
                                         "  virtual int v%() const;\n",
                                         "  // TOLVANE_INCL Extra(%);\n"};
  static const char* const kHeads[] = {"class TC% {\n", "struct TC% : public TBase {\n",
                                       "class TC% : public A, private B {\n"};
  static const char* const kBodies[] = {"  virtual void Register() {\n  }\n",
                                        "  virtual void Register() {\n    reg( m1 );\n  }\n",
                                        "  void Register() override {\n    reg( old );    // tolvane\n  }\n",
                                        "  virtual void Register() final {\n    TBase::Register();\n  }\n"};
  auto fill = [&](const char* piece) {
    std::string s;
    for (const char* p = piece; *p; ++p) s += *p == '%' ? static_cast<char>('1' + random() % 9) : *p;
    return s;
  };
  std::string text = "#include \"base.h\"\nint counter;\nvoid Free();\n";
  for (int c = 0, classes = static_cast<int>(random() % 3) + 1; c < classes; ++c) {
    if (inNamespace) text += "namespace app {\n";
    text += fill(kHeads[random() % std::size(kHeads)]);
    for (int m = 0, members = static_cast<int>(random() % 8); m < members; ++m)
      text += fill(kMembers[random() % std::size(kMembers)]);
    text += kBodies[random() % std::size(kBodies)];
    text += "};\n";
    if (inNamespace) text += "}\n";
  }
  return text;
}

std::vector<int> BraceLines(const TScanResult& result) {
  std::vector<int> lines;
  for (const TBodyRange& body : result.Bodies) lines.push_back(body.BraceLine);
  return lines;
}

// Every text the specified dialect reads with no warning, no error and no
// body passed over, the modern dialect writes as the same bytes. A body
// the specified dialect passes over is one that the modern dialect
// regenerates on top of its own.
void ExpectSuperset(std::string_view text, int* clean = nullptr) {
  TScanResult specified = ScanIn(TDialect::Specified, text);
  if (!specified.Ok || specified.Warned) return;
  TScanResult modern = ScanIn(TDialect::Modern, text);
  if (modern.Ok && BraceLines(modern) != BraceLines(specified)) return;
  ASSERT_TRUE(modern.Ok) << text << Reports(modern);
  EXPECT_EQ(modern.Text.Flatten(), specified.Text.Flatten()) << text;
  if (clean) ++*clean;
}

TEST(TolvaneModern, WritesWhatTheSpecifiedDialectWrites) {
  std::mt19937 random(29);
  int clean = 0;
  for (int i = 0; i < 400; ++i) {
    ExpectSuperset(GeneratedText(random, false), &clean);
  }
  EXPECT_GT(clean, 100); // the property is not shown on failed scans alone
  ExpectSuperset(sample::kSource);
  ExpectSuperset(sample::kGenerated);
  int files = 0;
  for (const char* dir : {"/tests/fuzz/corpus/tolvane", "/examples"})
    for (const auto& entry : std::filesystem::directory_iterator(std::string(REGKIT_SOURCE_DIR) + dir)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      ExpectSuperset(text);
      ++files;
    }
  EXPECT_GT(files, 20);
}

// In the modern dialect a class inside a namespace gets the body it gets
// outside.
TEST(TolvaneModern, NamespacesChangeNoBody) {
  for (std::uint32_t seed = 0; seed < 200; ++seed) {
    std::mt19937 outside(seed), inside(seed);
    std::string plain = GeneratedText(outside, false), wrapped = GeneratedText(inside, true);
    TScanResult a = ScanIn(TDialect::Modern, plain), b = ScanIn(TDialect::Modern, wrapped);
    ASSERT_EQ(a.Ok, b.Ok) << wrapped;
    EXPECT_EQ(GeneratedLines(a.Text.Flatten()), GeneratedLines(b.Text.Flatten())) << wrapped;
  }
}

} // namespace
