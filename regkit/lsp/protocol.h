// The protocol side of the language server: JSON-RPC over the framing,
// the dispatch of requests and notifications to the handlers the features
// give, the lifecycle (initialize to exit), and the errors and log messages
// in the server's own words. It knows no document and no scan.
#pragma once

#include <functional>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "regkit/lsp/framing.h"

class TProtocol {
public:
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
  // What a handler throws instead of a result (a request) or to have it
  // logged (a notification).
  struct TRequestError {
    int Code;
    std::string Message;
  };
  using TRequest = std::function<nlohmann::json(const nlohmann::json& params)>;
  using TNotification = std::function<void(const nlohmann::json& params)>;
  // Memory ran out for a notification that may have brought the text of
  // the document uri (empty when unknown): the features let it go.
  using TLostText = std::function<void(const std::string& uri)>;

  // The protocol over framing, which must outlive it.
  explicit TProtocol(TFraming& framing);

  // Gives a request or notification its handler; the client is served
  // once initialize answered; shutdown and exit are the protocol's own.
  void OnRequest(const std::string& method, TRequest handler) { Requests[method] = std::move(handler); }
  void OnNotification(const std::string& method, TNotification handler) {
    Notifications[method] = std::move(handler);
  }
  // Gives the handler of a text lost for want of memory.
  void OnLostText(TLostText handler) { LostText = std::move(handler); }

  // Serves until the exit notification or the end of the input; returns
  // the exit status: 0 when the client asked for shutdown first, else 1.
  int Run();
  // Handles one message body (JSON).
  void Handle(const std::string& body);
  // Sends a notification to the client.
  void Notify(const char* method, nlohmann::json params);
  // Logs a message to the client.
  void Log(int type, const std::string& message);

private:
  enum class TState { Starting, Running, ShutDown };

  void Request(const nlohmann::json& id, const std::string& method, const nlohmann::json& params);
  void Notification(const std::string& method, const nlohmann::json& params);
  void Send(const nlohmann::json& message);
  void SendError(const nlohmann::json& id, int code, const std::string& message);
  // Memory ran out for a notification (its method and document, where
  // known): the document it brought a text of is let go, and the client
  // is told.
  void NotificationFailed(const std::string& method, const std::string& uri);
  // Tells the client that memory ran out; says nothing when even that
  // cannot be done.
  void LogNoMemory();

  TFraming& Framing;
  TState State = TState::Starting;
  bool Exiting = false;
  bool OutputFailed = false;
  std::map<std::string, TRequest> Requests;
  std::map<std::string, TNotification> Notifications;
  TLostText LostText;
};
