// A private new file beside the file it is to replace, removed again unless
// it was renamed into place: when the object goes (also while an exception
// unwinds) and when SIGINT, SIGTERM, SIGHUP or SIGXFSZ ends the process.
#pragma once

#include <string>

#include "framework/files/dir.h"

class TTempFile {
public:
  // The most temporary files that may exist at once in a process (the
  // table the signal handler cleans up from has this many slots).
  static constexpr int kMaxLive = 2048;

  TTempFile() = default;
  // Removes the file unless it was renamed.
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  // Creates an empty file with mode 0600 in the opened directory dir,
  // named after base (shortened so that the name fits NAME_MAX); false
  // with errno set when it cannot.
  bool Create(const TDir& dir, const std::string& base);
  // Makes the file a new name of the existing file name in fromDir (a hard
  // link; in the current directory links in name are followed) instead of
  // an empty one; no descriptor is opened. False with errno set.
  bool Link(const TDir& dir, const std::string& base, const TDir& fromDir, const std::string& name);
  int Fd() const { return Descriptor; }
  // The file's path, for messages; its name in its directory.
  std::string Name() const { return Dir.PathOf(Base); }
  const std::string& BaseName() const { return Base; }
  // The directory it is in.
  const TDir& Directory() const { return Dir; }
  // Closes the descriptor; false when the close reports a failed write.
  bool Close();
  // Renames the file over target, a name in its directory (flags as for
  // renameat2); from then on it is not removed. False with errno set.
  bool RenameTo(const std::string& target, unsigned flags = 0);
  // Swaps the file with the existing target (RENAME_EXCHANGE): the target
  // name then holds this file's content and this name the old target, which
  // is still removed when the object goes. False with errno set on failure.
  bool Exchange(const std::string& target);
  // Removes the file now (a no-op after a rename); false with errno set
  // when the name could not be removed (it is then left alone).
  bool Remove();

private:
  bool Make(const TDir& dir, const std::string& base, const TDir* fromDir, const std::string* name);
  void Forget();    // lets the name go from the table and the object
  TDir Dir;         // kept open while the name exists
  std::string Base; // the name in Dir; empty when there is none
  int Descriptor = -1;
  int Slot = -1; // entry in the table the signal handler cleans up
};
