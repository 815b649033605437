// The run: read the source, scan it into a new text, and update the
// destination only when that text differs, keeping a backup of a source
// that is rewritten in place.
#include "tolvane/register_engine.h"

#include "framework/files/file_io.h"
#include "framework/files/replacement.h"
#include "framework/text/names.h"
#include "tolvane/register_scan.h"

namespace {

using TStep = TUpdateOutcome::TStep;

// The infix of a backup's name: "a.h" is kept as "a._h".
const char* const kBackupInfix = "._";

// The names of one update.
struct TNames {
  std::string Source, Dest, Backup; // Backup empty unless in place
};

TNames NamesOf(const TUpdateRequest& request, const char* backupInfix) {
  TNames names{request.Source, request.Destination, ""};
  if (names.Dest.empty()) names.Dest = names.Source;
  // A destination that is the source under another name ("./a.h", a link)
  // is an in-place rewrite too, and gets its backup.
  if (names.Dest == names.Source || (!request.Directory && SameFile(names.Dest, names.Source))) {
    names.Backup = names.Source;
    RemoveExtension(names.Backup);
    names.Backup += backupInfix;
    names.Backup += ExtensionOf(names.Source);
  }
  return names;
}

// The outcome of an update of names, before anything is done.
TUpdateOutcome OutcomeFor(const TNames& names) {
  TUpdateOutcome outcome;
  outcome.DestName = names.Dest;
  outcome.BackupName = names.Backup;
  return outcome;
}

// A failed outcome at step.
TUpdateOutcome Failure(TUpdateOutcome outcome, TStep step, TError error) {
  outcome.Done = TUpdateOutcome::TDone::Failed;
  outcome.FailedStep = step;
  outcome.Error = std::move(error);
  outcome.BackupKept = false;
  return outcome;
}

// The backup of an in-place rewrite: the source file itself under the
// backup name (a link; the source name then gets the new file). Where no
// link can be made, or where the source is rewritten in place (a link would
// change with it, and in a sticky directory nobody but the file's owner
// could remove it), a copy, which is on the disk before the source's first
// byte changes.
TError PrepareBackup(TReplacement& backup, const TDir& dir, TFileText& source, const TNames& names,
                     bool sourceInPlace) {
  using TWay = TReplacement::TBackupWay;
  return backup.Backup(dir, names.Backup, source, sourceInPlace ? TWay::DurableCopy : TWay::Linked);
}

// In place, the new source and the backup are both made before either is
// put in place, the source is checked to be the file that was read before
// each, and the backup is taken back when the source cannot be replaced.
// A source rewritten in place reaches the disk before the run ends: with
// -r there is no other copy of the text.
TUpdateOutcome WriteFiles(const TUpdateRequest& request, const TNames& names, TFileText& source,
                          const TOutText& text) {
  TDir dir = request.Directory.value_or(TDir());
  TUpdateOutcome outcome = OutcomeFor(names);
  bool inPlace = !names.Backup.empty();
  // In place, the destination is the source, which is already in memory.
  if (!request.Unconditional && (inPlace ? source.Holds(text) : FileHoldsText(dir, names.Dest, text))) {
    outcome.Done = TUpdateOutcome::TDone::Unchanged;
    return outcome;
  }
  TReplacement dest, alias, backup;
  // In place, the file replaced is the one the source name reaches.
  if (TError error =
          inPlace ? dest.ReplaceDurably(dir, names.Source, text) : dest.Replace(dir, names.Dest, text))
    return Failure(outcome, TStep::Destination, error);
  // A destination that is another name of the source's file (a hard link)
  // would keep the old file: it gets the new one too.
  if (inPlace && names.Dest != names.Source)
    if (TError error = alias.Alias(dest, names.Dest)) return Failure(outcome, TStep::Destination, error);
  if (inPlace)
    if (TError error = PrepareBackup(backup, dir, source, names, dest.InPlace()))
      return Failure(outcome, TStep::Backup, error);
  if (!source.StillSame())
    return Failure(outcome, TStep::Destination, TError(TError::TKind::Changed, names.Source));
  if (inPlace)
    if (TError error = backup.Commit({&source})) {
      outcome = Failure(outcome, TStep::Backup, error);
      // A backup put in place but not made durable gives way to the earlier one again.
      if (backup.Left() != TReplacement::TLeft::Old) outcome.Leftover = backup.Undo();
      return outcome;
    }
  if (TError error = dest.Commit({&source})) {
    outcome = Failure(outcome, TStep::Destination, error);
    if (dest.Left() == TReplacement::TLeft::Old || !inPlace) {
      outcome.Leftover = backup.Undo();
      return outcome;
    }
    // The source changed: its backup, which holds the old text, stays.
    outcome.FailedStep = dest.Left() == TReplacement::TLeft::NotDurable ? TStep::Durable : TStep::Verify;
    outcome.BackupKept = true;
    outcome.Leftover = backup.Finish();
    return outcome;
  }
  if (TError error = alias.Commit()) {
    // The source holds the new text and the backup the old one, which stays.
    bool renamed = alias.Left() == TReplacement::TLeft::NotDurable;
    outcome = Failure(outcome, renamed ? TStep::Durable : TStep::Alias, error);
    outcome.BackupKept = true;
    outcome.Leftover = backup.Finish();
    return outcome;
  }
  TError leftover = backup.Finish();
  outcome.Done = TUpdateOutcome::TDone::Written;
  outcome.BackupKept = inPlace;
  if (request.RemoveBackup && inPlace) {
    if (!FileHoldsText(dest.TargetDir(), dest.TargetName(), dest.Written())) {
      outcome = Failure(outcome, TStep::Verify, TError(TError::TKind::WriteFailed, names.Dest));
      outcome.BackupKept = true;
      return outcome;
    }
    if (TError error = RemoveFile(dir, names.Backup))
      leftover = error;
    else
      outcome.BackupKept = false;
  }
  outcome.Leftover = leftover;
  return outcome;
}

} // namespace

TScanResult TRegisterEngine::Scan(std::string_view source, const TScanOptions& options) const {
  TScanResult result;
  Scan(source, options, result);
  return result;
}

void TRegisterEngine::Scan(std::string_view source, const TScanOptions& options, TScanResult& result) const {
  result.Clear();
  TRegisterScan scan(options, result);
  scan.Run(source);
}

TUpdateOutcome TRegisterEngine::Update(const TUpdateRequest& request, TScanResult& scan) const {
  scan.Clear();
  TNames names = NamesOf(request, kBackupInfix);
  TUpdateOutcome outcome = OutcomeFor(names);
  TFileText source;
  // Only a regular file can be rewritten in place: a pipe's text would be
  // written back into the pipe.
  if (TError error = source.Open(request.Directory.value_or(TDir()), names.Source, !names.Backup.empty()))
    return Failure(outcome, TStep::ReadSource, error);
  // The new text holds the unchanged lines as ranges of the source: only
  // what the scan makes takes memory.
  TScanOptions options;
  options.NoWarnings = request.NoWarnings;
  options.SourceFile = &source;
  Scan(source.Text(), options, scan);
  if (source.Shrunk())
    return Failure(outcome, TStep::ReadSource, TError(TError::TKind::Changed, names.Source));
  if (!scan.Ok) return Failure(outcome, TStep::Scan, {});
  return WriteFiles(request, names, source, scan.Text);
}

TUpdateOutcome TRegisterEngine::Write(const TUpdateRequest& request, TFileText& source,
                                      const TOutText& text) const {
  return WriteFiles(request, NamesOf(request, kBackupInfix), source, text);
}
