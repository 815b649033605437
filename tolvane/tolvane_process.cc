// The run: read the source, scan it into a new text, and update the
// destination only when that text differs, keeping a backup of a source
// that is rewritten in place.
#include "tolvane/tolvane_spec.h"

#include <cstdint>

#include "framework/arg_assist.h"
#include "framework/file_io.h"
#include "framework/replacement.h"
#include "tolvane/tolvane_messages.h"

using namespace tolvane_msg;

namespace {

// The message for a failed step; empty for Ok.
std::string FailureMessage(TWriteResult result, const std::string& source, const std::string& cannotCreate,
                           const std::string& writeFailed) {
  switch (result) {
  case TWriteResult::Ok:
    return "";
  case TWriteResult::CannotCreate:
    return cannotCreate;
  case TWriteResult::WriteFailed:
    return writeFailed;
  case TWriteResult::SourceChanged:
    break;
  }
  return SourceChangedMessage(source);
}

struct TUpdate {
  std::string SourceName, DestName, BackupName;
  bool Verify = false;
};

// The backup of an in-place rewrite: the source file itself under the
// backup name (a link; the source name then gets the new file), or, where
// no link can be made or the source is rewritten in place, a copy.
TWriteResult PrepareBackup(TReplacement& backup, TFileText& source, const TUpdate& u, bool link) {
  TReplacement::TOptions options;
  options.Mode = source.Mode();
  options.Uid = source.Owner();
  options.Gid = source.Group();
  options.FollowLinks = false; // a link in the backup's place is replaced
  options.AllowInPlace = false;
  options.Undoable = true;
  options.Source = &source;
  options.LinkFrom = u.SourceName.c_str();
  if (!link) options.LinkFrom = nullptr;
  return backup.Prepare(u.BackupName, source.Text(), options);
}

// Writes the new text: in place, the backup first (taken back if the
// source changes before the source itself is replaced). Both new files are
// complete before either is put in place, and the source is checked to be
// the file that was read before each. Returns the failure message, empty
// on success.
std::string UpdateFiles(TFileText& source, const TOutText& out, const TUpdate& u) {
  bool inPlace = !u.BackupName.empty();
  TReplacement backup, dest;
  std::string cannotBackup = CannotOpenBackupMessage(u.BackupName),
              backupFailed = BackupWriteMessage(u.BackupName);
  if (inPlace) {
    TWriteResult r = PrepareBackup(backup, source, u, true);
    if (r != TWriteResult::Ok) return FailureMessage(r, u.SourceName, cannotBackup, backupFailed);
  }
  // In place, the file replaced is the one the source name reaches.
  TWriteResult r = dest.Prepare(inPlace ? u.SourceName : u.DestName, out, {});
  std::string cannotCreate = CannotCreateMessage(u.DestName), writeFailed = DestWriteMessage(u.DestName);
  if (r != TWriteResult::Ok) return FailureMessage(r, u.SourceName, cannotCreate, writeFailed);
  // A source rewritten in place would change its link too: the backup is
  // then a copy.
  if (dest.InPlace() && backup.Linked() && (r = PrepareBackup(backup, source, u, false)) != TWriteResult::Ok)
    return FailureMessage(r, u.SourceName, cannotBackup, backupFailed);
  if (!source.StillSame()) return SourceChangedMessage(u.SourceName);
  if (inPlace && (r = backup.Commit({&source})) != TWriteResult::Ok)
    return FailureMessage(r, u.SourceName, cannotBackup, backupFailed);
  if ((r = dest.Commit({&source})) != TWriteResult::Ok) {
    backup.Undo();
    return FailureMessage(r, u.SourceName, cannotCreate, writeFailed);
  }
  backup.Finish();
  if (u.Verify && inPlace) {
    if (!FileHoldsText(dest.Target().c_str(), dest.Written()))
      return CorruptMessage(u.DestName, u.BackupName);
    RemoveFile(u.BackupName);
  }
  return "";
}

} // namespace

