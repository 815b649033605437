// The identity of a file: its device and inode, the same under every name
// and every path that reaches it.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <compare>

class TFileId {
public:
  dev_t Device = 0;
  ino_t Inode = 0;

  TFileId() = default;
  explicit TFileId(const struct stat& st) : Device(st.st_dev), Inode(st.st_ino) {}
  auto operator<=>(const TFileId&) const = default;
};
