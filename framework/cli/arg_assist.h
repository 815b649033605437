// Command-line parsing shared by both programs: single-letter flags (some
// with a parameter) and plain (positional) arguments.
#pragma once

#include <ostream>
#include <vector>

class TArgAssistant {
public:
  std::vector<const char*> Plain;  // plain arguments, in command-line order
  std::vector<bool> FlagSeen;      // per legal flag: it was given
  std::vector<const char*> Params; // per legal flag: its parameter, or ""
  std::vector<const char*> Usage;  // usage lines, in the order added
  unsigned FlagCount = 0;          // length of LegalFlags, fixed by SetArgs
  char FlagChar = '-';             // starts a flag argument
  unsigned MinPlain = 1;
  unsigned MaxPlain = 2;
  const char* LegalFlags = "";  // one letter per flag; case matters
  const char* LegalParams = ""; // per flag: 'n' none, 'r' required, else optional
  std::ostream* Console = nullptr;

  void AddUsage(const char* line) { Usage.push_back(line); }
  // Checks the command line and splits it; on a problem writes one
  // "*****" message to Console and returns false.
  bool SetArgs(int argc, char** argv);
  bool GetFlag(char flag) const;
  // The flag's parameter; "" when it has none or is unknown.
  const char* GetParam(char flag) const;
  // The plain argument at index; "" past the last.
  const char* GetPlain(unsigned index) const;
  unsigned PlainCount() const { return static_cast<unsigned>(Plain.size()); }
  void PrintUsage(std::ostream& os) const;
  // Index of the flag letter among the legal flags, or -1.
  int f_to_i(char flag) const;

private:
  // Where SetArgs stands between arguments.
  struct TParseState {
    char LastFlag = 0;   // the last flag letter seen
    char LastRule = 'n'; // its parameter rule
    int Awaiting = -1;   // index of the flag that awaits a parameter
  };
  // A group of flag letters ("-wp"); false after a usage error.
  bool ReadFlagGroup(const char* arg, TParseState& state);
  // A plain argument, or the parameter of the flag before it.
  bool ReadPlain(const char* arg, TParseState& state);
};
