// The language server driven in memory with framed messages: the exact
// responses and notifications, bad input of every kind, and formatting
// edits that give tolvane's text.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <new>
#include <sstream>

#include <nlohmann/json.hpp>

#include "regkit/lsp/conversions.h"
#include "regkit/lsp/framing.h"
#include "regkit/lsp/line_edits.h"
#include "regkit/lsp/message_skim.h"
#include "regkit/lsp/server.h"
#include "regkit/lsp/text_positions.h"
#include "regkit/text_check.h"
#include "test_util.h"
#include "tolvane/register_engine.h"

using nlohmann::json;

namespace {

// While set, an allocation of this many bytes or more fails.
std::size_t FailAllocationsFrom = 0;

} // namespace

// Memory from malloc(), given back with free(): the deletes are replaced
// with the new, so that a sanitizer sees the pair it expects (g++ cannot
// tell that the pair is its own and warns of a mismatch).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  if (FailAllocationsFrom != 0 && size >= FailAllocationsFrom) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (FailAllocationsFrom != 0 && size >= FailAllocationsFrom) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

const std::string kUri = "file:///w/a%20b.h"; // findings name the file: /w/a b.h
const std::string kStale = "class TB {\n  TReg b;\n  TReg c[4];\n  virtual void Register() {\n"
                           "    reg( old );    // tolvane\n  }\n};\n";
const std::string kNewLines = "    reg(  b    );    // tolvane\n    rega( c, 4 );    // tolvane\n";
const std::string kError = "class TC {\n  TReg c;\n  \"text\";\n};\n";

std::string RawFrame(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}
std::string Frame(const json& message) { return RawFrame(message.dump()); }

json Request(int id, const std::string& method, json params = json::object()) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}
json Notice(const std::string& method, json params) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}
json Open(const std::string& uri, const std::string& text) {
  return Notice("textDocument/didOpen",
                {{"textDocument", {{"uri", uri}, {"languageId", "cpp"}, {"version", 1}, {"text", text}}}});
}
json Change(const std::string& uri, const std::string& text) {
  return Notice("textDocument/didChange",
                {{"textDocument", {{"uri", uri}, {"version", 2}}}, {"contentChanges", {{{"text", text}}}}});
}
json Doc(const std::string& uri) { return {{"uri", uri}}; }
json Range(int l1, int c1, int l2, int c2) {
  return {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}};
}
json Result(int id, json result) { return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}; }
json Error(json id, int code, const std::string& message) {
  return {{"jsonrpc", "2.0"}, {"id", std::move(id)}, {"error", {{"code", code}, {"message", message}}}};
}
json Log(const std::string& message) { return Notice("window/logMessage", {{"type", 1}, {"message", message}}); }
json Published(const std::string& uri, int version, json diagnostics) {
  return Notice("textDocument/publishDiagnostics",
                {{"uri", uri}, {"version", version}, {"diagnostics", std::move(diagnostics)}});
}
json Diagnostic(json range, const char* code, const std::string& message, int severity = 1) {
  return {{"range", std::move(range)}, {"severity", severity}, {"code", code}, {"source", "regkit"}, {"message", message}};
}
const json kStaleDiagnostic =
    Diagnostic(Range(3, 0, 5, 3), "stale-body", "Register() body is out of date (regkit update '/w/a b.h')");

const std::string kInitialize = Frame(Request(0, "initialize", {{"capabilities", json::object()}})) +
                                Frame(Notice("initialized", json::object()));

struct TServed {
  std::vector<json> Messages; // the initialize response left out when asked
  int Status = 0;
};

