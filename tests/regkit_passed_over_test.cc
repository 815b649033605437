// Register() bodies that the scan does not regenerate, as check reports
// them: each text judged in memory, its passed-over findings compared.
#include <gtest/gtest.h>

#include "regkit/messages.h"
#include "regkit/register_heads.h"
#include "regkit/text_check.h"

namespace {

const std::string kPrefix = "Register() body is not regenerated: ";
const std::string kHint = " (--dialect=modern reads it)";

// The passed-over findings of text as "line:column why" lines, the common
// words left out.
std::string PassedOver(const std::string& text, TOptions::TPassedOver level = TOptions::TPassedOver::Warning,
                       bool noWarnings = false) {
  TTextCheck check(noWarnings, false, TScanOptions::TDialect::Specified, level);
  std::vector<TFinding> findings;
  check.Run("a.h", text, findings);
  std::string lines;
  for (const TFinding& f : findings) {
    if (f.Rule != TFinding::TRule::PassedOver) continue;
    std::string why = f.Message.substr(kPrefix.size());
    if (why.ends_with(kHint)) why.resize(why.size() - kHint.size());
    lines += std::to_string(f.Line) + ":" + std::to_string(f.Column) + " " + why + "\n";
  }
  return lines;
}

const std::string kBody = "  TReg a;\n  virtual void Register() {\n  }\n";

TEST(RegkitPassedOver, EachBodyNotReadIsNamedWithItsReason) {
  struct TRow {
    std::string Text, Expected;
  } rows[] = {
      // What the scan reads is no finding: a body regenerated, up to date,
      // with nothing to write, or left with the scan's own warning.
      {"class TDev {\n" + kBody + "};\n", ""},
      {"class TDev {\n  TReg a;\n  virtual void Register() {\n    reg( a );    // tolvane\n  }\n};\n", ""},
      {"class TDev {\n  int a;\n  void Register() override {}\n};\n", ""},
      {"class TDev {\n  TReg a;\n  virtual void Register() { }\n};\n", ""},
      // Where the class stands.
      {"namespace app {\nclass TDev {\n" + kBody + "};\n}\n", "4:16 class TDev is inside namespace app\n"},
      {"namespace a::b {\nstruct TDev : TBase {\n" + kBody + "};\n}\n",
       "4:16 struct TDev is inside namespace a::b\n"},
      {"namespace a {\ninline namespace v1 {\nclass TDev {\n" + kBody + "};\n}\n}\n",
       "5:16 class TDev is inside namespace v1\n"},
      {"namespace {\nclass TDev {\n" + kBody + "};\n}\n",
       "4:16 class TDev is inside an anonymous namespace\n"},
      {"extern \"C++\" {\nclass TDev {\n" + kBody + "};\n}\n", "4:16 class TDev is inside an extern block\n"},
      {"template <class T, class U = std::map<int, std::vector<T>>>\nclass EXPORT TDev final : public "
       "TBase<T> {\n" +
           kBody + "};\n",
       "4:16 class TDev is a class template\n"},
      {"class TOuter {\n  struct TIn {\n    virtual void Register() {}\n  };\n" + kBody + "};\n",
       "3:18 struct TIn is nested in class TOuter\n"},
      {"void f() {\n  struct TL {\n    virtual void Register() {}\n  };\n}\n",
       "3:18 struct TL is declared inside a function or block\n"},
      {"void TDev::Register() {\n}\nvoid app::TDev::Register()\n{\n}\n",
       "1:12 it is defined outside its class TDev\n3:17 it is defined outside its class app::TDev\n"},
      {"void Register() {\n}\n", "1:6 it is not a method of a class\n"},
      // Heads the scan does not take.
      {"class TDev {\n  TReg a;\n  void Register() {\n  }\n};\n",
       "3:8 the method is neither virtual, override nor final\n"},
      {"class TDev {\n  TReg a;\n  virtual void Register(void) {\n  }\n  virtual void /* x */ Register() {\n "
       " }\n"
       "  virtual void Register() noexcept(true) [[gnu::cold]] final {\n  }\n};\n",
       "3:16 its head is not one the specified dialect regenerates\n"
       "5:24 its head is not one the specified dialect regenerates\n"
       "7:16 its head is not one the specified dialect regenerates\n"},
      // Not a body: a call, a declaration, a const method, words in
      // comments, literals and preprocessor lines.
      {"namespace n {\nvoid f() { Register(); }\nclass T {\n  virtual void Register();\n"
       "  void Register() const {}\n  // void Register() {\n  const char* s = \"void Register() {\";\n"
       "  const char* r = R\"x(void Register() {)\" )x\";\n#define M \\\n  void Register() {}\n};\n}\n",
       ""},
      // A body switched off by the user is not reported; one switched on
      // again, in its class or before it, is.
      // Comments and preprocessor lines between the words of a head.
      {"class T {\n  TReg a;\n  virtual void Register() {\n  }\n};\nstruct U {\n  virtual void Register // "
       "x\n"
       "  () {}\n};\nnamespace n {\nstruct V { virtual void Register\n#if 1\n() {}\n#endif\n};\n}\n",
       "7:16 its head is not one the specified dialect regenerates\n11:25 struct V is inside namespace n\n"},
      {"// TOLVANE_OFF\nnamespace n {\nclass T {\n" + kBody + "};\n}\n", ""},
      {"// TOLVANE_OFF\nvoid T::Register() {\n}\n", ""},
      {"namespace n {\nclass T {\n  // TOLVANE_OFF\n" + kBody + "};\n}\n", ""},
      {"namespace n {\nclass T {\n  TReg a; // TOLVANE_IGNORE\n  // TOLVANE_OFF\n  Register() {}\n};\n}\n",
       ""},
      {"namespace n {\nclass T {\n  TReg b;\n  TReg a; // TOLVANE_OFF\n  Register() {}\n};\n}\n",
       "5:3 class T is inside namespace n\n"},
      {"// TOLVANE_OFF\nnamespace n {\nclass T {\n  TReg a; // TOLVANE_ON\n  virtual void Register() {\n  "
       "}\n};\n}\n",
       "5:16 class T is inside namespace n\n"},
      {"// TOLVANE_OFF\n// TOLVANE_ON\nnamespace n {\nclass T {\n" + kBody + "};\n}\n",
       "6:16 class T is inside namespace n\n"},
  };
  for (const TRow& row : rows) EXPECT_EQ(PassedOver(row.Text), row.Expected) << row.Text;
  // A digit separator opens no character literal (the scan itself stops
  // at this text).
  std::vector<TRegisterHeads::THead> heads =
      TRegisterHeads::Find("namespace n {\nstruct T { int k = 1'000; virtual void Register() {} };\n}\n");
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0].Line, 2);
  EXPECT_EQ(heads[0].Reason, TRegisterHeads::TReason::InsideNamespace);
}

