// Every text regkit says about a file, in one place. The report puts the
// path and the severity before each.
#pragma once

#include <cerrno>
#include <string>
#include <vector>

#include "framework/files/error.h"
#include "tolvane/construct_note.h"
#include "regkit/register_heads.h"
#include "tolvane/scan_options.h"

namespace regkit_msg {

// command: what brings the file up to date ("regkit update src/a.h").
inline std::string StaleBody(const std::string& command) {
  return "Register() body is out of date (" + command + ")";
}
inline std::string StaleHeader(const std::string& header, const std::string& command) {
  return "header " + header + " is out of date (" + command + ")";
}
// A report of kessrow's, and the part it concerns.
inline std::string InPart(const std::string& message, const std::string& part) {
  return part.empty() ? message : message + " (part " + part + ")";
}
// Why a Register() body is not regenerated, and the way out where another
// dialect than the one the scan read (dialect) regenerates it.
inline std::string PassedOver(const TRegisterHeads::THead& head, TScanOptions::TDialect dialect) {
  using TReason = TRegisterHeads::TReason;
  const std::string& subject = head.Subject;
  const std::string& place = head.Place;
  std::string why;
  bool modernReadsIt = true;
  switch (head.Reason) {
  case TReason::InsideNamespace:
    why = place.empty() ? subject + " is inside an anonymous namespace"
                        : subject + " is inside namespace " + place;
    break;
  case TReason::InsideExternBlock:
    why = subject + " is inside an extern block";
    break;
  case TReason::ClassTemplate:
    why = subject + " is a class template";
    break;
  case TReason::NestedClass:
    why = subject + " is nested in " + place;
    break;
  case TReason::OutOfLine:
    why = place.empty() ? "it is defined outside its class" : "it is defined outside its class " + place;
    break;
  case TReason::NotVirtual:
    why = "the method is neither virtual, override nor final";
    break;
  case TReason::OtherHead:
    why = "its head is not one the specified dialect regenerates";
    break;
  case TReason::LocalClass:
    why = subject + " is declared inside a function or block";
    modernReadsIt = false;
    break;
  case TReason::NotAMethod:
    why = "it is not a method of a class";
    modernReadsIt = false;
    break;
  case TReason::ClassNotRead:
    why = "class " + place + " is not in the files read";
    modernReadsIt = false;
    break;
  }
  if (modernReadsIt && dialect == TScanOptions::TDialect::Specified) why += " (--dialect=modern reads it)";
  return "Register() body is not regenerated: " + why;
}
// A scan error of the specified dialect at a construct that the modern
// dialect reads (hint: what it does there, from ModernHint).
inline std::string ModernReads(const std::string& message, const char* hint) {
  return message + " (--dialect=modern " + hint + ")";
}
inline const char* ModernHint(TConstructNote::TKind kind) {
  switch (kind) {
  case TConstructNote::TKind::Initialiser:
    return "reads default member initialisers";
  case TConstructNote::TKind::Attribute:
    return "reads attributes";
  case TConstructNote::TKind::MacroLine:
    return "reads macro lines";
  case TConstructNote::TKind::MacroLabel:
    return "reads access labels with macro words";
  case TConstructNote::TKind::PassedOver:
    break;
  }
  return "passes this declaration over";
}
// A brace error of the modern dialect in a text with preprocessor branches.
inline std::string InBranches(const std::string& message) {
  return message + " (every branch of #if ... #endif is read, and the braces of the branches do not balance)";
}
// What a fix of a stale body does (SARIF).
inline constexpr const char* kFixBody = "Update the Register() body";
inline constexpr const char* kLineEnds = "line ends differ (tolvane writes LF)";
inline constexpr const char* kOutsideBody = "text differs outside Register() bodies";
inline constexpr const char* kUpdated = "updated";
inline constexpr const char* kCannotOpen = "could not open the file";
inline constexpr const char* kCannotRead = "could not read the file";
inline constexpr const char* kChanged = "changed during the run; not rewritten";
inline constexpr const char* kStandardInput = "<stdin>"; // the name of standard input
inline constexpr const char* kCannotWriteOutput = "could not write the new text to standard output";
inline constexpr const char* kNotRegular = "not a regular file";
inline constexpr const char* kNoMemory = "not enough memory";
// what: the exception's own text.
inline std::string InternalError(const std::string& what) { return "internal error: " + what; }
inline constexpr const char* kDiffName = "name cannot be written in a diff; run regkit update";
// A directory that the walk meets again (other: where it was walked).
inline std::string SameDirectory(const std::string& other) {
  return "the same directory as " + other + "; not walked again";
}
inline std::string CannotRemove(const std::string& name) { return "could not remove " + name; }

// Why a file could not be read as the file the walk saw.
inline const char* ReadFailure(const TError& error) {
  switch (error.Kind) {
  case TError::TKind::NotRegular:
    return kNotRegular;
  case TError::TKind::CannotOpen:
    // A name that is a link now, or names nothing, is no longer that file.
    return error.Code == ELOOP || error.Code == ENOENT ? kChanged : kCannotOpen;
  case TError::TKind::Changed:
    return kChanged;
  default:
    return kCannotRead;
  }
}

// text, and the system's reason in parentheses where there is one.
inline std::string WithReason(const std::string& text, const TError& error) {
  std::string reason = error.Reason();
  return reason.empty() ? text : text + " (" + reason + ")";
}
inline std::string CannotCreateBackup(const std::string& backup) {
  return "could not create backup file " + backup;
}
inline std::string CannotWriteBackup(const std::string& backup) {
  return "could not write backup file " + backup;
}
inline constexpr const char* kHeaderIsSource = "its header would replace the part file itself";
inline constexpr const char* kHeaderIsInclude = "its header would replace the include file";
inline constexpr const char* kUpToDate = "up to date";
inline constexpr const char* kPressEnter = "Press Enter to continue.\n";
// other: the part file before this one (in path order) whose header is the same file.
inline std::string HeaderClash(const std::string& header, const std::string& other) {
  return "header " + header + " is also written by " + other;
}
inline constexpr const char* kCannotCreate = "could not create destination file";
inline constexpr const char* kCannotWrite = "could not write destination file";
inline std::string NotVerified(const std::string& backup) {
  return "the rewritten file does not hold the new text; its old text is kept in " + backup;
}
inline std::string NotDurable(const std::string& backup) {
  return "the new text is in place but could not be made durable; its old text is kept in " + backup;
}

// Problems of a configuration file, after its path, line and column.
inline constexpr const char* kConfigBoolean = "true or false";
inline constexpr const char* kConfigString = "a string";
inline constexpr const char* kConfigStrings = "an array of strings";
inline std::string ConfigWrongType(const std::string& key, const char* type) {
  return "error: " + key + " must be " + type;
}
inline std::string ConfigEmpty(const std::string& key) { return "error: " + key + " must not be empty"; }
inline std::string ConfigUnknownKey(const std::string& key) {
  return "error: unknown key '" + key +
         "' (the keys: root, dialect, passed-over, exclude, ext, part-ext, part-include)";
}
// values: the names the key takes, "a, b, c".
inline std::string ConfigBadValue(const std::string& key, const std::string& value, const std::string& values) {
  return "error: " + key + " must be one of " + values + ", not '" + value + "'";
}

// A configuration file that could not be read, after its path.
inline std::string ConfigUnreadable(const TError& error) {
  if (error.Kind == TError::TKind::NotRegular) return "error: the configuration file is not a regular file";
  std::string reason = error.Reason();
  return "error: could not read the configuration file" + (reason.empty() ? "" : " (" + reason + ")");
}

// A git work tree whose ignore rules the walk goes on without.
inline std::string GitCannotOpen(const std::string& reason) {
  return "could not open the git repository (" + reason + "); its ignore files are not heeded";
}
inline std::string GitCannotRead(const std::string& reason) {
  return "could not read an ignore rule (" + reason + "); the walk goes on without it";
}

// The line after a usage error.
inline constexpr const char* kTryHelp = "Try 'regkit --help'.";

// The run's own messages, after "regkit: error: " and "regkit: note: ".
inline std::string CannotWriteOutput(const std::string& reason) {
  return "could not write the output: " + reason;
}
inline std::string FewerThreads(std::size_t started, std::size_t wanted, const std::string& reason) {
  return std::to_string(started) + " of " + std::to_string(wanted) + " threads could be started (" + reason +
         "); going on with those";
}

} // namespace regkit_msg