// Runs the server on input and reads back every message it wrote; while
// it runs, allocations of failFrom bytes or more fail (0: none).
TServed Serve(const std::string& input, bool initialize = true, std::size_t maxMessage = TFraming::kMaxMessage,
              const TOptions& options = TOptions(), std::size_t failFrom = 0) {
  std::istringstream in((initialize ? kInitialize : "") + input);
  std::ostringstream out;
  TServed served;
  FailAllocationsFrom = failFrom;
  served.Status = TServer(in, out, options, "9.9", maxMessage).Run();
  FailAllocationsFrom = 0;
  std::istringstream written(out.str());
  std::ostringstream unused;
  TFraming reader(written, unused);
  std::string body;
  while (reader.Read(body) == TFraming::TRead::Message) served.Messages.push_back(json::parse(body));
  if (initialize && !served.Messages.empty()) served.Messages.erase(served.Messages.begin());
  return served;
}

void ExpectMessages(const TServed& served, const std::vector<json>& expected) {
  ASSERT_EQ(served.Messages.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(served.Messages[i], expected[i]) << "message " << i;
}

TEST(RegkitLsp, Lifecycle) {
  json capabilities = {{"positionEncoding", "utf-16"},
                       {"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
                       {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
                       {"documentFormattingProvider", true}};
  json serverInfo = {{"name", "regkit"}, {"version", "9.9"}};
  TServed s = Serve(Frame(Request(1, "shutdown")) + Frame(Request(7, "initialize", 5)) +
                        Frame(Request(2, "initialize", {{"capabilities", json::object()}})) +
                        Frame(Request(3, "initialize")) + Frame(Request(4, "shutdown")) +
                        Frame(Request(5, "textDocument/formatting")) + Frame(Notice("exit", {})) +
                        Frame(Request(6, "shutdown")),
                    false);
  ExpectMessages(s, {Error(1, -32002, "The server is not initialized yet."),
                     Error(7, -32602, "Invalid params of initialize: a value has the wrong type."),
                     Result(2, {{"capabilities", capabilities}, {"serverInfo", serverInfo}}),
                     Error(3, -32600, "The server is initialized already."), Result(4, nullptr),
                     Error(5, -32600, "The server is shut down.")});
  EXPECT_EQ(s.Status, 0); // exit after shutdown; nothing read after exit

  // A client that offers byte positions gets them.
  s = Serve(Frame(Request(1, "initialize", {{"capabilities", {{"general", {{"positionEncodings", {"utf-16", "utf-8"}}}}}}})),
            false);
  ASSERT_EQ(s.Messages.size(), 1u);
  EXPECT_EQ(s.Messages[0]["result"]["capabilities"]["positionEncoding"], "utf-8");
  EXPECT_EQ(s.Status, 1); // the input ended without shutdown
  EXPECT_EQ(Serve(Frame(Notice("exit", {}))).Status, 1);
}

TEST(RegkitLsp, DiagnosticsQuickFixAndFormatting) {
  const std::string kes = "file:///w/p.kes";
  json action = {{"title", "Update Register() bodies"},
                 {"kind", "quickfix"},
                 {"isPreferred", true},
                 {"diagnostics", json::array({kStaleDiagnostic})},
                 {"edit", {{"changes", {{kUri, {{{"range", Range(4, 0, 5, 0)}, {"newText", kNewLines}}}}}}}}};
  json inBody = {{"textDocument", Doc(kUri)}, {"range", Range(5, 0, 5, 0)}, {"context", {{"diagnostics", json::array()}}}};
  json aboveBody = inBody;
  aboveBody["range"] = Range(0, 0, 2, 0);
  json notQuickFix = inBody;
  notQuickFix["context"]["only"] = {"refactor"};
  json format = {{"textDocument", Doc(kUri)}, {"options", {{"tabSize", 2}, {"insertSpaces", true}}}};
  std::string current = kStale.substr(0, kStale.find("    reg(")) + kNewLines + "  }\n};\n";

  TServed s = Serve(Frame(Open(kUri, kStale)) + Frame(Request(1, "textDocument/codeAction", inBody)) +
                    Frame(Request(2, "textDocument/codeAction", aboveBody)) +
                    Frame(Request(3, "textDocument/codeAction", notQuickFix)) +
                    Frame(Request(4, "textDocument/formatting", format)) + Frame(Change(kUri, current)) +
                    Frame(Request(5, "textDocument/formatting", format)) + Frame(Change(kUri, kError)) +
                    Frame(Request(6, "textDocument/formatting", format)) +
                    Frame(Open(kes, " hello\n")) + Frame(Request(7, "textDocument/formatting", {{"textDocument", Doc(kes)}})) +
                    Frame(Notice("textDocument/didClose", {{"textDocument", Doc(kUri)}})));
  ExpectMessages(
      s, {Published(kUri, 1, json::array({kStaleDiagnostic})), Result(1, json::array({action})), Result(2, json::array()),
          Result(3, json::array()), Result(4, {{{"range", Range(4, 0, 5, 0)}, {"newText", kNewLines}}}),
          Published(kUri, 2, json::array()), Result(5, json::array()),
          Published(kUri, 2, json::array({Diagnostic(Range(2, 2, 2, 9), "scan-error", "Unexpected token.")})),
          Error(6, -32803, "The text cannot be formatted: line 3: Unexpected token."),
          Published(kes, 1, json::array({Diagnostic(Range(0, 1, 0, 6), "scan-error", "Unexpected token.")})),
          Result(7, json::array()),
          Notice("textDocument/publishDiagnostics", {{"uri", kUri}, {"diagnostics", json::array()}})});
}

TEST(RegkitLsp, BodiesPassedOverAreWarningsAtTheirWord) {
  TServed s = Serve(Frame(Open(kUri, "namespace app {\nclass TDev {\n  virtual void Register() {}\n};\n}\n")));
  ASSERT_EQ(s.Messages.size(), 1u);
  const json& d = s.Messages[0]["params"]["diagnostics"];
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0]["code"], "passed-over");
  EXPECT_EQ(d[0]["severity"], 2);
  EXPECT_EQ(d[0]["range"], Range(2, 15, 2, 25));
}

// Every kind of bad input gets an error response or a log message, and
// the server goes on with the next message.
TEST(RegkitLsp, BadInputIsAnsweredAndPassedOver) {
  const json kFine = Result(9, nullptr);
  const std::string fine = Frame(Request(9, "shutdown"));
  struct TCase {
    const char* Name;
    std::string Input;
    std::vector<json> Expected;
  };
  const TCase cases[] = {
      {"not JSON", RawFrame("{bad"), {Error(nullptr, -32700, "The message is not JSON.")}},
      {"empty body", RawFrame(""), {Error(nullptr, -32700, "The message is not JSON.")}},
      {"not an object", RawFrame("[1,2]"), {Error(nullptr, -32600, "The message is not a JSON object.")}},
      {"bad id", RawFrame(R"({"id":{},"method":"shutdown"})"),
       {Error(nullptr, -32600, "The id is neither a number nor a string.")}},
      {"no method", RawFrame(R"({"id":"x"})"), {Error("x", -32600, "The message has no method.")}},
      {"a response", RawFrame(R"({"id":3,"result":1})"), {}},
      {"unknown method", Frame(Request(2, "textDocument/hover")),
       {Error(2, -32601, "Unknown method textDocument/hover.")}},
      {"unknown notification", Frame(Notice("$/setTrace", json::object())), {}},
      {"document never opened", Frame(Request(2, "textDocument/formatting", {{"textDocument", Doc("file:///x.h")}})),
       {Error(2, -32602, "The document file:///x.h is not open.")}},
      {"change of a document never opened", Frame(Change("file:///x.h", "")),
       {Log("The document file:///x.h is not open.")}},
      {"params of the wrong type", Frame(Notice("textDocument/didOpen", {{"textDocument", 5}})),
       {Log("Invalid params of textDocument/didOpen: a value has the wrong type.")}},
      {"params without a member", Frame(Notice("textDocument/didOpen", {{"textDocument", {{"uri", kUri}}}})),
       {Log("Invalid params of textDocument/didOpen: a member is missing.")}},
      {"line not a number",
       Frame(Open(kUri, kStale)) + Frame(Request(2, "textDocument/codeAction",
                                                 {{"textDocument", Doc(kUri)}, {"range", Range(0, 0, 0, 0)}})) +
           Frame(Request(3, "textDocument/codeAction",
                         {{"textDocument", Doc(kUri)}, {"range", {{"start", {{"line", 1.5}}}, {"end", {{"line", 1}}}}}})),
       {Published(kUri, 1, json::array({kStaleDiagnostic})), Result(2, json::array()),
        Error(3, -32602, "A position's line is not a whole number.")}},
      {"change by range",
       Frame(Open(kUri, kStale)) +
           Frame(Notice("textDocument/didChange", {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                                                   {"contentChanges", {{{"range", Range(0, 0, 0, 1)}, {"text", "x"}}}}})) +
           Frame(Request(2, "textDocument/formatting", {{"textDocument", Doc(kUri)}})),
       {Published(kUri, 1, json::array({kStaleDiagnostic})),
        Notice("textDocument/publishDiagnostics", {{"uri", kUri}, {"diagnostics", json::array()}}),
        Log("A change by range was sent, but the server takes whole texts; the document is closed."),
        Error(2, -32602, "The document " + kUri + " is not open.")}},
      {"header without a length", "Content-Type: x\r\n\r\n",
       {Log("A message header without a valid Content-Length was passed over.")}},
      // The body of a message whose header was lost runs into the next
      // header, which is found in it.
      {"lost header", "Content-Lenght: 2\r\n\r\n{}",
       {Log("A message header without a valid Content-Length was passed over.")}},
      {"length not a number", "Content-Length: 1x\r\n\r\n",
       {Log("A message header without a valid Content-Length was passed over.")}},
      {"stray line ends and LF headers", "\r\n\r\ncontent-length: 2\n\n{}",
       {Error(nullptr, -32600, "The message has no method.")}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<json> expected = c.Expected;
    expected.push_back(kFine);
    ExpectMessages(Serve(c.Input + fine), expected);
  }

  // A message over the limit is passed over unread.
  TServed s = Serve(Frame(Open(kUri, std::string(300, 'x'))) + fine, true, 200);
  ExpectMessages(s, {Log("A message of " + std::to_string(Open(kUri, std::string(300, 'x')).dump().size()) +
                         " bytes was passed over: the limit is 200 bytes."),
                     kFine});
  // Input that ends inside a header or a body ends the server.
  EXPECT_TRUE(Serve("Content-Length: 10\r\n\r\n{\"id\"").Messages.empty());
  EXPECT_TRUE(Serve("Content-Length: 10\r\n").Messages.empty());
}

// The formatting edits, applied, give tolvane's text, and touch only the
// lines that change.
TEST(RegkitLsp, FormattingEditsGiveTolvanesText) {
  const std::string body = "  virtual void Register() {\n  }\n";
  auto crlf = [](const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
  };
  struct TCase {
    const char* Name;
    std::string Text;
    std::size_t Edits; // of the whole text; -1: any
  };
  const TCase cases[] = {
      {"one stale body", kStale, 1},
      {"two stale bodies", "struct TD {\n  TReg d;\n" + body + "};\nint x;\nstruct TE {\n  TReg e;\n" + body + "};", 2},
      {"up to date", "int x;\n", 0},
      {"CR LF", crlf(kStale), 3}, // before, in and after the body
      {"CR LF after the body only", kStale.substr(0, kStale.find("};")) + crlf(kStale.substr(kStale.find("};"))), 2},
      {"no line end at the end", kStale.substr(0, kStale.size() - 1), 1},
      {"lone CR", "int a;\rint b;\n", 1},
      {"LF CR", "int a;\n\rint b;\n", 1},
  };
  TRegisterEngine tool;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TScanResult scan = tool.Scan(c.Text);
    ASSERT_TRUE(scan.Ok);
    std::string made = scan.Text.Flatten();
    std::vector<TLineEdits::TEdit> edits = TLineEdits::Make(c.Text, made, scan, TLineEdits::TScope::All);
    EXPECT_EQ(edits.size(), c.Edits);
    std::string edited = c.Text;
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
      EXPECT_LE(edit->From, edit->To);
      edited.replace(edit->From, edit->To - edit->From, edit->Text);
    }
    EXPECT_EQ(edited, made);
    // The quick fix changes the bodies alone.
    edits = TLineEdits::Make(c.Text, made, scan, TLineEdits::TScope::StaleBodies);
    EXPECT_EQ(edits.size(), scan.AnyStale() ? std::size_t(scan.Bodies.size()) : 0u);
  }
}

