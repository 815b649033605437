// regkit lsp: a language server for C++ headers and sources and
// part-description files over JSON-RPC with the base protocol's framing:
// diagnostics of every text the client opens or changes, a quick fix that
// updates the Register() bodies, and formatting. These are the features:
// the messages come and go through the protocol (TProtocol) over the
// transport (TFraming).
#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "kessrow/part_engine.h"
#include "regkit/lsp/document_store.h"
#include "regkit/lsp/framing.h"
#include "regkit/lsp/protocol.h"
#include "regkit/lsp/text_positions.h"
#include "regkit/lsp/workspace_classes.h"
#include "regkit/options.h"
#include "regkit/text_check.h"

class TServer {
public:
  // options: regkit's (-w, --part-ext, --dialect, --passed-over); version:
  // regkit's, named to the client.
  TServer(std::istream& in, std::ostream& out, const TOptions& options, std::string version,
          std::size_t maxMessage = TFraming::kMaxMessage);

  // Serves until the exit notification or the end of the input; returns
  // the exit status: 0 when the client asked for shutdown first, else 1.
  int Run() { return Protocol.Run(); }
  // Handles one message body (JSON).
  void Handle(const std::string& body) { Protocol.Handle(body); }

private:
  using TDocument = TDocumentStore::TDocument;
  using TRequest = nlohmann::json (TServer::*)(const nlohmann::json& params);
  using TNotification = void (TServer::*)(const nlohmann::json& params);

  void Notify(const char* method, nlohmann::json params) { Protocol.Notify(method, std::move(params)); }
  // Closes the document of uri, if open, and clears its diagnostics.
  void Drop(const std::string& uri);

  nlohmann::json Initialize(const nlohmann::json& params);
  nlohmann::json CodeAction(const nlohmann::json& params);
  nlohmann::json Formatting(const nlohmann::json& params);
  void DidOpen(const nlohmann::json& params);
  void DidChange(const nlohmann::json& params);
  void DidSave(const nlohmann::json& params);
  void DidClose(const nlohmann::json& params);

  // The open document params.textDocument names; an error when none.
  TDocument& DocumentOf(const nlohmann::json& params);
  // Scans the document's text unless its last scan is current; fills
  // Findings (and, for a part file, nothing else).
  void Scan(const TDocument& document);
  // The document's diagnostics, as published.
  nlohmann::json Diagnostics(const TDocument& document);
  void Publish(const TDocument& document);

  TFraming Framing;            // the transport
  TProtocol Protocol{Framing}; // JSON-RPC and the lifecycle over it
  std::string Version;
  TTextPositions::TEncoding Encoding = TTextPositions::TEncoding::Utf16;
  std::map<std::string, TRequest> Requests;
  std::map<std::string, TNotification> Notifications;
  TDocumentStore Documents;

  TTextCheck Check; // the C++ scan
  // The include file of a part file (part-include of the configuration in
  // its workspace folder), read into include; false where there is none.
  bool ReadInclude(const TDocument& document, TFileText& include);
  // Logs a message the first time only.
  void LogOnce(int type, const std::string& message);
  std::vector<std::string> Folders; // the workspace folders, absolute
  std::set<std::string> Logged;
  TPartEngine Parts; // the part-file pass
  TPartResult PartResult;
  std::uint64_t ScannedGeneration = 0; // of the document last scanned
  std::vector<TFinding> Findings;      // of that scan
  TOptions Options;                    // the command line's
  TWorkspaceClasses Workspace;         // the classes below the folders, read when needed
};
