#include "framework/files/replacement.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

TReplacement::~TReplacement() {
  if (Fd >= 0) close(Fd);
}

TError TReplacement::Replace(const TDir& dir, const std::string& name, const TOutText& text) {
  return PrepareReplace(dir, name, text, false);
}

TError TReplacement::ReplaceDurably(const TDir& dir, const std::string& name, const TOutText& text) {
  return PrepareReplace(dir, name, text, true);
}

TError TReplacement::PrepareReplace(const TDir& dir, const std::string& name, const TOutText& text,
                                    bool durable) {
  Source = nullptr;
  Undoable = false;
  Durable = durable;
  if (TError error = Prepare(dir, name, text, true)) return error;
  return Kind == TKind::None ? PrepareFile(nullptr, false) : TError();
}

TError TReplacement::Backup(const TDir& dir, const std::string& name, TFileText& source, TBackupWay way) {
  Own.clear();
  Own.AppendView(source.Text());
  Source = &source;
  Undoable = true;
  Durable = way == TBackupWay::DurableCopy;
  // A link in the backup's place is replaced itself.
  if (TError error = Prepare(dir, name, Own, false)) return error;
  return PrepareFile(&source, way == TBackupWay::Linked);
}

TError TReplacement::Prepare(const TDir& dir, const std::string& name, const TOutText& text,
                             bool followLinks) {
  Text = &text;
  GivenName = name;
  Kind = TKind::None;
  IsLink = false;
  struct stat st;
  if (!dir.Opened() && followLinks && stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode) &&
      !S_ISDIR(st.st_mode)) {
    // A pipe or device is written into, never replaced; the open does not
    // wait for a reader (without one it fails).
    Fd = open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (Fd < 0 || fcntl(Fd, F_SETFL, fcntl(Fd, F_GETFL) & ~O_NONBLOCK) != 0)
      return Failed(TError::TKind::CannotCreate);
    Kind = TKind::WriteInto;
    return {};
  }
  if (TError error = Target.Find(dir, name, followLinks)) return error;
  // Only a file or a link (replaced itself) gives way to the new version.
  mode_t type = Target.Old.st_mode & S_IFMT;
  if (Target.Exists && type != S_IFREG && type != S_IFLNK)
    return TError(TError::TKind::CannotCreate, name, type == S_IFDIR ? EISDIR : EEXIST);
  return {};
}

TError TReplacement::PrepareLink(bool& linked) {
  IsLink = linked = false;
  if (!New.Link(Target.Dir, Target.Base, Source->Directory(), Source->Name())) return {};
  // The name may have been given to another file since it was read: the
  // link goes again (a name that stays is a failure of its own).
  struct stat st;
  if (fstatat(Target.Dir.Fd(), New.BaseName().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      !Source->IsThisFile(st))
    return New.Remove();
  IsLink = linked = true;
  Kind = TKind::Rename;
  return {};
}

TError TReplacement::CopyByKernel(bool& copied) {
  copied = false;
  const TDir& dir = Source->Directory();
  int in = openat(dir.Fd(), Source->Name().c_str(), O_RDONLY | O_CLOEXEC | dir.OpenFlag());
  if (in < 0) return {};
  struct stat st;
  std::size_t left = Text->size();
  bool ok = fstat(in, &st) == 0 && Source->IsThisFile(st);
  while (ok && left > 0) {
    ssize_t n = copy_file_range(in, nullptr, New.Fd(), nullptr, left, 0);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) left -= static_cast<std::size_t>(n);
  }
  close(in);
  copied = ok;
  // What was copied goes: the text is then written from memory (into no
  // file at all when the start cannot be found again).
  if (!ok && (ftruncate(New.Fd(), 0) != 0 || lseek(New.Fd(), 0, SEEK_SET) != 0)) return New.Remove();
  return {};
}

TError TReplacement::PrepareFile(const TFileText* like, bool linkSource) {
  bool regular = Target.Exists && S_ISREG(Target.Old.st_mode);
  // A new file stands in for the old one, which is rewritten in place
  // where none can; a backup is always a new file.
  bool allowInPlace = !Undoable && regular;
  // The file that holds the text already becomes the new version itself.
  if (linkSource) {
    bool linked = false;
    if (TError error = PrepareLink(linked)) return error;
    if (linked) return {};
  }
  TNewFile::TModel model;
  if (like)
    model = TNewFile::TModel(*like);
  else if (regular)
    model = TNewFile::TModel(Target.Old, Target.Dir, Target.Base);
  if (TError error = New.Create(Target.Dir, Target.Base, model, GivenName)) {
    bool refused = error.Code == EACCES || error.Code == EPERM;
    return refused && allowInPlace ? PrepareInPlace() : error;
  }
  if ((!New.OwnerKept() || !New.AttributesKept()) && allowInPlace) {
    // A new file would change the owner or lose an attribute: the file
    // itself is rewritten.
    if (TError error = New.Remove()) return error;
    return PrepareInPlace();
  }
  if (!New.AttributesKept()) return TError(TError::TKind::CannotCreate, GivenName, New.AttributeReason());
  bool copied = false;
  if (linkSource)
    if (TError error = CopyByKernel(copied)) return error;
  if (!copied && !New.Write(Text->Pieces(), Source)) return Failed(TError::TKind::WriteFailed);
  if (TError error = New.Complete(Durable)) return error;
  Kind = TKind::Rename;
  return {};
}