TEST(RegkitLsp, PositionsCountUtf16UnitsOrBytes) {
  const std::string text = "a\xC3\xA4\xF0\x9F\x98\x80z\r\nb\rc"; // a, ä, an emoji, z
  TTextPositions utf16(text, TTextPositions::TEncoding::Utf16), utf8(text, TTextPositions::TEncoding::Utf8);
  TTextPositions::TCursor cursor;
  struct TCase {
    std::size_t Offset;
    int Line, Utf16, Utf8;
  };
  for (TCase c : {TCase{0, 0, 0, 0}, TCase{3, 0, 2, 3}, TCase{7, 0, 4, 7}, TCase{8, 0, 5, 8}, TCase{10, 1, 0, 0},
                  TCase{12, 2, 0, 0}, TCase{99, 2, 1, 1}}) {
    EXPECT_EQ(utf16.At(c.Offset).Line, c.Line) << c.Offset;
    EXPECT_EQ(utf16.At(c.Offset).Character, c.Utf16) << c.Offset;
    EXPECT_EQ(utf8.At(c.Offset).Character, c.Utf8) << c.Offset;
    // Counted on from the position before, each is the same.
    TTextPositions::TPosition onward = utf16.At(c.Offset, cursor);
    EXPECT_EQ(onward.Line * 100 + onward.Character, c.Line * 100 + c.Utf16) << c.Offset;
  }
}

