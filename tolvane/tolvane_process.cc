// The run: read the source, scan it into a new text, and update the
// destination only when that text differs, keeping a backup of a source
// that is rewritten in place.
#include "tolvane/tolvane_spec.h"

#include <cstdint>

#include "framework/arg_assist.h"
#include "framework/file_io.h"
#include "tolvane/tolvane_messages.h"

namespace {

const char* const kNotice = "\nScanning ";
const char* const kUnchanged = "\nDestination is unchanged";
const char* const kSuccess = "\nSuccess";
const char* const kFileError = "\n***** File error: ";

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
}

bool TTolvane::Scan(std::string_view source, std::string& out) {
  ResetRun();
  // A fresh tokenizer, so that line numbers start at 1 on every scan.
  InputAssistant = TInputAssistant();
  SetUpIA(InputAssistant);
  IA->EolTokens = false;
  Out = &out;
  IA->Echo = Out;
  IA->Connect(source);
  // The source is read once from front to back: the pages behind the
  // current line are let go every few megabytes, so that the source and
  // the new text are not both held whole at the end of the scan.
  const std::size_t releaseStep = std::size_t{4} << 20;
  std::size_t released = 0;
  auto begin = reinterpret_cast<std::uintptr_t>(source.data());
  while (!IA->EndOfInput && !ErrorFlag) {
    Dispatch();
    auto at = reinterpret_cast<std::uintptr_t>(IA->Line.data());
    if (SourceFile && !IA->EndOfInput && at >= begin + released + releaseStep &&
        at - begin <= source.size()) {
      SourceFile->Release(released, at - begin);
      released = at - begin;
    }
  }
  if (!ErrorFlag && BraceDepth != 0) Error(tolvane_msg::kBraceMismatch);
  IA->Echo = nullptr;
  Out = nullptr;
  return !ErrorFlag;
}

void TTolvane::Process(std::ostream& os) {
  Console = &os;
  std::string sourceName = AA ? AA->GetPlain(0) : "";
  std::string destName = AA ? AA->GetPlain(1) : "";
  os << kNotice << sourceName << ".";
  if (destName.empty()) destName = sourceName;
  // A destination that is the source under another name ("./a.h", a link)
  // is an in-place rewrite too, and gets its backup.
  std::string backupName;
  if (destName == sourceName || SameFile(destName, sourceName)) {
    backupName = sourceName;
    RemoveExtension(backupName);
    backupName += BackupInfix;
    backupName += GetExtension(sourceName);
  }

  SuccessFlag = false;
  TFileText source;
  if (source.Open(sourceName.c_str()) != TFileText::TStatus::Ok) {
    os << kFileError << "could not open source file " << sourceName << ".\n";
    return;
  }
  // Regenerated bodies can make the text longer than its source: the room
  // for twice the source is reserved once, and only what is written of it
  // takes memory.
  std::string out;
  ReserveText(out, 2 * source.Text().size() + 65536);
  SourceFile = &source;
  bool scanned = Scan(source.Text(), out);
  SourceFile = nullptr;
  if (!scanned) return;

  SuccessFlag = true;
  // In place, the destination is the source, which is already in memory.
  if (!Flag('u') && (backupName.empty() ? StringMatchesFile(out, destName.c_str()) : source.Holds(out))) {
    os << kUnchanged;
    return;
  }
  auto fail = [&](const std::string& message) {
    os << kFileError << message;
    SuccessFlag = false;
  };
  if (!backupName.empty()) {
    // The backup is the source as read, with the source's permissions.
    TWriteResult result = ReplaceFileByCopy(backupName, source, source.Mode());
    if (result == TWriteResult::CannotCreate) return fail("could not open backup file " + backupName + ".\n");
    if (result == TWriteResult::WriteFailed) return fail("write to backup file " + backupName + " failed.\n");
  }
  TWriteResult result = ReplaceFile(destName, out);
  if (result == TWriteResult::CannotCreate)
    return fail("could not create destination file " + destName + "\n");
  if (result == TWriteResult::WriteFailed)
    return fail("write to destination file " + destName + " failed.\n");
  if (Flag('r') && !backupName.empty()) {
    if (!StringMatchesFile(out, destName.c_str()))
      return fail("destination file " + destName + " may be corrupt.\n***** Use backup file " + backupName +
                  " to recover.\n");
    RemoveFile(backupName);
  }
  os << kSuccess;
}
