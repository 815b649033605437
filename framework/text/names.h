// File names and words as both programs read them: a name's extension,
// a C identifier, text without its surrounding white space. The tool
// base offers the same under the names its programs use.
#pragma once

#include <string>
#include <string_view>

// Cuts the extension (from the last dot after the last slash, never at
// index 0) off name.
void RemoveExtension(std::string& name);
// The extension RemoveExtension would cut, without its dot.
std::string ExtensionOf(const std::string& name);
// Whether name is letters, digits and underscores, not empty, and begins
// with a digit only where allowLeadingDigit.
bool IsCIdentifier(std::string_view name, bool allowLeadingDigit);
// text without its leading and trailing white space.
std::string_view Trimmed(std::string_view text);