// The diagnostics of a text cost steps in proportion to the text, however
// many findings it has: each stale finding is told its body, and the
// characters of a long line are counted once for all its findings.
TEST(RegkitLsp, DiagnosticsCostIsLinearInTheText) {
  std::string bodies, longLine = "class TL {\n  TReg a[4];\n  virtual void Register() {\n    ";
  for (int i = 0; i < 3000; ++i) {
    bodies += "class T" + std::to_string(i) + " {\n  TReg a;\n  virtual void Register() {\n  }\n};\n";
    longLine += "reg(a);/*\xC3\xA4\xF0\x9F\x98\x80*/"; // each call a warning, no blank between them
  }
  longLine += "\n  }\n};\n";
  for (const std::string& text : {bodies, longLine}) {
    TTextCheck check(false);
    std::vector<TFinding> findings;
    check.Run("a.h", text, findings);
    ASSERT_GE(findings.size(), 3000u);
    for (auto encoding : {TTextPositions::TEncoding::Utf16, TTextPositions::TEncoding::Utf8}) {
      TConversions convert(text, encoding);
      json diagnostics = convert.Diagnostics(findings, &check.Scan());
      ASSERT_EQ(diagnostics.size(), findings.size());
      TConversions::TCost cost = convert.Cost();
      EXPECT_LE(cost.BodiesLookedAt, findings.size());
      EXPECT_LE(cost.BytesStepped, 4 * text.size());
      // Counted on, each range is the one counted afresh.
      for (std::size_t i = 0; i < findings.size(); i += 499)
        EXPECT_EQ(diagnostics[i], TConversions(text, encoding).Diagnostic(findings[i], &check.Scan())) << i;
    }
  }
}