TError TReplacement::Alias(const TReplacement& of, const std::string& name) {
  GivenName = name;
  Kind = TKind::None;
  Text = of.Text;
  Durable = of.Durable;
  if (of.Kind != TKind::Rename) return {};
  if (TError error = Target.Find(TDir(), name, true)) return error;
  TFileId ofDir, dir;
  if (!of.Target.Dir.Identity(ofDir) || !Target.Dir.Identity(dir)) return Failed(TError::TKind::CannotCreate);
  if (ofDir == dir && of.Target.Base == Target.Base) return {};
  if (!New.Link(Target.Dir, Target.Base, of.New.Directory(), of.New.BaseName()))
    return Failed(TError::TKind::CannotCreate);
  IsLink = true;
  Kind = TKind::Rename;
  return {};
}

TError TReplacement::PrepareInPlace() {
  Fd = openat(Target.Dir.Fd(), Target.Base.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (Fd < 0) return Failed(TError::TKind::CannotCreate);
  struct stat st;
  if (fstat(Fd, &st) != 0) return Failed(TError::TKind::CannotCreate);
  if (!S_ISREG(st.st_mode) || TFileId(st) != TFileId(Target.Old))
    return TError(TError::TKind::CannotCreate, GivenName);
  // A file-size limit that the new text would pass fails here, with the
  // file untouched; the room itself is reserved at the commit, after the
  // check that the file is still the one that was read (a reservation
  // changes the file's size or time).
  rlimit limit{};
  std::size_t size = Text->size();
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && size > limit.rlim_cur)
    return TError(TError::TKind::WriteFailed, GivenName, EFBIG);
  OldSize = st.st_size;
  // The pieces may be ranges of this very file, which the rewrite
  // overwrites from the front: they are copied out before it begins.
  if (Text != &Own) {
    Flat = Text->Flatten();
    Own.clear();
    Own.AppendView(Flat);
    Text = &Own;
  }
  Kind = TKind::InPlace;
  return {};
}

TError TReplacement::Commit(std::initializer_list<const TFileText*> watched) {
  LeftBehind = TLeft::Old;
  if (Kind == TKind::None) return {};
  if (Kind == TKind::WriteInto) {
    bool ok = WritePieces(Fd, Text->Pieces(), Source, false);
    if (close(Fd) != 0) ok = false;
    Fd = -1;
    return ok ? TError() : Failed(TError::TKind::WriteFailed);
  }
  CallFileHook(TFilePoint::BeforeRename, Kind == TKind::Rename ? New.Name() : Target.Dir.PathOf(Target.Base));
  if (TError changed = FirstChanged(watched)) return changed;
  if (Kind == TKind::InPlace) return CommitInPlace();
  const char* base = Target.Base.c_str();
  struct stat st;
  bool renamed = false;
  if (Undoable && fstatat(Target.Dir.Fd(), base, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    Exchanged = New.Exchange(Target.Base);
    // A file system without the exchange: a plain rename, which cannot
    // be taken back.
    if (!Exchanged && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
      return Failed(TError::TKind::CannotCreate);
    renamed = Exchanged || New.RenameTo(Target.Base);
  } else {
    renamed = New.RenameTo(Target.Base, Undoable ? RENAME_NOREPLACE : 0);
    // Where the file system has no RENAME_NOREPLACE, the name was free a
    // moment ago (fstatat above): a plain rename.
    if (!renamed && Undoable && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
      renamed = New.RenameTo(Target.Base);
    Created = renamed && Undoable;
  }
  if (!renamed) return Failed(TError::TKind::CannotCreate);
  if (Durable && !SyncDirectory(Target.Dir)) {
    LeftBehind = TLeft::NotDurable;
    return Failed(TError::TKind::WriteFailed);
  }
  return {};
}

namespace {

// Whether room for size bytes from the start of fd is reserved, so that
// writing them cannot fail for want of space. The room beyond the end is
// taken without changing the file's size where the file system can; else
// the file is extended, and cut back to oldSize when that fails.
bool ReserveRoom(int fd, std::size_t size, off_t oldSize) {
  if (size == 0) return true;
  if (fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return true;
  if (errno != EOPNOTSUPP && errno != ENOSYS) return false;
  bool reserved = posix_fallocate(fd, 0, static_cast<off_t>(size)) == 0;
  if (!reserved && ftruncate(fd, oldSize) != 0) return false;
  return reserved;
}

} // namespace

TError TReplacement::CommitInPlace() {
  // The whole new length is reserved before the first byte changes: a
  // full disk fails here, with the file as it was.
  if (!ReserveRoom(Fd, Text->size(), OldSize)) {
    TError error = Failed(TError::TKind::WriteFailed);
    close(Fd);
    Fd = -1;
    return error;
  }
  bool ok =
      WritePieces(Fd, Text->Pieces(), nullptr, true) && ftruncate(Fd, static_cast<off_t>(Text->size())) == 0;
  if (!ok) LeftBehind = TLeft::Damaged;
  if (ok && Durable && !SyncFile(Fd, Target.Dir.PathOf(Target.Base))) {
    ok = false;
    LeftBehind = TLeft::NotDurable;
  }
  TError error = ok ? TError() : Failed(TError::TKind::WriteFailed);
  // A failed close may have lost what was written.
  if (close(Fd) != 0 && ok) {
    error = Failed(TError::TKind::WriteFailed);
    LeftBehind = TLeft::Damaged;
  }
  Fd = -1;
  return error;
}

TError TReplacement::Undo() {
  TError error;
  if (Exchanged && New.Exchange(Target.Base)) error = New.Remove();
  if (Created && unlinkat(Target.Dir.Fd(), Target.Base.c_str(), 0) != 0 && errno != ENOENT)
    error = TError::FromErrno(TError::TKind::CannotRemove, Target.Dir.PathOf(Target.Base));
  Exchanged = Created = false;
  return error;
}

TError TReplacement::Finish() {
  Exchanged = Created = false;
  return New.Remove();
}
