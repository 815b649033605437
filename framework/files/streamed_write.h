// A new version of a file written while it is made: each part of the text
// that a TOutText flushes goes to a private temporary file at once and is
// compared with the file it is to replace, so that memory does not grow
// with the text and an unchanged file can still be left alone.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "framework/files/file_io.h"
#include "framework/text/out_text.h"
#include "framework/files/streamed_replacement.h"

class TStreamedWrite : public TOutText::TFlushTarget {
public:
  TStreamedWrite() = default;
  ~TStreamedWrite() override;
  TStreamedWrite(const TStreamedWrite&) = delete;
  TStreamedWrite& operator=(const TStreamedWrite&) = delete;

  // Begins the new version of name (TStreamedReplacement::Begin), comparing
  // it with name's text when compare is set. False when it cannot be written
  // this way; the caller then writes the whole text at the end.
  bool Begin(const std::string& name, bool compare);
  // Writes pieces and compares them; false once a write failed.
  bool Take(const std::vector<TOutText::TPiece>& pieces) override;
  // After the last part: true when the file already held exactly the text
  // taken (size bytes in all) and was compared throughout.
  bool Unchanged(std::size_t size) const;
  // Completes the new file and puts it in place (TStreamedReplacement);
  // flushed: whether every part of the text was taken (else WriteFailed
  // with the reason of the write that failed).
  TError Commit(bool flushed, std::initializer_list<const TFileText*> watched);

private:
  // Whether pieces equal the old file's bytes from at on.
  bool Compare(const std::vector<TOutText::TPiece>& pieces, std::size_t at);

  std::unique_ptr<TStreamedReplacement> Replacement;
  int OldFd = -1;           // the file replaced, read for the comparison
  std::size_t OldSize = 0;  // its size
  std::size_t Offset = 0;   // bytes taken so far
  bool Same = false;        // every byte taken equals the file's
  std::vector<char> Buffer; // the file's bytes being compared
  std::string Name;         // of the file replaced
  int WriteErrno = 0;       // the reason of a failed write
};
