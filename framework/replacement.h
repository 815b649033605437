// The replacement of one file by a new text, in two steps: Prepare writes
// the text where it cannot yet be seen (a private temporary file beside the
// file, or, where the directory takes no new file, a reservation of room in
// the file itself), Commit puts it in place. Between the steps the caller
// can check that its inputs did not change, and a failure leaves the old
// file as it was.
#pragma once

#include <sys/types.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "framework/error.h"
#include "framework/file_io.h"
#include "framework/temp_file.h"

class TReplacement {
public:
  struct TOptions {
    std::optional<mode_t> Mode;  // else the replaced file's, else 0664 less the umask
    std::optional<uid_t> Uid;    // owner to give; else the replaced file's
    std::optional<gid_t> Gid;    // group to give; else the replaced file's
    bool FollowLinks = true;     // replace the file a link names, not the link
    bool AllowInPlace = true;    // rewrite the file itself where no new file can be made
    bool Undoable = false;       // Commit keeps the replaced file until Finish
    TFileText* Source = nullptr; // the text's file: its windows are let go as written
    // A name of Source's file, whose text is the new version: the file is
    // then linked under a temporary name (it becomes the new version
    // itself), else copied by the kernel, else written from the text.
    const char* LinkFrom = nullptr;
  };

  TReplacement() = default;
  ~TReplacement();
  TReplacement(const TReplacement&) = delete;
  TReplacement& operator=(const TReplacement&) = delete;

  // Makes the new version of name ready; text must live until Commit.
  TError Prepare(const std::string& name, std::string_view text, const TOptions& options);
  // The same for a text in pieces, written with writev.
  TError Prepare(const std::string& name, const TOutText& text, const TOptions& options);
  // The text that Commit puts in place: the pieces given, or, in place, a
  // copy of them made before the file's first byte changes.
  const TOutText& Written() const { return *Text; }
  // True when Commit rewrites the file itself instead of renaming a new one.
  bool InPlace() const { return Kind == TKind::InPlace; }
  // True when the new version is a link to the file it was read from.
  bool Linked() const { return IsLink; }
  // Begins a new version of name that is written part by part (Write),
  // for the common case only: a regular file, or none, replaced by a new
  // file with the owner kept. False when that case does not hold (nothing
  // is then left behind, and the caller uses Prepare).
  bool Begin(const std::string& name, const TOptions& options);
  // Appends pieces to the version begun; false when the write failed.
  bool Write(const std::vector<TOutText::TPiece>& pieces);
  // Completes the version begun (its final mode); Commit puts it in place.
  TError End();
  // Puts the new version in place, unless one of the watched files changed
  // since it was read (a Changed error naming it; nothing touched).
  TError Commit(std::initializer_list<const TFileText*> watched = {});
  // After an undoable Commit: puts the replaced file back.
  void Undo();
  // After an undoable Commit: lets the replaced file go.
  void Finish();
  // The file that is replaced: name with its links resolved.
  const std::string& Target() const { return TargetName; }

private:
  enum class TKind { None, Rename, WriteInto, InPlace };
  TError PrepareFile(const struct stat* old, const TOptions& options);
  TError PrepareInPlace(const struct stat& old);
  bool PrepareLink(const char* from);
  bool CopyByKernel(const char* from);
  TError CommitInPlace();
  // A failure of kind with the name the caller gave, for the current errno.
  TError Failed(TError::TKind kind) const { return TError::FromErrno(kind, GivenName); }
  bool KeepOwner(const struct stat* old, const TOptions& options, bool& groupKept);

  TKind Kind = TKind::None;
  std::string GivenName; // as the caller named the file
  std::string TargetName;
  TTempFile Temp;
  int Fd = -1;       // the file written into or rewritten in place
  off_t OldSize = 0; // of the file rewritten in place, as it was read
  const TOutText* Text = nullptr;
  TOutText Own;     // the text given as one view, or the in-place copy
  std::string Flat; // the in-place copy's bytes
  TFileText* Source = nullptr;
  bool UndoWanted = false;
  bool IsLink = false;
  mode_t StreamMode = 0; // the final mode of a version begun
  bool Undoable() const { return UndoWanted; }
  bool Exchanged = false; // Commit swapped an existing file out (undoable)
  bool Created = false;   // Commit created the target (undoable)
};