TEST(RegkitPassedOver, LevelsAndDialects) {
  const std::string text = "namespace app {\nclass TDev {\n" + kBody + "};\n}\n";
  TTextCheck check(false, false, TScanOptions::TDialect::Specified, TOptions::TPassedOver::Error);
  std::vector<TFinding> findings;
  EXPECT_EQ(check.Run("a.h", text, findings), TFileResult::TState::UpToDate);
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].Severity, TFinding::TSeverity::Error);
  EXPECT_EQ(findings[0].Message, kPrefix + "class TDev is inside namespace app" + kHint);
  EXPECT_EQ(PassedOver(text, TOptions::TPassedOver::Ignore), "");
  EXPECT_EQ(PassedOver(text, TOptions::TPassedOver::Warning, true), "");
  EXPECT_NE(PassedOver(text, TOptions::TPassedOver::Error, true), "");
  // A scan that stopped at an error says nothing about the bodies after it.
  EXPECT_EQ(PassedOver("class T {\n  \"x\";\n};\nnamespace n { class U {\n" + kBody + "}; }\n"), "");
  // In the modern dialect a body outside its class is passed over only
  // where its class was found nowhere.
  TTextCheck modern(false, false, TScanOptions::TDialect::Modern);
  findings.clear();
  modern.Run("a.h", "void app::TDev::Register() {\n}\n", findings);
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].Message, kPrefix + "class app::TDev is not in the files read");
  // In another dialect the way out is its own.
  TRegisterHeads::THead head;
  head.Reason = TRegisterHeads::TReason::ClassNotRead;
  head.Place = "app::TDev";
  EXPECT_EQ(regkit_msg::PassedOver(head, TScanOptions::TDialect::Modern),
            kPrefix + "class app::TDev is not in the files read");
}

} // namespace