// Memory that runs out while a message is read, parsed or handled: a
// request gets an error response, a document that could not be taken is
// dropped, the client is told, and the server goes on.
TEST(RegkitLsp, RunningOutOfMemoryIsAnsweredAndServedOn) {
  const std::size_t kFailFrom = std::size_t{3} << 20;
  const json kFine = Result(9, nullptr);
  const json kNoMemory = Log("not enough memory");
  const json kDropped = Notice("textDocument/publishDiagnostics", {{"uri", kUri}, {"diagnostics", json::array()}});
  const std::string pad(kFailFrom * 4 / 5, 'p'); // read in one piece under the limit, parsed in growing ones over it
  std::string big = "class TBig {\n"; // its new text is over the limit, its text under it
  for (int i = 0; i < 1000; ++i) big += "  TReg a" + std::to_string(i) + std::string(1700, 'a') + ";\n";
  big += "  virtual void Register() {\n  }\n};\n";
  const json bigStale =
      Diagnostic(Range(1001, 0, 1002, 3), "stale-body", "Register() body is out of date (regkit update '/w/a b.h')");
  const std::string format = Frame(Request(3, "textDocument/formatting", {{"textDocument", Doc(kUri)}}));
  struct TCase {
    const char* Name;
    std::string Input;
    std::vector<json> Expected;
  };
  const TCase cases[] = {
      {"too large to read", Frame(Open(kUri, std::string(kFailFrom, 'x'))), {kNoMemory}},
      {"a request too large to parse",
       Frame(Request(2, "textDocument/formatting", {{"textDocument", Doc(kUri)}, {"pad", pad}})),
       {Error(2, -32603, "not enough memory")}},
      {"a change too large to parse",
       Frame(Open(kUri, kStale)) +
           Frame(Notice("textDocument/didChange", {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                                                   {"contentChanges", {{{"text", kStale}}}},
                                                   {"pad", pad}})) +
           format,
       {Published(kUri, 1, json::array({kStaleDiagnostic})), kDropped, kNoMemory,
        Error(3, -32602, "The document " + kUri + " is not open.")}},
      {"a text too large to scan", Frame(Open(kUri, std::string(500000, '\n'))) + format,
       {kDropped, kNoMemory, Error(3, -32602, "The document " + kUri + " is not open.")}},
      {"an answer too large", Frame(Open(kUri, big)) + format,
       {Published(kUri, 1, json::array({bigStale})), Error(3, -32603, "not enough memory")}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<json> expected = c.Expected;
    expected.push_back(kFine);
    ExpectMessages(Serve(c.Input + Frame(Request(9, "shutdown")), true, TFraming::kMaxMessage, TOptions(), kFailFrom), expected);
  }
}

// A message's id, method and document, read without building it.
TEST(RegkitLsp, SkimFindsIdMethodAndDocument) {
  struct TCase {
    std::string Body;
    json Id; // null: none
    std::string Method, Uri;
  };
  const TCase cases[] = {
      {R"({"jsonrpc":"2.0","id":7,"method":"m","params":{"textDocument":{"uri":"file:///a.h"}}})", 7, "m", "file:///a.h"},
      {R"( { "params" : { "x" : [ "}\"]", { } ], "textDocument" : { "text" : "{[\\", "uri" : "u\/\u00e4" } } ,)"
       R"( "method" : "textDocument/didOpen" } )",
       nullptr, "textDocument/didOpen", "u/\xC3\xA4"},
      {R"({"id":"s","params":[],"method":"m")", "s", "m", ""}, // cut short after the members it needs
      {R"({"id":{"a":1},"method":5,"params":{"textDocument":{"uri":3}}})", nullptr, "", ""},
      {R"({"method":"m","params":{"textDocument":{"uri":"u")", nullptr, "m", ""}, // the document is cut short
      {"[1,2]", nullptr, "", ""},
  };
  for (const TCase& c : cases) {
    TMessageSkim skim(c.Body);
    EXPECT_EQ(skim.HasId, !c.Id.is_null()) << c.Body;
    if (skim.HasId) {
      EXPECT_EQ(skim.Id, c.Id) << c.Body;
    }
    EXPECT_EQ(skim.Method, c.Method) << c.Body;
    EXPECT_EQ(skim.Uri, c.Uri) << c.Body;
  }
}

