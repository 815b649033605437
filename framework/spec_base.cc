#include "framework/spec_base.h"

#include <cstring>

#include "framework/file_io.h"

#ifndef REGKIT_NAME
#define REGKIT_NAME "regkit"
#endif
#ifndef REGKIT_VERSION
#define REGKIT_VERSION "0.0.0"
#endif

void TSpecBase::PrintBanner(std::ostream& os) {
  os << "\n\n";
  if (const char* name = GetProgramName()) os << name << ":  ";
  os << REGKIT_NAME " " REGKIT_VERSION " -- C++ registration and part header generators";
  os << "\n";
  os << (Purpose ? Purpose : "");
}

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

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
} // namespace

void TSpecBase::RemoveExtension(std::string& name) {
  std::size_t dot = ExtensionDot(name);
  if (dot != std::string::npos) name.resize(dot);
}

std::string TSpecBase::GetExtension(const std::string& name) {
  std::size_t dot = ExtensionDot(name);
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

bool TSpecBase::StringMatchesFile(std::string_view text, const char* fileName) {
  return FileHoldsText(fileName, text);
}

bool TSpecBase::IsValidC_Identifier(std::string_view name, bool allowLeadingDigit) {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    bool digit = c >= '0' && c <= '9';
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (digit && i == 0 && !allowLeadingDigit) return false;
    if (!digit && !letter) return false;
  }
  return true;
}

std::string_view TSpecBase::Trimmed(std::string_view text) {
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  return text;
}

void TSpecBase::Trim(std::string& text) { text = std::string(Trimmed(text)); }
