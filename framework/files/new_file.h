// The new version of a file while it is made: a private (0600) temporary
// file beside the file it is to replace, which takes the owner, group and
// extended attributes of a model file (the replaced one, or another) at
// once, its mode only when complete, and is then renamed into place.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "framework/files/dir.h"
#include "framework/files/error.h"
#include "framework/text/out_text.h"
#include "framework/files/temp_file.h"

class TFileText;

class TNewFile {
public:
  // The file a new version takes after: its owner, group, mode and
  // extended attributes. None: a file made new, which gets 0664 less the
  // umask and belongs to the runner.
  class TModel {
  public:
    TModel() = default;
    // The file st describes, name in dir.
    TModel(const struct stat& st, const TDir& dir, const std::string& name);
    // The file that text was read from.
    explicit TModel(const TFileText& text);
    bool Exists = false;
    mode_t Mode = 0;
    uid_t Owner = 0;
    gid_t Group = 0;
    TFileId Id;
    TDir Dir;
    std::string Name;
  };

  // Creates the file in the opened dir, named after base, with the model's
  // owner, group and attributes where they can be given (OwnerKept,
  // AttributesKept tell); its final mode is the model's (a file made new:
  // 0664 less the umask). Errors name errorName.
  TError Create(const TDir& dir, const std::string& base, const TModel& model, const std::string& errorName);
  // Makes the new version a new name of the file name in fromDir instead
  // (a hard link): it keeps everything of that file. False when it cannot.
  bool Link(const TDir& dir, const std::string& base, const TDir& fromDir, const std::string& name);
  bool OwnerKept() const { return Owner; }
  bool AttributesKept() const { return AttributeError == 0; }
  // Why an attribute could not be given (an errno value).
  int AttributeReason() const { return AttributeError; }
  int Fd() const { return Temp.Fd(); }
  // The file's path, for messages and the file hook; its directory and
  // its name there.
  std::string Name() const { return Temp.Name(); }
  const TDir& Directory() const { return Temp.Directory(); }
  const std::string& BaseName() const { return Temp.BaseName(); }
  // Appends pieces; false with errno set when the write failed. Source
  // ranges of source are let go once written.
  bool Write(const std::vector<TOutText::TPiece>& pieces, TFileText* source = nullptr);
  // Gives the file its final mode, with durable syncs its data, closes it.
  TError Complete(bool durable);
  // Renames the file over target in its directory (flags as for
  // renameat2). False with errno set.
  bool RenameTo(const std::string& target, unsigned flags = 0) { return Temp.RenameTo(target, flags); }
  // Swaps the file with target (see TTempFile::Exchange).
  bool Exchange(const std::string& target) { return Temp.Exchange(target); }
  // Removes the file now; CannotRemove naming it when the name stays.
  TError Remove();

private:
  TTempFile Temp;
  std::string ErrorName;
  mode_t FinalMode = 0;
  bool Owner = true;
  int AttributeError = 0;
};

// Writes the pieces to fd with writev, in batches of at most IOV_MAX pieces
// and about 8 MB (at its offset, or from offset 0 with fromStart); source
// ranges of source are let go once written. False with errno set.
bool WritePieces(int fd, const std::vector<TOutText::TPiece>& pieces, TFileText* source, bool fromStart);
// Syncs fd's data to the disk (fsync), path naming it for the file hook.
bool SyncFile(int fd, const std::string& path);
// Syncs the directory's entries to the disk.
bool SyncDirectory(const TDir& dir);
