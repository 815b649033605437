// One Register() body whose generated lines a scan rewrote: its lines in
// the source and in the new text, and where it changes.
#pragma once

class TBodyRange {
public:
  int BraceLine = 0;    // line of the body's "{" in the source
  int CloseLine = 0;    // line of its "}" in the source
  int NewBraceLine = 0; // the same two lines in the new text
  int NewCloseLine = 0;
  // The first line of the source that the new text changes, line ends
  // aside; 0 when the body is up to date.
  int FirstChange = 0;

  bool Stale() const { return FirstChange != 0; }
};
