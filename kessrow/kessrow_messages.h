// Every text that kessrow reports, in one place. Messages about the input
// are written after the report head ("***** Error ...: "); the second line
// of a two-line message follows "\n***** ".
#pragma once

namespace kessrow_msg {

// Run and files.
inline constexpr const char* kFileError = "\n***** File error: ";
inline constexpr const char* kNoSource = "Could not open source file ";
inline constexpr const char* kNoInclude = "Could not open include file ";
inline constexpr const char* kOverwriteSource = " would overwrite the source file.\n";
inline constexpr const char* kOverwriteInclude = " would overwrite the include file.\n";
inline constexpr const char* kCannotCreate = "could not create destination file ";
inline constexpr const char* kWriteFailed = " failed.\n"; // after "write to destination file NAME"
inline constexpr const char* kChanged =
    " changed while it was read; nothing was written.\n"; // after "source file NAME"

// Contexts: "Token " + keyword + " " + one of these.
inline constexpr const char* kNotOutside = "is not allowed in part block or ports block.";
inline constexpr const char* kNotInPorts = "is not allowed in port block.";
inline constexpr const char* kOnlyPart = "is only allowed in part block.";
inline constexpr const char* kOnlyPorts = "is only allowed in ports block.";
inline constexpr const char* kBadContext = "--- internal program error ---";

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

// Ports block.
inline constexpr const char* kEofInPorts = "Unexpected end of file encountered in ports block.";
inline constexpr const char* kBadPortName = "Port name is not a valid C++ identifier.";
inline constexpr const char* kNoPins = "A port must have at least one pin.";
inline constexpr const char* kBadBracket = "Unexpected token in port declaration.";
inline constexpr const char* kNoCloseBracket = "Expected ] in port declaration.";
inline constexpr const char* kNoSemicolon = "Expected terminal semicolon for port declaration.";
inline constexpr const char* kDuplicatePin = "Duplicate pin.";

// A broken invariant of the class writer.
inline constexpr const char* kInternal = "Possible program internal error.";

} // namespace kessrow_msg
