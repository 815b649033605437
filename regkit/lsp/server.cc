#include "regkit/lsp/server.h"

#include <algorithm>
#include <limits>
#include <new>

#include "framework/file_io.h"
#include "regkit/config_tree.h"
#include "regkit/findings.h"
#include "regkit/lsp/conversions.h"
#include "regkit/lsp/line_edits.h"
#include "regkit/lsp/lsp_messages.h"
#include "regkit/lsp/message_skim.h"

using nlohmann::json;
using namespace lsp_msg;

namespace {

// The error codes of JSON-RPC and the protocol.
enum TErrorCode : int {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
  kRequestFailed = -32803,
};
// The protocol's MessageType of a log message.
enum TLogType : int { kLogError = 1, kLogWarning = 2 };
// TextDocumentSyncKind: the whole text with every change.
const int kFullSync = 1;
const char* const kQuickFix = "quickfix";
// The memory of a message body up to this size is kept for the next one.
const std::size_t kKeptBody = std::size_t{1} << 20;

// What a handler answers instead of a result.
class TRequestError {
public:
  int Code;
  std::string Message;
};

const std::string& Uri(const json& params) { return params.at("textDocument").at("uri").get_ref<const std::string&>(); }

std::int64_t VersionOf(const json& textDocument) {
  auto version = textDocument.find("version");
  return version != textDocument.end() && version->is_number_integer() ? version->get<std::int64_t>() : 0;
}

// The line of a Position, held to the range of int.
int LineOf(const json& position) {
  const json& line = position.at("line");
  if (!line.is_number_integer()) throw TRequestError{kInvalidParams, kBadLine};
  const std::uint64_t kMax = std::numeric_limits<int>::max();
  if (line.is_number_unsigned()) return static_cast<int>(std::min(line.get<std::uint64_t>(), kMax));
  return 0; // negative
}

// Whether the client lets the action's kind through (context.only).
bool KindWanted(const json& params) {
  auto context = params.find("context");
  if (context == params.end() || !context->is_object() || !context->contains("only")) return true;
  for (const json& kind : context->at("only")) {
    const std::string& name = kind.get_ref<const std::string&>();
    if (name.empty() || std::string_view(kQuickFix).starts_with(name)) return true;
  }
  return false;
}

// Whether the notification brings a document's text.
bool CarriesText(const std::string& method) {
  return method == "textDocument/didOpen" || method == "textDocument/didChange" || method == "textDocument/didSave";
}

} // namespace

TServer::TServer(std::istream& in, std::ostream& out, const TOptions& options, std::string version,
                 std::size_t maxMessage)
    : Framing(in, out, maxMessage), Version(std::move(version)), Documents(options.PartExtensions),
      Check(options.NoWarnings, false, options.Dialect, options.PassedOver) {
  Check.ReadNoHeaders(); // only what the client opens is read
  Requests = {{"initialize", &TServer::Initialize},
              {"shutdown", &TServer::Shutdown},
              {"textDocument/codeAction", &TServer::CodeAction},
              {"textDocument/formatting", &TServer::Formatting}};
  Notifications = {{"initialized", &TServer::Initialized},
                   {"exit", &TServer::Exit},
                   {"textDocument/didOpen", &TServer::DidOpen},
                   {"textDocument/didChange", &TServer::DidChange},
                   {"textDocument/didSave", &TServer::DidSave},
                   {"textDocument/didClose", &TServer::DidClose}};
}

int TServer::Run() {
  std::string body;
  while (!Exiting && !OutputFailed) {
    switch (Framing.Read(body)) {
    case TFraming::TRead::Message:
      try {
        Handle(body);
      } catch (const std::bad_alloc&) {
        LogNoMemory(); // what the message asked for is given up
      }
      if (body.capacity() > kKeptBody) std::string().swap(body);
      break;
    case TFraming::TRead::NoMemory:
      LogNoMemory(); // unread, it cannot be answered
      break;
    case TFraming::TRead::Malformed:
      Log(kLogError, kMalformedHeader);
      break;
    case TFraming::TRead::TooLong:
      Log(kLogError, TooLong(Framing.Length, Framing.Limit()));
      break;
    case TFraming::TRead::End:
      Exiting = true;
      break;
    }
  }
  return State == TState::ShutDown ? 0 : 1;
}