void TTolvane::ResetRun() {
  SuccessFlag = false;
  ErrorFlag = false;
  WarningFlag = false;
  BraceDepth = 0;
  ClassBraceDepths.clear();
  ClassDepth = 0;
  RegisterFound = false;
  TypeSeen = false;
  Members.clear();
  Includes.clear();
  MemberIndex.Clear();
  MemberIndexBuilt = false;
  RegistrationOn = true;
  ClassName.clear();
  RegisterBodies.clear();
}

bool TTolvane::Scan(std::string_view source, std::string& out) {
  TOutText pieces;
  bool ok = Scan(source, pieces);
  out += pieces.Flatten();
  return ok;
}

bool TTolvane::Scan(std::string_view source, TOutText& out) {
  ResetRun();
  // A fresh tokenizer, so that line numbers start at 1 on every scan.
  InputAssistant = TInputAssistant();
  SetUpIA(InputAssistant);
  IA->EolTokens = false;
  Out = &out;
  out.SetSource(source);
  IA->Echo = Out;
  IA->Connect(source);
  // The source's pages stay mapped after the scan: the new text is mostly
  // ranges of them, which the comparison and the write read again.
  // A source that shrinks under the scan reads as zeros from there on: the
  // scan stops on the next line. Reports made before then check for
  // themselves, so none is printed from the zeros.
  int checkedLine = 0;
  while (!IA->EndOfInput && !ErrorFlag) {
    if (SourceFile && IA->LineNumber != checkedLine) {
      checkedLine = IA->LineNumber;
      if (SourceFile->Shrunk()) break;
    }
    Dispatch();
  }
  if (!ErrorFlag && BraceDepth != 0) Error(tolvane_msg::kBraceMismatch);
  IA->Echo = nullptr;
  Out = nullptr;
  return !ErrorFlag;
}

void TTolvane::Process(std::ostream& os) {
  Console = &os;
  TUpdate u;
  u.SourceName = AA ? AA->GetPlain(0) : "";
  u.DestName = AA ? AA->GetPlain(1) : "";
  os << kNotice << u.SourceName << ".";
  if (u.DestName.empty()) u.DestName = u.SourceName;
  // A destination that is the source under another name ("./a.h", a link)
  // is an in-place rewrite too, and gets its backup.
  if (u.DestName == u.SourceName || SameFile(u.DestName, u.SourceName)) {
    u.BackupName = u.SourceName;
    RemoveExtension(u.BackupName);
    u.BackupName += BackupInfix;
    u.BackupName += GetExtension(u.SourceName);
  }

  SuccessFlag = false;
  TFileText source;
  // Only a regular file can be rewritten in place: a pipe's text would be
  // written back into the pipe.
  TFileText::TStatus status = source.Open(u.SourceName.c_str(), !u.BackupName.empty());
  if (status != TFileText::TStatus::Ok) {
    bool notRegular = status == TFileText::TStatus::NotRegular;
    os << kFileError
       << (notRegular ? NotRegularMessage(u.SourceName) : CannotOpenSourceMessage(u.SourceName));
    return;
  }
  // The new text holds the unchanged lines as ranges of the source: only
  // what the scan makes takes memory.
  TOutText out;
  SourceFile = &source;
  bool scanned = Scan(source.Text(), out);
  SourceFile = nullptr;
  if (source.Shrunk()) {
    os << kFileError << SourceChangedMessage(u.SourceName);
    return;
  }
  if (!scanned) return;

  SuccessFlag = true;
  // In place, the destination is the source, which is already in memory.
  bool inPlace = !u.BackupName.empty();
  if (!Flag('u') && (inPlace ? source.Holds(out) : FileHoldsText(u.DestName.c_str(), out))) {
    os << kUnchanged;
    return;
  }
  u.Verify = Flag('r');
  std::string failure = UpdateFiles(source, out, u);
  if (!failure.empty()) {
    os << kFileError << failure;
    SuccessFlag = false;
    return;
  }
  os << kSuccess;
}
