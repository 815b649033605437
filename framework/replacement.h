// The replacement of one file by a new text, in two steps: Prepare writes
// the text where it cannot yet be seen (a private temporary file beside the
// file, or, where the directory takes no new file, a reservation of room in
// the file itself), Commit puts it in place. Between the steps the caller
// can check that its inputs did not change. A failure leaves the old file
// as it was, except where Commit fails after the file changed: Left says
// what the file then holds.
#pragma once

#include <sys/types.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "framework/error.h"
#include "framework/file_io.h"
#include "framework/new_file.h"
#include "framework/replace_target.h"

class TReplacement {
public:
  // What the file's place holds after Commit failed.
  enum class TLeft {
    Old,        // the old file, untouched
    NotDurable, // the whole new version, which a crash may still take back
    Damaged,    // the file itself, rewritten in place part of the way
  };
  struct TOptions {
    std::optional<mode_t> Mode;      // else the model's, else 0664 less the umask
    const TFileText* Like = nullptr; // the model (owner, group, mode, attributes); else the replaced file
    bool FollowLinks = true;         // a path: replace the file a link names, not the link
    bool AllowInPlace = true;        // rewrite the file itself where no new file can be made as the old one
    bool Undoable = false;           // Commit keeps the replaced file until Finish
    bool Durable = false;            // Commit returns once the new version is on the disk
    TFileText* Source = nullptr;     // the text's file: its windows are let go as written
    // The new version is Source's file itself, linked under a temporary
    // name where it can be (else copied by the kernel, else written from
    // the text).
    bool LinkSource = false;
  };

  TReplacement() = default;
  ~TReplacement();
  TReplacement(const TReplacement&) = delete;
  TReplacement& operator=(const TReplacement&) = delete;

  // Makes the new version of name in dir ready (see TReplaceTarget for
  // names and links); text must live until Commit.
  TError Prepare(const TDir& dir, const std::string& name, const TOutText& text, const TOptions& options);
  TError Prepare(const TDir& dir, const std::string& name, std::string_view text, const TOptions& options);
  // The same for the file that the path name reaches.
  TError Prepare(const std::string& name, const TOutText& text, const TOptions& options) {
    return Prepare(TDir(), name, text, options);
  }
  TError Prepare(const std::string& name, std::string_view text, const TOptions& options) {
    return Prepare(TDir(), name, text, options);
  }
  // Makes the new version of the path name another name of the new version
  // that of prepared: for a hard link of the file that of replaces, which
  // would keep the old text. Nothing to do (Commit does nothing) when name
  // is the very entry that of replaces, or when of rewrites it in place.
  TError PrepareAlias(const TReplacement& of, const std::string& name, const TOptions& options);
  // The text that Commit puts in place: the pieces given, or, in place, a
  // copy of them made before the file's first byte changes.
  const TOutText& Written() const { return *Text; }
  // True when Commit rewrites the file itself instead of renaming a new one.
  bool InPlace() const { return Kind == TKind::InPlace; }
  // True when the new version is a link to the file it was read from.
  bool Linked() const { return IsLink; }
  // Puts the new version in place, unless one of the watched files changed
  // since it was read (a Changed error naming it; nothing touched).
  TError Commit(std::initializer_list<const TFileText*> watched = {});
  // After a failed Commit: what the file's place holds.
  TLeft Left() const { return LeftBehind; }
  // After an undoable Commit: puts the replaced file back (CannotRemove
  // naming what stays when the new version cannot be removed).
  TError Undo();
  // After an undoable Commit: lets the replaced file go (CannotRemove
  // naming what stays when it cannot be removed).
  TError Finish();
  // The file that is replaced: its directory and its entry there.
  const TDir& TargetDir() const { return Target.Dir; }
  const std::string& TargetName() const { return Target.Base; }

private:
  enum class TKind { None, Rename, WriteInto, InPlace };
  TError PrepareFile(const TOptions& options);
  TError PrepareInPlace();
  // linked: the new version is the source's file; an error when the
  // temporary name could not be removed again after a failed link.
  TError PrepareLink(bool& linked);
  // copied: the new file holds the source's bytes; an error when a failed
  // copy could neither be undone nor its file removed.
  TError CopyByKernel(bool& copied);
  TError CommitInPlace();
  // A failure of kind with the name the caller gave, for the current errno.
  TError Failed(TError::TKind kind) const { return TError::FromErrno(kind, GivenName); }

  TKind Kind = TKind::None;
  std::string GivenName; // as the caller named the file
  TReplaceTarget Target;
  TNewFile New;
  int Fd = -1;       // the file written into or rewritten in place
  off_t OldSize = 0; // of the file rewritten in place, as it was read
  const TOutText* Text = nullptr;
  TOutText Own;     // the text given as one view, or the in-place copy
  std::string Flat; // the in-place copy's bytes
  TFileText* Source = nullptr;
  bool Undoable = false;
  bool Durable = false;
  bool IsLink = false;
  bool Exchanged = false; // Commit swapped an existing file out (undoable)
  bool Created = false;   // Commit created the target (undoable)
  TLeft LeftBehind = TLeft::Old;
};
