// A private new file beside the file it is to replace, removed again unless
// it was renamed into place: when the object goes (also while an exception
// unwinds) and when SIGINT, SIGTERM, SIGHUP or SIGXFSZ ends the process.
#pragma once

#include <string>

class TTempFile {
public:
  TTempFile() = default;
  // Removes the file unless it was renamed.
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  // Creates an empty file with mode 0600 in dir, named after base (shortened
  // so that the name fits NAME_MAX); false with errno set when it cannot.
  bool Create(const std::string& dir, const std::string& base);
  // Makes the file a new name of the existing file (a hard link, links in
  // existing followed) instead of an empty one; no descriptor is opened.
  // False with errno set when it cannot.
  bool Link(const std::string& dir, const std::string& base, const std::string& existing);
  int Fd() const { return Descriptor; }
  const std::string& Name() const { return Path; }
  // Closes the descriptor; false when the close reports a failed write.
  bool Close();
  // Renames the file over target (flags as for renameat2); from then on
  // it is not removed. False with errno set when the rename fails.
  bool RenameTo(const std::string& target, unsigned flags = 0);
  // Swaps the file with the existing target (RENAME_EXCHANGE): the target
  // name then holds this file's content and Name() the old target, which
  // is still removed when the object goes. False with errno set on failure.
  bool Exchange(const std::string& target);
  // Removes the file now (a no-op after a rename).
  void Remove();

private:
  bool Make(const std::string& dir, const std::string& base, const std::string* existing);
  std::string Path;
  int Descriptor = -1;
  int Slot = -1; // entry in the table the signal handler cleans up
};
