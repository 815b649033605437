// What one run of the registration generator did to the files.
#pragma once

#include <string>

#include "framework/files/error.h"

class TUpdateOutcome {
public:
  enum class TDone {
    Failed,    // the run failed (FailedStep says where it stopped, and what changed)
    Unchanged, // the destination already held the text
    Written,   // the destination was rewritten
  };
  enum class TStep {
    None,        // no failure
    ReadSource,  // the source could not be read, or changed while it was
    Scan,        // the scan reported an error
    Backup,      // the backup of an in-place rewrite could not be made
    Destination, // the destination could not be written; nothing was changed
    Verify,      // the rewritten file may not hold the text (-r, or a rewrite in place cut
                 // short); the backup stays
    Durable,     // the rewritten file holds the text, which a crash may still take back; the
                 // backup stays
    Alias,       // the source holds the text, the destination (another name of its old
                 // file) still the old one; the backup stays
  };

  TDone Done = TDone::Failed;
  TStep FailedStep = TStep::None;
  TError Error;           // the file error of the failed step; none for Scan
  std::string DestName;   // the destination as named (the source when in place)
  std::string BackupName; // the backup of an in-place rewrite; empty otherwise
  bool BackupKept = false; // the backup remains after the run
  // A name the run made or was to remove and could not (a temporary file,
  // or the backup with -r); the update itself stands.
  TError Leftover;

  bool Ok() const { return Done != TDone::Failed; }
};
