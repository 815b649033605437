// Every text that tolvane reports about its input, in one place, each
// sentence whole so that a message seen on the console can be found here.
// They are written after the report head ("***** Error in class X:\n***** ").
// The file errors of the run stand with the run (tolvane_process.cc).
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

} // namespace tolvane_msg
