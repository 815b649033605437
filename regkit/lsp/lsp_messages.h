// Every text the language server sends: error messages of its responses
// and the messages it logs to the client.
#pragma once

#include <cstddef>
#include <string>

namespace lsp_msg {

inline constexpr const char* kUpdateTitle = "Update Register() bodies";
inline constexpr const char* kNotJson = "The message is not JSON.";
inline constexpr const char* kNotAnObject = "The message is not a JSON object.";
inline constexpr const char* kBadId = "The id is neither a number nor a string.";
inline constexpr const char* kNoMethod = "The message has no method.";
inline constexpr const char* kNotInitialized = "The server is not initialized yet.";
inline constexpr const char* kAlreadyInitialized = "The server is initialized already.";
inline constexpr const char* kShutDown = "The server is shut down.";
// A part file's include file (part-include of .regkit.toml) that cannot be read.
inline std::string IncludeUnreadable(const std::string& path, const std::string& reason) {
  return "The include file " + path + " could not be read (" + reason + ").";
}
inline constexpr const char* kMalformedHeader = "A message header without a valid Content-Length was passed over.";
inline constexpr const char* kBadLine = "A position's line is not a whole number.";
// A message, or what it asked for, took more memory than there was.
inline constexpr const char* kNoMemory = "not enough memory";
inline constexpr const char* kRangeChange =
    "A change by range was sent, but the server takes whole texts; the document is closed.";

inline std::string UnknownMethod(const std::string& method) { return "Unknown method " + method + "."; }
inline std::string MissingParam(const std::string& method) {
  return "Invalid params of " + method + ": a member is missing.";
}
inline std::string WrongParamType(const std::string& method) {
  return "Invalid params of " + method + ": a value has the wrong type.";
}
inline std::string InvalidParams(const std::string& method) { return "Invalid params of " + method + "."; }
inline std::string InternalError(const std::string& method) { return "Internal error in " + method + "."; }
inline std::string NotOpen(const std::string& uri) { return "The document " + uri + " is not open."; }
inline std::string TooLong(std::size_t length, std::size_t limit) {
  return "A message of " + std::to_string(length) + " bytes was passed over: the limit is " + std::to_string(limit) +
         " bytes.";
}
inline std::string NotFormatted(int line, const std::string& message) {
  return "The text cannot be formatted: line " + std::to_string(line) + ": " + message;
}

} // namespace lsp_msg
