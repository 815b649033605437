// Every text that kessrow reports, in one place, each sentence whole so
// that a message seen on the console can be found here. Messages about the
// input are written after the report head ("***** Error ...: "); the second
// line of a two-line message follows "\n***** ".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kessrow_msg {

// The tool.
inline constexpr const char* kPurpose = "Generates C++ part classes from part-description files.";

// Run and files. The file messages follow kFileError.
inline constexpr const char* kFileError = "\n***** File error: ";
inline std::string NoSource(std::string_view name) {
  return "Could not open source file " + std::string(name) + ".";
}
inline std::string NoInclude(std::string_view name) {
  return "Could not open include file " + std::string(name) + ".";
}
inline std::string OverwritesSource(std::string_view dest) {
  return "destination file " + std::string(dest) + " would overwrite the source file.\n";
}
inline std::string OverwritesInclude(std::string_view dest) {
  return "destination file " + std::string(dest) + " would overwrite the include file.\n";
}
inline std::string CannotCreate(std::string_view dest) {
  return "could not create destination file " + std::string(dest) + "\n";
}
inline std::string CannotRemoveDest(std::string_view dest) {
  return "could not remove destination file " + std::string(dest) + ".\n";
}
inline std::string WriteFailed(std::string_view dest) {
  return "write to destination file " + std::string(dest) + " failed.\n";
}
inline std::string SourceChanged(std::string_view name) {
  return "source file " + std::string(name) + " changed while it was read; nothing was written.\n";
}

// Verbose notes (-v).
inline std::string ProcessingFile(std::string_view name) {
  return "\nProcessing file " + std::string(name) + ".";
}
inline std::string IncludingFile(std::string_view name) {
  return "\nIncluding file " + std::string(name) + ".";
}
inline constexpr const char* kUnchangedNote = "\nDestination is unchanged.";
inline constexpr const char* kSuccessNote = "\nSuccess.";

// Contexts: token is the keyword met in the wrong place.
inline std::string NotOutside(std::string_view token) {
  return "Token " + std::string(token) + " is not allowed in part block or ports block.";
}
inline std::string NotInPorts(std::string_view token) {
  return "Token " + std::string(token) + " is not allowed in port block.";
}
inline std::string OnlyPart(std::string_view token) {
  return "Token " + std::string(token) + " is only allowed in part block.";
}
inline std::string OnlyPorts(std::string_view token) {
  return "Token " + std::string(token) + " is only allowed in ports block.";
}

// Tokens and numbers.
inline constexpr const char* kUnexpected = "Unexpected token.";
inline constexpr const char* kSigned = "Signed number not allowed.";
inline constexpr const char* kNotInteger = "Expected a decimal integer.";
inline constexpr const char* kOpenComment = "Expected end of block comment (*/) but end of file reached.";
inline constexpr const char* kLegalChars =
    "Legal characters are {a-z, A-Z, 0-9, _}. Identifiers must not start with 0-9.";

// Part block.
inline constexpr const char* kBadPrefix = "Part prefix is not a valid C++ identifier.";
inline constexpr const char* kBadPartName = "Part name is not a valid C++ identifier.";
inline constexpr const char* kDuplicatePart = "Duplicate part name.";
inline constexpr const char* kHighPinCount = "Abnormally high pin count.";
inline constexpr const char* kNoPinCount = "Part block is missing $PIN_COUNT.";
inline constexpr const char* kEofInPart = "Unexpected end of file encountered in part block.";

// keyword: the block's keyword as the table spells it.
inline std::string NoEndOfBlock(std::string_view keyword) {
  return "Expected $END for " + std::string(keyword) + " block, but end of file reached.";
}
inline std::string PinCountMismatch(std::size_t found, int specified) {
  return "Found " + std::to_string(found) + (found == 1 ? " pin" : " pins") + ", but $PIN_COUNT specified " +
         std::to_string(specified) + ".";
}

// Ports block.
inline constexpr const char* kEofInPorts = "Unexpected end of file encountered in ports block.";
inline constexpr const char* kBadPortName = "Port name is not a valid C++ identifier.";
inline constexpr const char* kNoPins = "A port must have at least one pin.";
inline constexpr const char* kBadBracket = "Unexpected token in port declaration.";
inline constexpr const char* kNoCloseBracket = "Expected ] in port declaration.";
inline constexpr const char* kNoSemicolon = "Expected terminal semicolon for port declaration.";
inline constexpr const char* kDuplicatePin = "Duplicate pin.";

inline std::string DuplicatePortName(std::string_view name) {
  return "Port name " + std::string(name) + " is duplicated.";
}
// Said where ";" comes before the last pin; this message has no period.
inline std::string TooFewPins(std::int64_t count, std::string_view port) {
  return "Expected " + std::to_string(count) + (count == 1 ? " pin" : " pins") + " for port " +
         std::string(port);
}
// Said where the pins are followed by something other than ";".
inline std::string TooManyPins(std::int64_t count, std::string_view port) {
  return TooFewPins(count, port) + ".";
}

} // namespace kessrow_msg
