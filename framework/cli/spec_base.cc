#include "framework/cli/spec_base.h"

#include <cstring>

#include "framework/cli/arg_assist.h"
#include "framework/text/char_class.h"
#include "framework/files/file_io.h"
#include "framework/cli/version.h"

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
} // namespace

void TSpecBase::DeclareArgs(TArgAssistant& aa, const char* flags, const char* params,
                            std::span<const char* const> usage) {
  AA = &aa;
  aa.LegalFlags = flags;
  aa.LegalParams = params;
  for (const char* line : usage) aa.AddUsage(line);
}

void TSpecBase::PrintUsageLines(std::ostream& os) const {
  os << ".  Usage:";
  if (AA) AA->PrintUsage(os);
  os << "\n";
}

bool TSpecBase::PromptWanted(bool warnings) { return Flag('p') && (warnings || !Success()); }

bool TSpecBase::Flag(char letter) const { return AA && AA->GetFlag(letter); }

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
    if (IsDigitChar(c) && i == 0 && !allowLeadingDigit) return false;
    if (!IsAlnumChar(c) && c != '_') return false;
  }
  return true;
}

std::string_view TSpecBase::Trimmed(std::string_view text) {
  while (!text.empty() && IsSpaceChar(text.back())) text.remove_suffix(1);
  while (!text.empty() && IsSpaceChar(text.front())) text.remove_prefix(1);
  return text;
}

void TSpecBase::Trim(std::string& text) { text = std::string(Trimmed(text)); }
