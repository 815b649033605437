// The lines of one Register() body whose generated lines a scan rewrote:
// from the line of its "{" to the line of its "}".
#pragma once

class TBodyRange {
public:
  int BraceLine = 0; // line of the body's "{"
  int CloseLine = 0; // line where the body's "}" was met
};
