// The replacement of one file by a new text, in two steps: a named
// operation (Replace, Backup, Alias) writes the text where it cannot yet be seen (a private temporary file
// beside the file, or, where the directory takes no new file, a reservation of room in the file itself),
// Commit puts it in place. Between the steps the caller can check that its inputs did not change. A failure
// leaves the old file as it was, except where Commit fails after the file changed: Left says what the file
// then holds.
#pragma once

#include <sys/types.h>

#include <initializer_list>
#include <string>

#include "framework/files/error.h"
#include "framework/files/file_io.h"
#include "framework/files/new_file.h"
#include "framework/files/replace_target.h"

class TReplacement {
public:
  // What the file's place holds after Commit failed.
  enum class TLeft {
    Old,        // the old file, untouched
    NotDurable, // the whole new version, which a crash may still take back
    Damaged,    // the file itself, rewritten in place part of the way
  };
  // How a backup holds the text of the file it keeps.
  enum class TBackupWay {
    // The kept file itself under the backup's name where a link can be
    // made, else a copy (by the kernel where it can).
    Linked,
    // A copy on the disk before Commit returns: for a file that is then
    // rewritten in place, which a link would follow.
    DurableCopy,
  };

  TReplacement() = default;
  ~TReplacement();
  TReplacement(const TReplacement&) = delete;
  TReplacement& operator=(const TReplacement&) = delete;

  // Makes the new version of the file that name reaches from dir ready (see
  // TReplaceTarget for names and links): a new file with the old one's
  // owner, group, mode and attributes (a new name: 0664 less the umask), or
  // a rewrite of the file itself where no such file can be made; a pipe or
  // device is written into. text must live until Commit.
  TError Replace(const TDir& dir, const std::string& name, const TOutText& text);
  // The same, and Commit returns once the new version is on the disk.
  TError ReplaceDurably(const TDir& dir, const std::string& name, const TOutText& text);
  // Makes the backup of source ready under name in dir: the entry itself is
  // replaced (a link too), never rewritten in place; it gets source's
  // owner, group, mode and attributes, source's windows are let go as they
  // are written, and Commit can be taken back until Finish.
  TError Backup(const TDir& dir, const std::string& name, TFileText& source, TBackupWay way);
  // Makes the path name another name of the new version that of prepared:
  // for a hard link of the file that of replaces, which would keep the old
  // text; durable when of is. Nothing to do (Commit does nothing) when name
  // is the very entry that of replaces, or when of rewrites it in place.
  TError Alias(const TReplacement& of, const std::string& name);
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
  TError PrepareReplace(const TDir& dir, const std::string& name, const TOutText& text, bool durable);
  // Finds the file to replace; a pipe or device (reached by a path,
  // followLinks) is opened to be written into.
  TError Prepare(const TDir& dir, const std::string& name, const TOutText& text, bool followLinks);
  // like: the model for owner, group, mode and attributes, else the
  // replaced file; linkSource: the new version is Source's file itself,
  // linked under a temporary name where it can be (else copied by the
  // kernel, else written from the text).
  TError PrepareFile(const TFileText* like, bool linkSource);
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
  TOutText Own;                // the text given as one view, or the in-place copy
  std::string Flat;            // the in-place copy's bytes
  TFileText* Source = nullptr; // a backup's file, whose windows are let go as written
  bool Undoable = false;       // a backup: Commit keeps the replaced file until Finish
  bool Durable = false;        // Commit returns once the new version is on the disk
  bool IsLink = false;
  bool Exchanged = false; // Commit swapped an existing file out (undoable)
  bool Created = false;   // Commit created the target (undoable)
  TLeft LeftBehind = TLeft::Old;
};
