// What one run of the registration generator is asked to do: the command
// line of tolvane as fields.
#pragma once

#include <optional>
#include <string>

#include "framework/files/dir.h"

class TUpdateRequest {
public:
  std::string Source;         // the file scanned
  std::string Destination;    // where the new text goes; empty: the source itself
  bool Unconditional = false; // write even when the text is unchanged (-u)
  bool RemoveBackup = false;  // remove the backup after a verified rewrite (-r)
  bool NoWarnings = false;    // no warnings (-w)
  // When set, Source is an entry of this directory, read and replaced
  // through it and never through a link (Destination stays empty); else
  // the names are paths.
  std::optional<TDir> Directory;
};