void TServer::Handle(const std::string& body) {
  json message;
  try {
    message = json::parse(body, nullptr, false);
  } catch (const std::bad_alloc&) {
    // What the message is can still be read without building it.
    TMessageSkim skim(body);
    if (skim.HasId && !skim.Method.empty()) return SendError(skim.Id, kInternalError, kNoMemory);
    return NotificationFailed(skim.Method, skim.Uri);
  }
  if (message.is_discarded()) return SendError(nullptr, kParseError, kNotJson);
  if (!message.is_object()) return SendError(nullptr, kInvalidRequest, kNotAnObject);
  auto id = message.find("id");
  if (id != message.end() && !id->is_string() && !id->is_number_integer() && !id->is_null())
    return SendError(nullptr, kInvalidRequest, kBadId);
  auto method = message.find("method");
  if (method == message.end() || !method->is_string()) {
    bool response = message.contains("result") || message.contains("error");
    if (!response) SendError(id == message.end() ? json() : *id, kInvalidRequest, kNoMethod);
    return; // the server sends no requests, so a response answers none
  }
  static const json kNoParams = json::object();
  auto params = message.find("params");
  const json& p = params == message.end() ? kNoParams : *params;
  if (id != message.end())
    Request(*id, method->get_ref<const std::string&>(), p);
  else
    Notification(method->get_ref<const std::string&>(), p);
}

void TServer::Request(const json& id, const std::string& method, const json& params) {
  if (State == TState::ShutDown) return SendError(id, kInvalidRequest, kShutDown);
  if (State == TState::Starting && method != "initialize") return SendError(id, kServerNotInitialized, kNotInitialized);
  if (State == TState::Running && method == "initialize") return SendError(id, kInvalidRequest, kAlreadyInitialized);
  auto handler = Requests.find(method);
  if (handler == Requests.end()) return SendError(id, kMethodNotFound, UnknownMethod(method));
  try {
    json result = (this->*handler->second)(params);
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
  } catch (const std::bad_alloc&) {
    SendError(id, kInternalError, kNoMemory);
  } catch (const TRequestError& error) {
    SendError(id, error.Code, error.Message);
  } catch (const json::exception& error) {
    SendError(id, kInvalidParams, InvalidParams(method, error.what()));
  } catch (const std::exception& error) {
    SendError(id, kInternalError, InternalError(method, error.what()));
  }
}

// Before initialize and after shutdown only exit is taken; unknown
// notifications are passed over, as the protocol allows.
void TServer::Notification(const std::string& method, const json& params) {
  if (State != TState::Running && method != "exit") return;
  auto handler = Notifications.find(method);
  if (handler == Notifications.end()) return;
  try {
    (this->*handler->second)(params);
  } catch (const std::bad_alloc&) {
    const json* uri = nullptr;
    if (auto document = params.find("textDocument"); document != params.end() && document->is_object())
      if (auto found = document->find("uri"); found != document->end() && found->is_string()) uri = &*found;
    NotificationFailed(method, uri ? uri->get_ref<const std::string&>() : std::string());
  } catch (const TRequestError& error) {
    Log(kLogError, error.Message);
  } catch (const json::exception& error) {
    Log(kLogError, InvalidParams(method, error.what()));
  } catch (const std::exception& error) {
    Log(kLogError, InternalError(method, error.what()));
  }
}

void TServer::Send(const json& message) {
  // Text that is not UTF-8 (a message quoting part of a token) gets U+FFFD.
  if (!Framing.Write(message.dump(-1, ' ', false, json::error_handler_t::replace))) OutputFailed = true;
}

