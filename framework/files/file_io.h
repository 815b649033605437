// Reading a user's files: whole-file reading with the file's identity
// recorded, the unchanged check of a made text against a file, removal and
// small file queries, and the test hook at named points of file handling
// (the replacement of a file is replacement.h's).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <initializer_list>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/files/dir.h"
#include "framework/files/error.h"
#include "framework/files/file_id.h"
#include "framework/text/out_text.h"

// The whole content of a file, read once: mapped when it is a regular
// file of 1 MiB or more, otherwise read into a buffer.
class TFileText {
public:
  TFileText() = default;
  ~TFileText();
  TFileText(const TFileText&) = delete;
  TFileText& operator=(const TFileText&) = delete;

  // Reads the file name in dir (a path in the current directory; an entry,
  // never a link, in an opened one). A directory or a failing read is
  // CannotRead, never an empty text; with regularOnly, anything but a
  // regular file is NotRegular before a byte is read: the open does not
  // wait for a pipe's writer, nor a device. A regular file longer than
  // maxSize is CannotRead (EFBIG) before a byte is read.
  TError Open(const TDir& dir, const std::string& name, bool regularOnly = false,
              std::size_t maxSize = SIZE_MAX);
  // Reads the file that the path name reaches.
  TError Open(const char* name, bool regularOnly = false) { return Open(TDir(), name, regularOnly); }
  // Reads all that the open descriptor fd gives (standard input: a pipe, a
  // socket, a terminal or a file from where it stands), known as name; fd
  // stays open. A directory or a failing read is CannotRead.
  TError ReadInput(int fd, const char* name);
  bool IsOpen() const { return Opened; }
  // The name the file was opened by, and the directory it is in.
  const std::string& Name() const { return FileName; }
  const TDir& Directory() const { return Dir; }
  // The file that was opened.
  TFileId Id() const { return TFileId(Stat); }
  std::string_view Text() const { return View; }
  // Permission bits, owner and group of the file that was opened.
  mode_t Mode() const { return Perms; }
  uid_t Owner() const { return Stat.st_uid; }
  gid_t Group() const { return Stat.st_gid; }
  // True when the mapped file shrank under the reader: what was read past
  // its new end are zeros, not the file's text.
  bool Shrunk() const;
  // True when the name opened still names the same unchanged file (device,
  // inode, size, modification time to the nanosecond) and it did not
  // shrink while it was read; always true for a pipe or device.
  bool StillSame() const;
  // Lets the memory of the mapped text from offset from up to offset upTo
  // go: the text stays as it is, its pages are read from the file again if
  // touched. A reader that goes through a large file once keeps only its
  // current part in memory. Nothing happens for a text read into a buffer.
  void Release(std::size_t from, std::size_t upTo);
  // Whether the text read equals text, whose source is this text: a source
  // piece where it stands in the source needs no comparison, only the
  // other pieces are compared with the bytes they stand for.
  bool Holds(const TOutText& text) const;
  // Whether st describes the file that was opened (same device and inode).
  bool IsThisFile(const struct stat& st) const { return TFileId(st) == Id(); }

private:
  void Close();
  std::string_view View;
  std::string Buffer; // used when the file cannot be mapped
  void* Map = nullptr;
  std::size_t MapSize = 0;
  mode_t Perms = 0;
  bool Opened = false;
  std::string FileName; // as opened
  TDir Dir;             // where FileName is
  struct stat Stat {};  // the file when it was opened
  int Watch = -1;       // fault_guard slot of the mapping
};

// The first of files (nulls passed over) that is no longer the file that
// was read, as a Changed error naming it; none when every one still is.
TError FirstChanged(std::initializer_list<const TFileText*> files);

// Reads n bytes of fd from offset on into buffer (again after an
// interruption); returns the bytes read, fewer at the end of the file or
// after an error.
std::size_t ReadAt(int fd, char* buffer, std::size_t n, std::size_t offset);

// True when name is a file that holds exactly text; a pipe never does (it
// is not read), nor a device that would make the read wait. A regular file
// is read and compared window by window into one small buffer, so the
// comparison of a large file does not hold all of it in memory at once.
bool FileHoldsText(const TDir& dir, const std::string& name, std::string_view text);
// FileHoldsText for a text in pieces, compared with the file window by window.
bool FileHoldsText(const TDir& dir, const std::string& name, const TOutText& text);
// The same for a path.
inline bool FileHoldsText(const char* name, std::string_view text) {
  return FileHoldsText(TDir(), name, text);
}
inline bool FileHoldsText(const char* name, const TOutText& text) {
  return FileHoldsText(TDir(), name, text);
}

// Deletes the file or link name in dir; a missing file is no error, and a
// directory, pipe or device stays. CannotRemove when it cannot be deleted.
TError RemoveFile(const TDir& dir, const std::string& name);
inline TError RemoveFile(const std::string& name) { return RemoveFile(TDir(), name); }

// True when both names refer to one existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);

// Moments of a run at which a test may act on the files (change a source,
// send a signal, look at a temporary file).
// Synced: a file or directory (named) reached the disk.
enum class TFilePoint { SourceRead, TempWritten, BeforeRename, Synced };

// A function called at each TFilePoint with the file concerned (the source,
// or the temporary file); none is set in the programs.
using TFileHook = void (*)(TFilePoint point, const std::string& name);
void SetFileHook(TFileHook hook);
void CallFileHook(TFilePoint point, const std::string& name);

// A function asked before each sync of a file or directory (named): an
// errno value makes that sync fail with it, 0 lets it be; none is set in
// the programs.
using TSyncFault = int (*)(const std::string& name);
void SetSyncFault(TSyncFault fault);
int SyncFault(const std::string& name);
