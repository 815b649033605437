#include "regkit/lsp/protocol.h"

#include <new>

#include "regkit/lsp/lsp_messages.h"
#include "regkit/lsp/message_skim.h"

using nlohmann::json;
using namespace lsp_msg;

namespace {

// The memory of a message body up to this size is kept for the next one.
const std::size_t kKeptBody = std::size_t{1} << 20;

// Whether the notification brings a document's text.
bool CarriesText(const std::string& method) {
  return method == "textDocument/didOpen" || method == "textDocument/didChange" ||
         method == "textDocument/didSave";
}

// The message for params that could not be read as the handler of method
// needs them.
std::string BadParams(const std::string& method, const json::exception& error) {
  if (dynamic_cast<const json::out_of_range*>(&error)) return MissingParam(method);
  if (dynamic_cast<const json::type_error*>(&error)) return WrongParamType(method);
  return InvalidParams(method);
}

} // namespace

TProtocol::TProtocol(TFraming& framing) : Framing(framing) {
  Requests["shutdown"] = [this](const json&) {
    State = TState::ShutDown;
    return json(nullptr);
  };
  Notifications["exit"] = [this](const json&) { Exiting = true; };
}

int TProtocol::Run() {
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

void TProtocol::Handle(const std::string& body) {
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

void TProtocol::Request(const json& id, const std::string& method, const json& params) {
  if (State == TState::ShutDown) return SendError(id, kInvalidRequest, kShutDown);
  if (State == TState::Starting && method != "initialize")
    return SendError(id, kServerNotInitialized, kNotInitialized);
  if (State == TState::Running && method == "initialize")
    return SendError(id, kInvalidRequest, kAlreadyInitialized);
  auto handler = Requests.find(method);
  if (handler == Requests.end()) return SendError(id, kMethodNotFound, UnknownMethod(method));
  try {
    json result = handler->second(params);
    if (method == "initialize") State = TState::Running;
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
  } catch (const std::bad_alloc&) {
    SendError(id, kInternalError, kNoMemory);
  } catch (const TRequestError& error) {
    SendError(id, error.Code, error.Message);
  } catch (const json::exception& error) {
    SendError(id, kInvalidParams, BadParams(method, error));
  } catch (const std::exception&) {
    SendError(id, kInternalError, InternalError(method));
  }
}

// Before initialize and after shutdown only exit is taken; unknown
// notifications are passed over, as the protocol allows.
void TProtocol::Notification(const std::string& method, const json& params) {
  if (State != TState::Running && method != "exit") return;
  auto handler = Notifications.find(method);
  if (handler == Notifications.end()) return;
  try {
    handler->second(params);
  } catch (const std::bad_alloc&) {
    const json* uri = nullptr;
    if (auto document = params.find("textDocument"); document != params.end() && document->is_object())
      if (auto found = document->find("uri"); found != document->end() && found->is_string()) uri = &*found;
    NotificationFailed(method, uri ? uri->get_ref<const std::string&>() : std::string());
  } catch (const TRequestError& error) {
    Log(kLogError, error.Message);
  } catch (const json::exception& error) {
    Log(kLogError, BadParams(method, error));
  } catch (const std::exception&) {
    Log(kLogError, InternalError(method));
  }
}

void TProtocol::Send(const json& message) {
  // Text that is not UTF-8 (a message quoting part of a token) gets U+FFFD.
  if (!Framing.Write(message.dump(-1, ' ', false, json::error_handler_t::replace))) OutputFailed = true;
}

void TProtocol::SendError(const json& id, int code, const std::string& message) {
  Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void TProtocol::Notify(const char* method, json params) {
  Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

void TProtocol::Log(int type, const std::string& message) {
  Notify("window/logMessage", {{"type", type}, {"message", message}});
}

void TProtocol::LogNoMemory() {
  try {
    Log(kLogError, kNoMemory);
  } catch (const std::bad_alloc&) {
    // Not even that could be said: the server goes on without it.
  }
}

// The text the server holds of a document that a notification could not
// change may no longer be the client's: the features let it go.
void TProtocol::NotificationFailed(const std::string& method, const std::string& uri) {
  if (State == TState::Running && CarriesText(method) && !uri.empty() && LostText) LostText(uri);
  LogNoMemory();
}