void TServer::SendError(const json& id, int code, const std::string& message) {
  Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void TServer::Notify(const char* method, json params) {
  Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

void TServer::Log(int type, const std::string& message) {
  Notify("window/logMessage", {{"type", type}, {"message", message}});
}

void TServer::LogNoMemory() {
  try {
    Log(kLogError, kNoMemory);
  } catch (const std::bad_alloc&) {
    // Not even that could be said: the server goes on without it.
  }
}

// The text the server holds of a document that a notification could not
// change may no longer be the client's: the document is dropped.
void TServer::NotificationFailed(const std::string& method, const std::string& uri) {
  if (State == TState::Running && CarriesText(method) && !uri.empty()) Drop(uri);
  LogNoMemory();
}

void TServer::Drop(const std::string& uri) {
  if (Documents.Close(uri)) Notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
}

json TServer::Initialize(const json& params) {
  // Positions count bytes where the client can take them that way.
  Encoding = TTextPositions::TEncoding::Utf16;
  json encodings = params.value("/capabilities/general/positionEncodings"_json_pointer, json::array());
  for (const json& name : encodings)
    if (name == "utf-8") Encoding = TTextPositions::TEncoding::Utf8;
  // Configuration files are read only in the folders the client names.
  Folders.clear();
  for (const json& folder : params.value("workspaceFolders", json::array()))
    if (folder.is_object() && folder.value("uri", json()).is_string())
      Folders.push_back(TDocumentStore::PathOf(folder["uri"].get<std::string>()));
  if (Folders.empty() && params.value("rootUri", json()).is_string())
    Folders.push_back(TDocumentStore::PathOf(params["rootUri"].get<std::string>()));
  std::erase_if(Folders, [](const std::string& path) { return path.empty() || path[0] != '/'; });
  for (std::string& folder : Folders) folder = TConfigTree::Absolute(folder);
  State = TState::Running;
  json capabilities = {
      {"positionEncoding", Encoding == TTextPositions::TEncoding::Utf8 ? "utf-8" : "utf-16"},
      {"textDocumentSync", {{"openClose", true}, {"change", kFullSync}, {"save", {{"includeText", false}}}}},
      {"codeActionProvider", {{"codeActionKinds", json::array({kQuickFix})}}},
      {"documentFormattingProvider", true},
  };
  return {{"capabilities", std::move(capabilities)}, {"serverInfo", {{"name", "regkit"}, {"version", Version}}}};
}

json TServer::Shutdown(const json&) {
  State = TState::ShutDown;
  return nullptr;
}

TServer::TDocument& TServer::DocumentOf(const json& params) {
  const std::string& uri = Uri(params);
  TDocument* document = Documents.Find(uri);
  if (!document) throw TRequestError{kInvalidParams, NotOpen(uri)};
  return *document;
}

void TServer::Scan(const TDocument& document) {
  if (document.Generation == ScannedGeneration) return;
  Findings.clear();
  if (document.Kind == TDocument::TKind::PartFile) {
    TPartOptions options;
    options.SourceName = document.Uri;
    options.DestName = TPartEngine::DefaultDestination(document.Uri);
    TFileText include;
    std::optional<std::string_view> includeText;
    if (ReadInclude(document, include)) {
      includeText = include.Text();
      options.IncludeName = include.Name();
    }
    Parts.Generate(includeText, document.Text, options, PartResult);
    for (const TDiagnostic& d : PartResult.Diagnostics) {
      TFinding finding = TFindings::OfPass(document.Path, d);
      // A report in the include file is shown at the document's start.
      if (!d.File.empty()) {
        finding.Path = document.Path;
        finding.Line = finding.Column = 1;
        finding.Message = d.File + ":" + std::to_string(d.FileLine) + ": " + finding.Message;
      }
      Findings.push_back(std::move(finding));
    }
  } else {
    Check.Run(document.Path, document.Text, Findings);
  }
  ScannedGeneration = document.Generation;
}

bool TServer::ReadInclude(const TDocument& document, TFileText& include) {
  if (Folders.empty() || document.Path.empty() || document.Path[0] != '/') return false;
  const TOptions defaults;
  TConfigTree config(defaults);
  config.Within = Folders;
  const TSettings* settings = config.For(DirectoryOf(document.Path));
  for (const std::string& problem : config.Errors) LogOnce(kLogError, problem);
  if (!settings || settings->PartInclude.Value.empty()) return false;
  if (TError error = include.Open(TDir(), settings->PartIncludePath, true, TConfigFile::kMaxSize)) {
    LogOnce(kLogError, IncludeUnreadable(settings->PartIncludePath, error.Reason()));
    return false;
  }
  return true;
}

void TServer::LogOnce(int type, const std::string& message) {
  if (Logged.insert(message).second) Log(type, message);
}

json TServer::Diagnostics(const TDocument& document) {
  Scan(document);
  const TScanResult* scan = document.Kind == TDocument::TKind::Source ? &Check.Scan() : nullptr;
  return TConversions(document.Text, Encoding).Diagnostics(Findings, scan);
}

void TServer::Publish(const TDocument& document) {
  Notify("textDocument/publishDiagnostics",
         {{"uri", document.Uri}, {"version", document.Version}, {"diagnostics", Diagnostics(document)}});
}

void TServer::DidOpen(const json& params) {
  const json& textDocument = params.at("textDocument");
  Publish(Documents.Open(textDocument.at("uri").get<std::string>(), VersionOf(textDocument),
                         textDocument.at("text").get<std::string>()));
}

void TServer::DidChange(const json& params) {
  const std::string& uri = Uri(params);
  const json& changes = params.at("contentChanges");
  if (changes.empty()) return;
  // Full sync: the last change holds the whole text. A change by range
  // cannot be taken, and a text held out of step would give wrong edits.
  for (const json& change : changes)
    if (change.contains("range")) {
      Drop(uri);
      throw TRequestError{kInvalidParams, kRangeChange};
    }
  TDocument* document =
      Documents.Change(uri, VersionOf(params.at("textDocument")), changes.back().at("text").get<std::string>());
  if (!document) throw TRequestError{kInvalidParams, NotOpen(uri)};
  Publish(*document);
}

void TServer::DidSave(const json& params) {
  const std::string& uri = Uri(params);
  TDocument* document = Documents.Find(uri);
  if (!document) throw TRequestError{kInvalidParams, NotOpen(uri)};
  auto text = params.find("text");
  if (text == params.end()) return; // the text held is the saved one
  Publish(*Documents.Change(uri, document->Version, text->get<std::string>()));
}

void TServer::DidClose(const json& params) {
  const std::string& uri = Uri(params);
  if (!Documents.Close(uri)) throw TRequestError{kInvalidParams, NotOpen(uri)};
  Notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
}

// The quick fix on a stale body: every stale body of the document updated,
// offered where the range the client asks about touches one of them.
json TServer::CodeAction(const json& params) {
  TDocument& document = DocumentOf(params);
  const json& range = params.at("range");
  int first = LineOf(range.at("start")), last = LineOf(range.at("end"));
  if (document.Kind != TDocument::TKind::Source || !KindWanted(params)) return json::array();
  Scan(document);
  const TScanResult& scan = Check.Scan();
  if (!scan.Ok) return json::array();
  TConversions convert(document.Text, Encoding);
  bool touched = false;
  for (const TBodyRange& body : scan.Bodies)
    if (body.Stale() && convert.ClientLine(body.BraceLine) <= last && convert.ClientLine(body.CloseLine) >= first)
      touched = true;
  if (!touched) return json::array();
  json diagnostics = json::array();
  for (const TFinding& finding : Findings)
    if (finding.Rule == TFinding::TRule::StaleBody) diagnostics.push_back(convert.Diagnostic(finding, &scan));
  std::vector<TLineEdits::TEdit> edits =
      TLineEdits::Make(document.Text, scan.Text.Flatten(), scan, TLineEdits::TScope::StaleBodies);
  json action = {{"title", kUpdateTitle},
                 {"kind", kQuickFix},
                 {"isPreferred", true},
                 {"diagnostics", std::move(diagnostics)},
                 {"edit", {{"changes", {{document.Uri, convert.TextEdits(edits)}}}}}};
  return json::array({std::move(action)});
}

// The edits of the lines that change: the stale bodies, and line ends that
// are not a line feed.
json TServer::Formatting(const json& params) {
  TDocument& document = DocumentOf(params);
  if (document.Kind != TDocument::TKind::Source) return json::array();
  Scan(document);
  const TScanResult& scan = Check.Scan();
  if (!scan.Ok) {
    for (const TDiagnostic& d : scan.Diagnostics)
      if (d.Kind == TDiagnostic::TKind::Error) throw TRequestError{kRequestFailed, NotFormatted(d.Line, d.Message)};
    throw TRequestError{kRequestFailed, NotFormatted(0, "")};
  }
  std::vector<TLineEdits::TEdit> edits =
      TLineEdits::Make(document.Text, scan.Text.Flatten(), scan, TLineEdits::TScope::All);
  return TConversions(document.Text, Encoding).TextEdits(edits);
}
