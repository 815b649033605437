#include "framework/files/error.h"

#include <cerrno>
#include <cstring>

TError TError::FromErrno(TKind kind, std::string path) { return TError(kind, std::move(path), errno); }

std::string TError::Reason() const {
  std::string reason;
  if (Code != 0) reason = std::strerror(Code);
  return reason;
}
