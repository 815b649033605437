#include "framework/files/streamed_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
// The old file is read for the comparison in parts of this size.
const std::size_t kCompareStep = std::size_t{1} << 20;
} // namespace

TStreamedWrite::~TStreamedWrite() {
  if (OldFd >= 0) close(OldFd);
}

bool TStreamedWrite::Begin(const std::string& name, bool compare) {
  Replacement = TStreamedReplacement::Begin(name);
  if (!Replacement) return false;
  Name = name;
  if (!compare) return true;
  // Only a regular file can hold the text (Begin refuses anything else).
  OldFd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st;
  if (OldFd >= 0 && fstat(OldFd, &st) == 0 && S_ISREG(st.st_mode)) {
    OldSize = static_cast<std::size_t>(st.st_size);
    Same = true;
  }
  return true;
}

bool TStreamedWrite::Compare(const std::vector<TOutText::TPiece>& pieces, std::size_t at) {
  for (const TOutText::TPiece& piece : pieces) {
    for (std::size_t done = 0; done < piece.Size;) {
      std::size_t n = std::min(piece.Size - done, kCompareStep);
      if (at + n > OldSize) return false;
      Buffer.resize(n);
      if (ReadAt(OldFd, Buffer.data(), n, at) != n || std::memcmp(Buffer.data(), piece.Data + done, n) != 0)
        return false;
      done += n;
      at += n;
    }
  }
  return true;
}

bool TStreamedWrite::Take(const std::vector<TOutText::TPiece>& pieces) {
  if (Same) Same = Compare(pieces, Offset);
  for (const TOutText::TPiece& piece : pieces) Offset += piece.Size;
  if (Replacement->Write(pieces)) return true;
  WriteErrno = errno;
  return false;
}

bool TStreamedWrite::Unchanged(std::size_t size) const { return Same && size == Offset && size == OldSize; }

TError TStreamedWrite::Commit(bool flushed, std::initializer_list<const TFileText*> watched) {
  if (!flushed) return TError(TError::TKind::WriteFailed, Name, WriteErrno);
  return Replacement->Commit(watched);
}