// Part files are those of --part-ext; their messages read as in regkit
// check, the second line and the part included. A save with its text
// judges that text.
TEST(RegkitLsp, PartFilesAndSaves) {
  TOptions options;
  options.PartExtensions = {".parts"};
  const std::string part = "file:///w/p.parts", kes = "file:///w/p.kes";
  const std::string badPrefix = "$PART_PREFIX 1x\n", badCount = "$PART_NAME A\n$PIN_COUNT x\n";
  json save = {{"textDocument", Doc(part)}, {"text", badCount}};
  TServed s = Serve(Frame(Open(part, badPrefix)) + Frame(Open(kes, badPrefix)) +
                        Frame(Notice("textDocument/didSave", {{"textDocument", Doc(part)}})) +
                        Frame(Notice("textDocument/didSave", save)) +
                        Frame(Notice("textDocument/didSave", {{"textDocument", Doc("file:///w/x.h")}})),
                    true, TFraming::kMaxMessage, options);
  ExpectMessages(
      s, {Published(
              part, 1,
              json::array({Diagnostic(Range(0, 13, 0, 15), "scan-error",
                                      "Part prefix is not a valid C++ identifier. Legal characters are {a-z, "
                                      "A-Z, 0-9, _}. Identifiers must not start with 0-9.")})),
          // Not a part file here: judged as C++.
          Published(kes, 1, json::array({Diagnostic(Range(0, 0, 0, 12), "scan-error", "Unexpected token.")})),
          Published(part, 1,
                    json::array({Diagnostic(Range(1, 11, 1, 12), "scan-error",
                                            "Expected a decimal integer. (part QV_A)")})),
          Log("The document file:///w/x.h is not open.")});
}

