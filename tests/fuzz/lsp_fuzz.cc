// The language server on arbitrary input, two ways. As the byte stream a
// client sends: framing, JSON and dispatch must answer or pass over
// anything without a crash. As the text of an open document: the
// formatting edits, applied, must give tolvane's text, and the quick fix's
// edits must leave no stale body; the server's diagnostics, quick fix and
// formatting of that document must come without a crash.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "fuzz_util.h"
#include "regkit/lsp/line_edits.h"
#include "regkit/lsp/server.h"
#include "tolvane/register_engine.h"

namespace {

std::string Frame(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

void Serve(const std::string& input) {
  std::istringstream in(input);
  TServer(in, NullConsole(), TOptions(), "fuzz").Run();
}

std::string Applied(std::string text, const std::vector<TLineEdits::TEdit>& edits) {
  std::size_t last = text.size();
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
    FUZZ_CHECK(edit->From <= edit->To && edit->To <= last);
    text.replace(edit->From, edit->To - edit->From, edit->Text);
    last = edit->From;
  }
  return text;
}

void CheckEdits(std::string_view text) {
  static const TRegisterEngine tool;
  TScanResult scan = tool.Scan(text);
  if (!scan.Ok) return;
  std::string made = scan.Text.Flatten();
  FUZZ_CHECK(Applied(std::string(text), TLineEdits::Make(text, made, scan, TLineEdits::TScope::All)) == made);
  std::string fixed = Applied(std::string(text), TLineEdits::Make(text, made, scan, TLineEdits::TScope::StaleBodies));
  TScanResult again = tool.Scan(fixed);
  FUZZ_CHECK(again.Ok && !again.AnyStale());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  Serve(input);

  CheckEdits(input);
  using nlohmann::json;
  const std::string uri = size > 0 && data[0] == '$' ? "file:///f.kes" : "file:///f.h";
  json doc = {{"uri", uri}};
  std::string session =
      Frame(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})") +
      Frame(json({{"jsonrpc", "2.0"},
                  {"method", "textDocument/didOpen"},
                  {"params", {{"textDocument", {{"uri", uri}, {"version", 1}, {"text", input}}}}}})
                .dump(-1, ' ', false, json::error_handler_t::replace)) +
      Frame(json({{"jsonrpc", "2.0"},
                  {"id", 2},
                  {"method", "textDocument/codeAction"},
                  {"params", {{"textDocument", doc}, {"range", {{"start", {{"line", 0}}}, {"end", {{"line", 1 << 30}}}}}}}})
                .dump()) +
      Frame(json({{"jsonrpc", "2.0"}, {"id", 3}, {"method", "textDocument/formatting"}, {"params", {{"textDocument", doc}}}})
                .dump());
  Serve(session);
  return 0;
}
