// Every text that tolvane reports, in one place, each
// sentence whole so that a message seen on the console can be found here.
// The messages about the input are written after the report head
// ("***** Error in class X:\n***** "); the file messages after kFileError.
#pragma once

#include <string>
#include <string_view>

namespace tolvane_msg {

// The tool.
inline constexpr const char* kPurpose = "Regenerates the Register() bodies of C++ classes.";

// Lines and tokens.
inline constexpr const char* kUnexpectedNewLine = "Unexpected new line.";
inline constexpr const char* kIllegalContinuation = "Illegal line continuation character.";
inline constexpr const char* kContinuationIgnored = "Line continuation character ignored.";
inline constexpr const char* kUnexpectedToken = "Unexpected token.";
inline constexpr const char* kBraceMismatch = "Brace mismatch detected at end of file.";

// Comments and directives.
inline constexpr const char* kExpectedOpenParen = "Expected opening parenthesis.";
inline constexpr const char* kExpectedComma = "Expected comma.";
inline constexpr const char* kExpectedCloseParen = "Expected closing parenthesis.";
inline constexpr const char* kOpenBlockComment =
    "Expected end of block comment (*/) but end of file reached.";

// directive: the directive word as the table spells it (TOLVANE_INCL).
inline std::string InclOutsideClass(std::string_view directive) {
  return std::string(directive) + " is not allowed outside of a class declaration.";
}
inline std::string InclAfterRegister(std::string_view directive) {
  return std::string(directive) + " is not allowed to follow Register().";
}

// Braces, classes and declarations.
inline constexpr const char* kUnexpectedClosingBrace = "Unexpected closing brace.";
inline constexpr const char* kOpenBraceAtEnd = "Expected closing brace (}) but end of file reached.";
inline constexpr const char* kPopBraceInternal =
    "Internal program error:  PopBrace() called with BraceDepth < 1.";
inline constexpr const char* kMembersAfterRegister = "Class members following Register() are ignored.";
inline constexpr const char* kAfterAccessSpec = "Unexpected token following access specifier.";
inline constexpr const char* kUnexpectedInDecl = "Unexpected token within declaration.";

inline std::string InclNoRegister(int line) {
  return "TOLVANE_INCL on line " + std::to_string(line) +
         " was ignored, because Register() was not found for this class.";
}

// A Register() body outside its class (modern dialect) whose class name
// two classes have.
inline std::string ClassDefinedTwice(std::string_view name, int first, int second) {
  return "Class " + std::string(name) + " is defined twice, on lines " + std::to_string(first) + " and " +
         std::to_string(second) + ": its Register() body is not regenerated.";
}
inline std::string ClassDefinedTwiceIn(std::string_view name, std::string_view firstFile, int first,
                                       std::string_view secondFile, int second) {
  return "Class " + std::string(name) + " is defined twice, at " + std::string(firstFile) + ":" +
         std::to_string(first) + " and " + std::string(secondFile) + ":" + std::to_string(second) +
         ": its Register() body is not regenerated.";
}

// Members.
inline constexpr const char* kExpectedIdentifier = "Expected valid C++ identifier.";
inline constexpr const char* kUnexpectedInMember = "Unexpected token within member declaration.";

// The Register() body.
inline constexpr const char* kOpenBraceNotLast =
    "To auto register, { of Register() must be the last non-comment token on the line.";
inline constexpr const char* kCloseBraceNotFirst =
    "To auto register, } of Register() must be the first token on the line.";

inline std::string InclIgnored(int line) {
  return "TOLVANE_INCL on line " + std::to_string(line) + " was ignored.";
}
inline std::string UserRegistered(std::string_view member) {
  return "Could not auto-register array or bus member " + std::string(member) +
         " due to existing user registration of this member.";
}
inline std::string ArrayUnresolved(std::string_view member, int line) {
  return "Could not auto-register array member " + std::string(member) + " on line " + std::to_string(line) +
         ".";
}

// The run and its files.
inline constexpr const char* kNotice = "\nScanning ";
inline constexpr const char* kUnchanged = "\nDestination is unchanged";
inline constexpr const char* kSuccess = "\nSuccess";
inline constexpr const char* kFileError = "\n***** File error: ";

// The file messages that name a file (each follows kFileError).
inline std::string CannotOpenSourceMessage(const std::string& name) {
  return "could not open source file " + name + ".\n";
}
inline std::string NotRegularMessage(const std::string& name) {
  return "source file " + name + " is not a regular file and cannot be rewritten in place.\n";
}
inline std::string SourceChangedMessage(const std::string& name) {
  return "source file " + name + " changed while it was read; nothing was written.\n";
}
inline std::string CannotOpenBackupMessage(const std::string& name) {
  return "could not open backup file " + name + ".\n";
}
inline std::string BackupWriteMessage(const std::string& name) {
  return "write to backup file " + name + " failed.\n";
}
inline std::string CannotCreateMessage(const std::string& name) {
  return "could not create destination file " + name + "\n";
}
inline std::string DestWriteMessage(const std::string& name) {
  return "write to destination file " + name + " failed.\n";
}
inline std::string CannotRemoveMessage(const std::string& name) {
  return "could not remove " + name + ".\n";
}
inline std::string CorruptMessage(const std::string& dest, const std::string& backup) {
  return "destination file " + dest + " may be corrupt.\n***** Use backup file " + backup + " to recover.\n";
}
inline std::string NotDurableMessage(const std::string& dest, const std::string& backup) {
  return "destination file " + dest +
         " holds the new text, but it could not be made durable.\n***** Backup file " + backup +
         " keeps the old text.\n";
}
inline std::string AliasKeptMessage(const std::string& source, const std::string& dest,
                                    const std::string& backup) {
  return "source file " + source + " holds the new text, but destination file " + dest +
         " still holds the old text.\n***** Backup file " + backup + " keeps the old text.\n";
}

} // namespace tolvane_msg