// A message as long as the limit is read; one byte more is passed over.
TEST(RegkitLsp, MessageAtTheLimitIsRead) {
  const std::string body = Request(9, "shutdown").dump();
  ExpectMessages(Serve(Frame(Request(9, "shutdown")), false, body.size()),
                 {Error(9, -32002, "The server is not initialized yet.")});
  ExpectMessages(
      Serve(Frame(Request(9, "shutdown")), false, body.size() - 1),
      {Log("A message of " + std::to_string(body.size()) + " bytes was passed over: the limit is " +
           std::to_string(body.size() - 1) + " bytes.")});
}

} // namespace

// A part file in a workspace folder is read with the include file of the
// folder's configuration: its lines counted in the part file itself, a
// report in the include file shown at the start with the include file's line.
TEST(RegkitLsp, PartFilesTakeTheConfiguredIncludeFile) {
  TTempDir dir;
  std::filesystem::create_directories(dir.File("p"));
  WriteFile(dir.File(".regkit.toml"), "root = true\npart-include = \"p/c.inc\"\n");
  WriteFile(dir.File("p/c.inc"), "$PART_PREFIX P_\n\n");
  const std::string uri = "file://" + dir.File("p/r.kes");
  const std::string part = "$PART_NAME R\n$PIN_COUNT 3\n$PORTS\n  T[2] 1 2 ;\n$ENDPORTS\n$ENDPART\n";
  const json init = Request(0, "initialize", {{"capabilities", json::object()}, {"rootUri", "file://" + dir.Path()}});
  TServed s = Serve(Frame(init) + Frame(Open(uri, part)), false);
  ASSERT_EQ(s.Messages.size(), 2u);
  EXPECT_EQ(s.Messages[1]["params"]["diagnostics"][0]["range"]["start"]["line"], 5);
  WriteFile(dir.File("p/c.inc"), "$BOGUS\n");
  s = Serve(Frame(init) + Frame(Open(uri, part)), false);
  ASSERT_EQ(s.Messages.size(), 2u);
  EXPECT_EQ(s.Messages[1]["params"]["diagnostics"][0]["message"], dir.File("p/c.inc") + ":1: Unexpected token.");
}

