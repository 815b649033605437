// What a JSON-RPC message is, read from its text without building it: for
// a message that could not be parsed in the memory left, so that a request
// is still answered and the document a notification concerns is known.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

class TMessageSkim {
public:
  // Finds the message's "id", "method" and "params"."textDocument"."uri"
  // by stepping over the rest of body; takes nothing more. A value that
  // is long, or anything after the text stops being a JSON object, is
  // not taken.
  explicit TMessageSkim(std::string_view body);

  bool HasId = false; // the message has an id that is a number, a string or null
  nlohmann::json Id;  // then it
  std::string Method; // empty when there is none
  std::string Uri;    // of params.textDocument; empty when there is none
};
