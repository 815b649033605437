#include "framework/text/names.h"

#include "framework/text/char_class.h"

namespace {
// Index of the dot that starts the extension, or npos. The scan runs from
// the end towards the front, never looks at index 0, and stops at a slash.
std::size_t ExtensionDot(const std::string& name) {
  for (std::size_t i = name.size(); i-- > 1;) {
    if (name[i] == '/') return std::string::npos;
    if (name[i] == '.') return i;
  }
  return std::string::npos;
}
} // namespace

void RemoveExtension(std::string& name) {
  std::size_t dot = ExtensionDot(name);
  if (dot != std::string::npos) name.resize(dot);
}

std::string ExtensionOf(const std::string& name) {
  std::size_t dot = ExtensionDot(name);
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

bool IsCIdentifier(std::string_view name, bool allowLeadingDigit) {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (IsDigitChar(c) && i == 0 && !allowLeadingDigit) return false;
    if (!IsAlnumChar(c) && c != '_') return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsSpaceChar(text.back())) text.remove_suffix(1);
  while (!text.empty() && IsSpaceChar(text.front())) text.remove_prefix(1);
  return text;
}
