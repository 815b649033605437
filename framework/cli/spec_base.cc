#include "framework/cli/spec_base.h"

#include <cstring>

#include "framework/cli/arg_assist.h"
#include "framework/text/names.h"
#include "framework/files/file_io.h"
#include "framework/cli/version.h"

void TSpecBase::PrintBanner(std::ostream& os) {
  os << "\n\n";
  if (const char* name = GetProgramName()) os << name << ":  ";
  os << REGKIT_NAME " " REGKIT_VERSION " -- C++ registration and part header generators";
  os << "\n";
  os << (Purpose ? Purpose : "");
}


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

void TSpecBase::RemoveExtension(std::string& name) { ::RemoveExtension(name); }

std::string TSpecBase::GetExtension(const std::string& name) { return ExtensionOf(name); }

bool TSpecBase::StringMatchesFile(std::string_view text, const char* fileName) {
  return FileHoldsText(fileName, text);
}

bool TSpecBase::IsValidC_Identifier(std::string_view name, bool allowLeadingDigit) {
  return IsCIdentifier(name, allowLeadingDigit);
}

std::string_view TSpecBase::Trimmed(std::string_view text) { return ::Trimmed(text); }

void TSpecBase::Trim(std::string& text) { text = std::string(Trimmed(text)); }
