#include "regkit/register_heads.h"

#include <cstring>

#include "framework/text/char_class.h"
#include "framework/text/input_assist.h"

namespace {

using THead = TRegisterHeads::THead;
using TReason = TRegisterHeads::TReason;

bool WordByte(char c) { return IsAlnumChar(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80; }

// Whether word, in any case, is text.
bool SameWord(std::string_view word, std::string_view text) {
  return word.size() == text.size() &&
         strncmpi(word.data(), text.data(), static_cast<unsigned>(text.size())) == 0;
}

// The text from the start of first (when it has one) to the end of last,
// a later view of the same text.
std::string_view Extend(std::string_view first, std::string_view last) {
  if (first.empty()) return last;
  return std::string_view(first.data(), static_cast<std::size_t>(last.data() + last.size() - first.data()));
}

// What a "{" opens.
enum class TKind { Namespace, Extern, Class, Function, Other };

class TContext {
public:
  TKind Kind = TKind::Other;
  std::string_view Name; // of a namespace or a class, as written
  std::string_view Key;  // of a class: "class", "struct" or "union"
  bool Template = false;
  bool InBlock = false;  // a function or another block is around it
  bool InExtern = false; // an extern block is around it
  int OuterClass = -1;   // the index of the nearest class around it
  int Namespace = -1;    // the index of the nearest namespace around it
  // Of a class: whether registration was on for a line of its own
  // declarations (as a member on it would be), the last line on which one
  // of its tokens stood while it was on (0: none, or that line's members
  // were switched off again), and the last line of any of its tokens.
  bool Wanted = false;
  int OnLine = 0, AnyLine = 0;
  // Blocks inside this one, a function's or another, that are held by this
  // entry alone: inside a block, the kind of a block tells nothing more.
  std::size_t Repeat = 0;

  std::string Subject() const {
    return Name.empty() ? "an unnamed " + std::string(Key) : std::string(Key) + " " + std::string(Name);
  }
};

// What the declaration read so far (since the last ";", brace or access
// label) says about the "{" that may end it.
class TDecl {
public:
  int Tokens = 0;
  std::string_view First;
  bool Template = false;       // it begins with "template"
  bool TemplateParams = false; // inside the template's parameter list
  int TemplateAngles = 0, TemplateParens = 0;
  bool Namespace = false;
  std::string_view NamespaceName;       // from its first word to its last
  bool Extern = false, Linkage = false; // "extern", then a string
  std::string_view ClassKey;
  std::string_view ClassName;
  bool NameDone = false; // the class's name is behind
  int ClassAngles = 0;
  int Parens = 0, Brackets = 0;
  bool SawParen = false, Enum = false, Equals = false, Virtual = false;
  // Registration was on for a line of the class it stands in before it.
  bool ClassWanted = false;
};

// Where the head being read stands.
enum class TStage { None, Name, Open, Void, Close, NoexceptArgs, Attribute };

class THeadFinder {
public:
  explicit THeadFinder(std::string_view text) : Text(text) {}
  std::vector<THead> Run();

private:
  void LineComment();
  void BlockComment();
  void SkipContinuedLine();
  void StringLiteral(char quote);
  bool RawString();
  void Number();
  void NewLines(std::size_t from, std::size_t to); // counts the line ends in [from, to)

  void Word(std::string_view word, int column);
  void Punct(std::string_view token);
  void Literal();
  void HeadToken(std::string_view token, bool isWord);
  void DeclToken(std::string_view token, bool isWord);
  void OpenBrace();
  void PushContext(TContext& context);
  void CloseBrace();
  void EndHead();
  // Whether registration was on for a line of the class the scan stands
  // in, so far.
  bool ClassWantedSoFar() const {
    return !Stack.empty() && Stack.back().Kind == TKind::Class &&
           (Stack.back().Wanted || Stack.back().OnLine != 0);
  }

  std::string_view Text;
  std::size_t At = 0;
  int Line = 1;
  std::size_t LineStart = 0;
  bool FirstOnLine = true;

  bool On = true; // registration switched on (TOLVANE_ON, TOLVANE_OFF)
  std::vector<TContext> Stack;
  TDecl Decl;
  // The qualified name the last words make ("app::TDev" of "app::TDev::"),
  // as offsets in the text; ChainFrom is npos when there is none.
  std::size_t ChainFrom = std::string_view::npos, ChainTo = 0;
  bool AfterColons = false;

  TStage Stage = TStage::None;
  THead Pending;
  bool Qualified = false, Virtual = false, Noexcept = false, ClassWanted = false;
  int Overrides = 0, Finals = 0, Depth = 0;

  std::vector<THead> Heads;
};

std::vector<THead> THeadFinder::Run() {
  const std::size_t n = Text.size();
  while (At < n) {
    char c = Text[At];
    if (c == '\n' || c == '\r') {
      At += LineEndLength(Text, At);
      ++Line;
      LineStart = At;
      FirstOnLine = true;
      continue;
    }
    if (IsSpaceChar(c)) {
      ++At;
      continue;
    }
    bool first = FirstOnLine;
    FirstOnLine = false;
    char next = At + 1 < n ? Text[At + 1] : '\0';
    if (c == '/' && next == '/') {
      LineComment();
    } else if (c == '/' && next == '*') {
      BlockComment();
    } else if (c == '#' && first) {
      SkipContinuedLine();
    } else if (WordByte(c) && !IsDigitChar(c)) {
      std::size_t start = At;
      while (At < n && WordByte(Text[At])) ++At;
      std::string_view word = Text.substr(start, At - start);
      bool quote = At < n && (Text[At] == '"' || Text[At] == '\'');
      if (quote && (word == "u8" || word == "u" || word == "U" || word == "L")) {
        StringLiteral(Text[At]);
        Literal();
      } else if (quote && Text[At] == '"' &&
                 (word == "R" || word == "u8R" || word == "uR" || word == "UR" || word == "LR")) {
        if (!RawString()) StringLiteral('"');
        Literal();
      } else {
        Word(word, static_cast<int>(start - LineStart) + 1);
      }
    } else if (IsDigitChar(c) || (c == '.' && IsDigitChar(next))) {
      Number();
      Literal();
    } else if (c == '"' || c == '\'') {
      StringLiteral(c);
      Literal();
    } else if (c == ':' && next == ':') {
      Punct(Text.substr(At, 2));
      At += 2;
    } else {
      Punct(Text.substr(At, 1));
      ++At;
    }
  }
  return std::move(Heads);
}

void THeadFinder::NewLines(std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to;) {
    std::size_t end = LineEndLength(Text, i);
    if (end == 0) {
      ++i;
      continue;
    }
    i += end;
    ++Line;
    LineStart = i;
  }
}

// A line comment: its directive, if it is one, and the lines it continues
// onto.
void THeadFinder::LineComment() {
  // A directive is the comment's first word.
  std::size_t word = At + 2;
  while (word < Text.size() &&
         (Text[word] == ' ' || Text[word] == '\t' || Text[word] == '\v' || Text[word] == '\f'))
    ++word;
  std::size_t end = word;
  while (end < Text.size() && WordByte(Text[end])) ++end;
  std::string_view directive = Text.substr(word, end - word);
  TContext* in = !Stack.empty() && Stack.back().Kind == TKind::Class ? &Stack.back() : nullptr;
  // The members on the directive's line are switched on or off with it.
  bool on = SameWord(directive, "TOLVANE_ON");
  if (on || SameWord(directive, "TOLVANE_OFF")) On = on;
  if (in && on && in->AnyLine == Line) in->Wanted = true;
  if (in && !on && in->OnLine == Line &&
      (SameWord(directive, "TOLVANE_OFF") || SameWord(directive, "TOLVANE_IGNORE")))
    in->OnLine = 0;
  if (in && SameWord(directive, "TOLVANE_INCL")) in->Wanted = true;
  SkipContinuedLine();
}

// The search for "*/" starts at the "/*" itself, as the scan's does.
void THeadFinder::BlockComment() {
  std::size_t close = Text.find("*/", At + 1);
  std::size_t end = close == std::string_view::npos ? Text.size() : close + 2;
  NewLines(At, end);
  At = end;
}

// To the end of the line and of every line a trailing backslash continues;
// the line end itself is left.
void THeadFinder::SkipContinuedLine() {
  const std::size_t n = Text.size();
  for (;;) {
    while (At < n && Text[At] != '\n' && Text[At] != '\r') ++At;
    if (At == n || At == 0 || Text[At - 1] != '\\') return;
    std::size_t end = LineEndLength(Text, At);
    NewLines(At, At + end);
    At += end;
  }
}

// A string or character literal from its quote at At: to the closing quote,
// or to the line's end when it is not closed there; an escaped line end
// continues it.
void THeadFinder::StringLiteral(char quote) {
  ++At;
  while (At < Text.size()) {
    char c = Text[At];
    if (c == quote) {
      ++At;
      return;
    }
    if (c == '\n' || c == '\r') return;
    if (c == '\\' && At + 1 < Text.size()) {
      std::size_t end = LineEndLength(Text, At + 1);
      if (end != 0) NewLines(At + 1, At + 1 + end);
      At += 1 + (end != 0 ? end : 1);
      continue;
    }
    ++At;
  }
}

// A raw string from its quote at At: R"delimiter( ... )delimiter". False,
// and nothing read, when the delimiter is not one.
bool THeadFinder::RawString() {
  std::size_t open = At + 1, paren = open;
  while (paren < Text.size() && paren - open <= 16 && Text[paren] != '(') {
    char c = Text[paren];
    if (IsSpaceChar(c) || c == ')' || c == '\\' || c == '"') return false;
    ++paren;
  }
  if (paren >= Text.size() || Text[paren] != '(') return false;
  std::string closing = ")" + std::string(Text.substr(open, paren - open)) + "\"";
  std::size_t close = Text.find(closing, paren + 1);
  std::size_t end = close == std::string_view::npos ? Text.size() : close + closing.size();
  NewLines(At, end);
  At = end;
  return true;
}

// A number with its digit separators (1'000) and exponent signs.
void THeadFinder::Number() {
  const std::size_t n = Text.size();
  ++At;
  while (At < n) {
    char c = Text[At];
    if (WordByte(c) || c == '.') {
      ++At;
    } else if (c == '\'' && At + 1 < n && IsAlnumChar(Text[At + 1])) {
      ++At;
    } else if ((c == '+' || c == '-') && (Text[At - 1] | 0x20) == 'e') {
      ++At;
    } else if ((c == '+' || c == '-') && (Text[At - 1] | 0x20) == 'p') {
      ++At;
    } else {
      return;
    }
  }
}

void THeadFinder::Literal() {
  HeadToken({}, false);
  if (Decl.Extern && Decl.Tokens == 1) Decl.Linkage = true;
  DeclToken({}, false);
  ChainFrom = std::string_view::npos;
  AfterColons = false;
}

void THeadFinder::Word(std::string_view word, int column) {
  HeadToken(word, true);
  if (word == "Register" && Stage == TStage::None) {
    Stage = TStage::Name;
    Pending = THead();
    Pending.Line = Line;
    Pending.Column = column;
    Qualified = AfterColons;
    if (Qualified && ChainFrom != std::string_view::npos)
      Pending.Place = Text.substr(ChainFrom, ChainTo - ChainFrom);
    Virtual = Decl.Virtual;
    ClassWanted = Decl.Tokens > 0 ? Decl.ClassWanted : ClassWantedSoFar();
    Noexcept = false;
    Overrides = Finals = Depth = 0;
  }
  DeclToken(word, true);
  std::size_t from = static_cast<std::size_t>(word.data() - Text.data());
  if (!AfterColons || ChainFrom == std::string_view::npos) ChainFrom = from;
  ChainTo = from + word.size();
  AfterColons = false;
}

void THeadFinder::Punct(std::string_view token) {
  char c = token[0];
  if (c == '{') return OpenBrace();
  if (c == '}') return CloseBrace();
  HeadToken(token, false);
  DeclToken(token, false);
  AfterColons = token == "::";
  if (!AfterColons) ChainFrom = std::string_view::npos;
}

// The head being read, one token further ("{" and "}" aside).
void THeadFinder::HeadToken(std::string_view token, bool isWord) {
  switch (Stage) {
  case TStage::None:
    return;
  case TStage::Name:
    Stage = token == "(" ? TStage::Open : TStage::None;
    return;
  case TStage::Open:
    if (isWord && token == "void") {
      Stage = TStage::Void;
    } else {
      Stage = token == ")" ? TStage::Close : TStage::None;
    }
    return;
  case TStage::Void:
    Stage = token == ")" ? TStage::Close : TStage::None;
    return;
  case TStage::Close:
    if (isWord && token == "override") {
      ++Overrides;
    } else if (isWord && token == "final") {
      ++Finals;
    } else if (isWord && token == "noexcept") {
      Noexcept = true;
    } else if (token == "(" && Noexcept) {
      Stage = TStage::NoexceptArgs;
      Depth = 1;
    } else if (token == "[") {
      Stage = TStage::Attribute;
      Depth = 1;
    } else {
      Stage = TStage::None;
    }
    return;
  case TStage::NoexceptArgs:
  case TStage::Attribute: {
    const char* open = Stage == TStage::Attribute ? "[" : "(";
    const char* close = Stage == TStage::Attribute ? "]" : ")";
    if (token == ";") {
      Stage = TStage::None;
    } else if (token == open) {
      ++Depth;
    } else if (token == close && --Depth == 0) {
      Stage = TStage::Close;
    }
    return;
  }
  }
}

void THeadFinder::DeclToken(std::string_view token, bool isWord) {
  TDecl& d = Decl;
  ++d.Tokens;
  if (!Stack.empty() && Stack.back().Kind == TKind::Class) {
    TContext& in = Stack.back();
    if (d.Tokens == 1) d.ClassWanted = ClassWantedSoFar();
    in.AnyLine = Line;
    if (On && in.OnLine != 0 && in.OnLine != Line) in.Wanted = true;
    if (On) in.OnLine = Line;
  }
  if (d.Tokens == 1) d.First = token;
  if (d.TemplateParams) {
    if (token == "(") ++d.TemplateParens;
    if (token == ")" && d.TemplateParens > 0) --d.TemplateParens;
    if (d.TemplateParens == 0 && token == "<") ++d.TemplateAngles;
    if (d.TemplateParens == 0 && token == ">" && --d.TemplateAngles == 0) d.TemplateParams = false;
    return;
  }
  if (isWord) {
    if (d.Tokens == 1 && token == "template") d.Template = true;
    if (d.Tokens == 1 && token == "extern") d.Extern = true;
    if (token == "namespace" && (d.Tokens == 1 || (d.Tokens == 2 && d.First == "inline"))) {
      d.Namespace = true;
    } else if (d.Namespace) {
      if (d.Brackets == 0 && token != "inline") d.NamespaceName = Extend(d.NamespaceName, token);
    } else if (token == "virtual") {
      d.Virtual = true;
    } else if (token == "enum") {
      d.Enum = true;
    } else if (d.ClassKey.empty() && d.Parens == 0 && !d.SawParen &&
               (token == "class" || token == "struct" || token == "union")) {
      d.ClassKey = token;
    } else if (!d.ClassKey.empty() && !d.NameDone && d.Parens == 0 && d.ClassAngles == 0 && d.Brackets == 0) {
      if (token == "final")
        d.NameDone = true;
      else if (token != "alignas" && token != "__attribute__" && token != "__declspec")
        d.ClassName = token;
    }
    return;
  }
  if (token.empty()) return; // a literal
  char c = token[0];
  if (token == "::") {
  } else if (c == '<' && d.Template && d.Tokens == 2) {
    d.TemplateParams = true;
    d.TemplateAngles = 1;
  } else if (c == '(') {
    d.SawParen = d.SawParen || d.Parens == 0;
    ++d.Parens;
  } else if (c == ')') {
    if (d.Parens > 0) --d.Parens;
  } else if (c == '[') {
    ++d.Brackets;
  } else if (c == ']') {
    if (d.Brackets > 0) --d.Brackets;
  } else if (c == '<') {
    if (!d.ClassKey.empty() && !d.NameDone && d.Parens == 0) ++d.ClassAngles;
  } else if (c == '>') {
    if (d.ClassAngles > 0) --d.ClassAngles;
  } else if (c == '=') {
    if (d.Parens == 0 && d.Brackets == 0) d.Equals = true;
  } else if (c == ';') {
    Decl = TDecl();
  } else if (c == ':') {
    if (!d.ClassKey.empty() && d.Parens == 0 && d.ClassAngles == 0) d.NameDone = true;
    // An access label ("public:", "public slots:", "signals:") ends
    // nothing but begins the next declaration.
    if (d.Tokens == 2 || d.First == "public" || d.First == "protected" || d.First == "private")
      Decl = TDecl();
  }
}

void THeadFinder::OpenBrace() {
  if (Stage == TStage::Close) EndHead();
  Stage = TStage::None;
  TContext context;
  const TDecl& d = Decl;
  if (d.Namespace) {
    context.Kind = TKind::Namespace;
    context.Name = d.NamespaceName;
  } else if (d.Extern && d.Linkage && d.Tokens == 2) {
    context.Kind = TKind::Extern;
  } else if (!d.ClassKey.empty() && !d.Enum && !d.Equals) {
    context.Kind = TKind::Class;
    context.Key = d.ClassKey;
    context.Name = d.ClassName;
    context.Template = d.Template;
  } else if (d.SawParen) {
    context.Kind = TKind::Function;
  }
  // A block in a block adds nothing a head could be told by.
  auto isBlock = [](const TContext& c) { return c.Kind == TKind::Function || c.Kind == TKind::Other; };
  if (!Stack.empty() && isBlock(context) && isBlock(Stack.back()))
    ++Stack.back().Repeat;
  else
    PushContext(context);
  Decl = TDecl();
  ChainFrom = std::string_view::npos;
  AfterColons = false;
}

// context, placed in what it stands in.
void THeadFinder::PushContext(TContext& context) {
  if (!Stack.empty()) {
    const TContext& parent = Stack.back();
    int index = static_cast<int>(Stack.size()) - 1;
    context.InBlock = parent.InBlock || parent.Kind == TKind::Function || parent.Kind == TKind::Other;
    context.InExtern = parent.InExtern || parent.Kind == TKind::Extern;
    context.OuterClass = parent.Kind == TKind::Class ? index : parent.OuterClass;
    context.Namespace = parent.Kind == TKind::Namespace ? index : parent.Namespace;
  }
  Stack.push_back(context);
}

void THeadFinder::CloseBrace() {
  Stage = TStage::None;
  if (!Stack.empty() && Stack.back().Repeat > 0)
    --Stack.back().Repeat;
  else if (!Stack.empty())
    Stack.pop_back();
  Decl = TDecl();
  ChainFrom = std::string_view::npos;
  AfterColons = false;
}

// The head is complete at its "{": why a scan may pass it over.
void THeadFinder::EndHead() {
  THead& head = Pending;
  head.BraceLine = Line;
  const TContext* context = Stack.empty() ? nullptr : &Stack.back();
  bool inClass = context && context->Kind == TKind::Class;
  head.SwitchedOff = !On && !(inClass && ClassWanted);
  if (inClass) head.Subject = context->Subject();
  if (Qualified) {
    head.Reason = TReason::OutOfLine;
  } else if (!inClass) {
    head.Reason = TReason::NotAMethod;
  } else if (context->InBlock) {
    head.Reason = TReason::LocalClass;
  } else if (context->Template) {
    head.Reason = TReason::ClassTemplate;
  } else if (context->OuterClass >= 0) {
    head.Reason = TReason::NestedClass;
    head.Place = Stack[static_cast<std::size_t>(context->OuterClass)].Subject();
  } else if (context->InExtern) {
    head.Reason = TReason::InsideExternBlock;
  } else if (context->Namespace >= 0) {
    head.Reason = TReason::InsideNamespace;
    head.Place = Stack[static_cast<std::size_t>(context->Namespace)].Name;
  } else if (!Virtual && Overrides == 0 && Finals == 0) {
    head.Reason = TReason::NotVirtual;
  } else {
    head.Reason = TReason::OtherHead;
  }
  Heads.push_back(std::move(head));
}

} // namespace

std::vector<THead> TRegisterHeads::Find(std::string_view text) { return THeadFinder(text).Run(); }
