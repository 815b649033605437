#include "regkit/tree_file.h"

#include <cerrno>

#include "framework/files/file_io.h"
#include "regkit/options.h"
#include "regkit/settings.h"

bool TTreeFile::IsPartFile(const TOptions& options) const {
  return Settings ? Settings->IsPartFile(Name) : options.IsPartFile(Name);
}

TError TTreeFile::Read(const TDir& dir, TFileText& text, std::size_t maxSize) const {
  if (TError error = text.Open(dir, Name, true, maxSize)) return error;
  if (text.Id() != Id) return TError(TError::TKind::Changed, Path, ESTALE);
  return {};
}
