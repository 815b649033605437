#include "regkit/lsp/server.h"

#include <algorithm>
#include <limits>

#include "framework/files/file_io.h"
#include "regkit/config_tree.h"
#include "regkit/findings.h"
#include "regkit/lsp/conversions.h"
#include "regkit/lsp/line_edits.h"
#include "regkit/lsp/lsp_messages.h"

using nlohmann::json;
using namespace lsp_msg;

namespace {

using TRequestError = TProtocol::TRequestError;
const int kInvalidParams = TProtocol::kInvalidParams;
const int kRequestFailed = TProtocol::kRequestFailed;
// TextDocumentSyncKind: the whole text with every change.
const int kFullSync = 1;
const char* const kQuickFix = "quickfix";

const std::string& Uri(const json& params) {
  return params.at("textDocument").at("uri").get_ref<const std::string&>();
}

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

} // namespace

TServer::TServer(std::istream& in, std::ostream& out, const TOptions& options, std::string version,
                 std::size_t maxMessage)
    : Framing(in, out, maxMessage), Version(std::move(version)), Documents(options.PartExtensions),
      Check(options.NoWarnings, false, options.Dialect, options.PassedOver), Options(options),
      Workspace(Options, TFraming::kMaxMessage) {
  // Headers are read only inside the workspace folders.
  Check.ReadHeadersWithin(&Folders, TFraming::kMaxMessage);
  Requests = {{"initialize", &TServer::Initialize},
              {"textDocument/codeAction", &TServer::CodeAction},
              {"textDocument/formatting", &TServer::Formatting}};
  Notifications = {{"textDocument/didOpen", &TServer::DidOpen},
                   {"textDocument/didChange", &TServer::DidChange},
                   {"textDocument/didSave", &TServer::DidSave},
                   {"textDocument/didClose", &TServer::DidClose}};
  // (A lambda takes a copy of the handler: clang 14 cannot capture a
  // structured binding.)
  for (const auto& entry : Requests) {
    TRequest handler = entry.second;
    Protocol.OnRequest(entry.first, [this, handler](const json& params) { return (this->*handler)(params); });
  }
  for (const auto& entry : Notifications) {
    TNotification handler = entry.second;
    Protocol.OnNotification(entry.first, [this, handler](const json& params) { (this->*handler)(params); });
  }
  Protocol.OnLostText([this](const std::string& uri) { Drop(uri); });
}

void TServer::Drop(const std::string& uri) {
  if (Documents.Close(uri))
    Notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
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
  json capabilities = {
      {"positionEncoding", Encoding == TTextPositions::TEncoding::Utf8 ? "utf-8" : "utf-16"},
      {"textDocumentSync", {{"openClose", true}, {"change", kFullSync}, {"save", {{"includeText", false}}}}},
      {"codeActionProvider", {{"codeActionKinds", json::array({kQuickFix})}}},
      {"documentFormattingProvider", true},
  };
  return {{"capabilities", std::move(capabilities)},
          {"serverInfo", {{"name", "regkit"}, {"version", Version}}}};
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
    // The dialect and level of the document's configuration, read only
    // inside the workspace folders; the command line's over them.
    TConfigTree config(Options);
    config.Within = Folders;
    const TSettings* settings = nullptr;
    if (!Folders.empty() && !document.Path.empty() && document.Path[0] == '/') {
      settings = config.For(DirectoryOf(document.Path));
      for (const std::string& problem : config.Errors) LogOnce(TProtocol::kLogError, problem);
    }
    Check.Configure(settings);
    Check.UseRunClasses(nullptr);
    Check.Run(document.Path, document.Text, Findings);
    // A body whose class neither the text nor its headers hold: again with
    // the workspace's classes.
    if (Check.Scan().ClassesMissing > 0 && !Folders.empty()) {
      Findings.clear();
      Check.UseRunClasses(&Workspace.Of(Folders).Classes());
      Check.Run(document.Path, document.Text, Findings);
    }
  }
  ScannedGeneration = document.Generation;
}

bool TServer::ReadInclude(const TDocument& document, TFileText& include) {
  if (Folders.empty() || document.Path.empty() || document.Path[0] != '/') return false;
  const TOptions defaults;
  TConfigTree config(defaults);
  config.Within = Folders;
  const TSettings* settings = config.For(DirectoryOf(document.Path));
  for (const std::string& problem : config.Errors) LogOnce(TProtocol::kLogError, problem);
  if (!settings || settings->PartInclude.Value.empty()) return false;
  if (TError error = include.Open(TDir(), settings->PartIncludePath, true, TConfigFile::kMaxSize)) {
    LogOnce(TProtocol::kLogError, IncludeUnreadable(settings->PartIncludePath, error.Reason()));
    return false;
  }
  return true;
}

void TServer::LogOnce(int type, const std::string& message) {
  if (Logged.insert(message).second) Protocol.Log(type, message);
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
  TDocument* document = Documents.Change(uri, VersionOf(params.at("textDocument")),
                                         changes.back().at("text").get<std::string>());
  if (!document) throw TRequestError{kInvalidParams, NotOpen(uri)};
  Publish(*document);
}

void TServer::DidSave(const json& params) {
  const std::string& uri = Uri(params);
  TDocument* document = Documents.Find(uri);
  if (!document) throw TRequestError{kInvalidParams, NotOpen(uri)};
  // A class may have changed on disk: the workspace is read again, and
  // each other document with a body outside its class judged again.
  Workspace.Forget();
  ScannedGeneration = 0;
  for (const auto& [other, open] : Documents.All())
    if (other != uri && open.Kind == TDocument::TKind::Source && open.Text.find("::Register") != std::string::npos)
      Publish(open);
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
    if (body.Stale() && convert.ClientLine(body.BraceLine) <= last &&
        convert.ClientLine(body.CloseLine) >= first)
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
      if (d.Kind == TDiagnostic::TKind::Error)
        throw TRequestError{kRequestFailed, NotFormatted(d.Line, d.Message)};
    throw TRequestError{kRequestFailed, NotFormatted(0, "")};
  }
  std::vector<TLineEdits::TEdit> edits =
      TLineEdits::Make(document.Text, scan.Text.Flatten(), scan, TLineEdits::TScope::All);
  return TConversions(document.Text, Encoding).TextEdits(edits);
}