// In the modern dialect a body outside its class takes its class from a
// header the document includes, read only inside the workspace folders:
// not through a link out of them, not from a pipe, not without a folder.
TEST(RegkitLsp, BodiesOutsideTheirClassReadHeadersInsideTheFolders) {
  TTempDir dir, outside;
  std::filesystem::create_directories(dir.File("src"));
  std::filesystem::create_directories(dir.File("inc/app"));
  auto header = [](const std::string& name) {
    return "namespace app {\nclass " + name + " {\n  TReg a;\n  void Register() override;\n};\n}\n";
  };
  WriteFile(dir.File("src/dev.h"), header("TDev"));
  WriteFile(dir.File("inc/app/ws.h"), header("TWs"));
  WriteFile(outside.File("far.h"), header("TFar"));
  std::filesystem::create_directory_symlink(outside.Path(), dir.File("src/out"));
  std::filesystem::create_directory_symlink(outside.Path(), dir.File("inc/far"));
  ASSERT_EQ(mkfifo(dir.File("src/pipe.h").c_str(), 0600), 0);
  TOptions modern;
  modern.Dialect = TScanOptions::TDialect::Modern;
  const json init = Request(0, "initialize", {{"capabilities", json::object()}, {"rootUri", "file://" + dir.Path()}});
  // Beside the document by quotes, or anywhere below the folder (the
  // workspace's classes, walked without following a link).
  struct {
    const char* Include;
    const char* Class;
    bool Folder;
    const char* Code;
  } cases[] = {{"\"dev.h\"", "TDev", true, "stale-body"},      {"\"dev.h\"", "TDev", false, "passed-over"},
               {"\"out/far.h\"", "TFar", true, "passed-over"}, {"\"pipe.h\"", "TPipe", true, "passed-over"},
               {"<app/ws.h>", "TWs", true, "stale-body"},        {"<app/ws.h>", "TWs", false, "passed-over"},
               {"<far/far.h>", "TFar", true, "passed-over"}};
  for (const auto& c : cases) {
    std::string text = std::string("#include ") + c.Include + "\nvoid app::" + c.Class + "::Register() {\n}\n";
    json start = c.Folder ? init : Request(0, "initialize", {{"capabilities", json::object()}});
    TServed s = Serve(Frame(start) + Frame(Open("file://" + dir.File("src/dev.cpp"), text)), false,
                      TFraming::kMaxMessage, modern);
    ASSERT_EQ(s.Messages.size(), 2u) << c.Include;
    EXPECT_EQ(s.Messages[1]["params"]["diagnostics"][0]["code"], c.Code) << c.Include << " " << c.Folder;
  }
  EXPECT_EQ(ReadFile(dir.File("src/dev.h")), header("TDev"));
  // A save judges again each other document with a body outside its class.
  const std::string ws = "file://" + dir.File("src/ws.cpp"), other = "file://" + dir.File("src/other.h");
  TServed s = Serve(Frame(init) + Frame(Open(ws, "void app::TWs::Register() {\n}\n")) + Frame(Open(other, "")) +
                        Frame(Notice("textDocument/didSave", {{"textDocument", Doc(other)}})),
                    false, TFraming::kMaxMessage, modern);
  ASSERT_EQ(s.Messages.size(), 4u);
  EXPECT_EQ(s.Messages[3], s.Messages[1]);
}
