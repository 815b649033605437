// The one way the framework says that a file operation failed: what went
// wrong, with which file, and the system's reason. A default TError means
// success, so a caller writes `if (TError e = Step()) return e;`.
#pragma once

#include <string>

class [[nodiscard]] TError {
public:
  enum class TKind {
    None,         // no failure
    CannotOpen,   // the file could not be opened for reading
    CannotRead,   // it was opened, but could not be read (a directory too)
    NotRegular,   // a pipe, device or socket where a regular file is needed
    CannotCreate, // no new version could be made or put in place
    WriteFailed,  // the new version could not be written completely
    Changed,      // the file changed since it was read; nothing was put in place
    CannotRemove, // a file or temporary name could not be removed
  };

  TKind Kind = TKind::None;
  std::string Path; // the file concerned, as the caller named it
  int Code = 0;     // the errno value behind the failure; 0 when there is none

  TError() = default;
  TError(TKind kind, std::string path, int code = 0) : Kind(kind), Path(std::move(path)), Code(code) {}
  // A failure of kind with path, its reason the current errno.
  static TError FromErrno(TKind kind, std::string path);

  // True for a failure.
  explicit operator bool() const { return Kind != TKind::None; }
  // The system's reason ("Permission denied"); empty when there is none.
  std::string Reason() const;
};
