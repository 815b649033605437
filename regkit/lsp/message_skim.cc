#include "regkit/lsp/message_skim.h"

using nlohmann::json;

namespace {

const std::size_t kNone = std::string_view::npos;
// A key or value is only taken up to this length (a URI may be long).
const std::size_t kMaxTaken = std::size_t{64} << 10;

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'))
    ++at;
  return at;
}

// The end of the string whose quote is at at; kNone when it has none.
std::size_t StringEnd(std::string_view text, std::size_t at) {
  for (at = text.find_first_of("\"\\", at + 1); at != kNone; at = text.find_first_of("\"\\", at + 2))
    if (text[at] == '"') return at + 1;
  return kNone;
}

// The end of the value that begins at at; kNone when it has none. Nested
// values are counted, not descended into.
std::size_t ValueEnd(std::string_view text, std::size_t at) {
  if (at >= text.size()) return kNone;
  if (text[at] == '"') return StringEnd(text, at);
  if (text[at] != '{' && text[at] != '[') {
    std::size_t end = text.find_first_of(",}] \t\r\n", at);
    return end == kNone ? text.size() : end;
  }
  std::size_t depth = 0;
  while (at < text.size()) {
    char c = text[at];
    if (c == '"') {
      at = StringEnd(text, at);
      if (at == kNone) return kNone;
      continue;
    }
    if (c == '{' || c == '[') ++depth;
    if ((c == '}' || c == ']') && --depth == 0) return at + 1;
    ++at;
  }
  return kNone;
}

// A short value, parsed; discarded when it is long or no JSON.
json Taken(std::string_view raw) {
  return raw.size() > kMaxTaken ? json(json::value_t::discarded) : json::parse(raw, nullptr, false);
}

// Calls take(key, value) with each member of the object that text holds,
// in order, until the text stops being one.
template <class TTake> void EachMember(std::string_view text, TTake take) {
  std::size_t at = SkipBlanks(text, 0);
  if (at >= text.size() || text[at] != '{') return;
  at = SkipBlanks(text, at + 1);
  while (at < text.size() && text[at] == '"') {
    std::size_t keyEnd = StringEnd(text, at);
    if (keyEnd == kNone) return;
    json key = Taken(text.substr(at, keyEnd - at));
    at = SkipBlanks(text, keyEnd);
    if (at >= text.size() || text[at] != ':') return;
    at = SkipBlanks(text, at + 1);
    std::size_t end = ValueEnd(text, at);
    if (end == kNone) return;
    if (key.is_string()) take(key.get_ref<const std::string&>(), text.substr(at, end - at));
    at = SkipBlanks(text, end);
    if (at >= text.size() || text[at] != ',') return;
    at = SkipBlanks(text, at + 1);
  }
}

} // namespace

TMessageSkim::TMessageSkim(std::string_view body) {
  EachMember(body, [&](const std::string& key, std::string_view value) {
    if (key == "id") {
      Id = Taken(value);
      HasId = Id.is_string() || Id.is_number_integer() || Id.is_null();
    } else if (key == "method") {
      json method = Taken(value);
      Method = method.is_string() ? method.get<std::string>() : "";
    } else if (key == "params") {
      EachMember(value, [&](const std::string& key, std::string_view value) {
        if (key != "textDocument") return;
        EachMember(value, [&](const std::string& key, std::string_view value) {
          json uri = key == "uri" ? Taken(value) : json();
          if (uri.is_string()) Uri = uri.get<std::string>();
        });
      });
    }
  });
}
