#include "framework/cli/arg_assist.h"

#include <cstring>

bool TArgAssistant::SetArgs(int argc, char** argv) {
  if (!Console) return false;
  std::ostream& con = *Console;
  FlagCount = static_cast<unsigned>(std::strlen(LegalFlags));
  if (std::strlen(LegalParams) != FlagCount) {
    con << "\n***** Program error: LegalFlags and LegalParams must have same length";
    return false;
  }
  Plain.clear();
  FlagSeen.assign(FlagCount, false);
  Params.assign(FlagCount, "");
  if (argc <= 0) {
    con << "\n***** Program error: argc == 0";
    return false;
  }

  TParseState state;
  for (int a = 1; a < argc; ++a) {
    const char* arg = argv[a];
    bool ok = arg[0] == FlagChar ? ReadFlagGroup(arg, state) : ReadPlain(arg, state);
    if (!ok) return false;
  }
  if (Plain.size() < MinPlain) {
    con << "\n***** Usage error: too few arguments";
    return false;
  }
  if (state.LastRule == 'r') {
    con << "\n***** Usage error: flag " << argv[argc - 1] << " requires a parameter";
    return false;
  }
  return true;
}

bool TArgAssistant::ReadFlagGroup(const char* arg, TParseState& state) {
  std::ostream& con = *Console;
  if (arg[1] == '\0') {
    con << "\n***** Usage error: bad flag " << arg;
    return false;
  }
  for (const char* p = arg + 1; *p; ++p) {
    if (state.LastRule == 'r') {
      con << "\n***** Usage error: flag " << state.LastFlag << " requires a parameter";
      return false;
    }
    int i = f_to_i(*p);
    if (i < 0) {
      con << "\n***** Usage error: unknown flag -" << *p;
      return false;
    }
    if (FlagSeen[i]) {
      con << "\n***** Usage error: flag -" << *p << " must appear at most once";
      return false;
    }
    FlagSeen[i] = true;
    state.LastFlag = *p;
    state.LastRule = LegalParams[i];
    state.Awaiting = state.LastRule != 'n' ? i : -1;
  }
  return true;
}

bool TArgAssistant::ReadPlain(const char* arg, TParseState& state) {
  if (state.Awaiting >= 0) {
    Params[static_cast<std::size_t>(state.Awaiting)] = arg;
  } else if (Plain.size() >= MaxPlain) {
    *Console << "\n***** Usage error: another plain argument (" << arg << ") is not allowed";
    return false;
  } else {
    Plain.push_back(arg);
  }
  state.LastRule = 'n';
  state.Awaiting = -1;
  return true;
}

int TArgAssistant::f_to_i(char flag) const {
  for (unsigned i = 0; i < FlagCount && LegalFlags[i]; ++i)
    if (LegalFlags[i] == flag) return static_cast<int>(i);
  return -1;
}

bool TArgAssistant::GetFlag(char flag) const {
  int i = f_to_i(flag);
  return i >= 0 && static_cast<unsigned>(i) < FlagSeen.size() && FlagSeen[i];
}

const char* TArgAssistant::GetParam(char flag) const {
  int i = f_to_i(flag);
  if (i < 0 || static_cast<unsigned>(i) >= Params.size()) return "";
  return Params[i];
}

const char* TArgAssistant::GetPlain(unsigned index) const { return index < Plain.size() ? Plain[index] : ""; }

void TArgAssistant::PrintUsage(std::ostream& os) const {
  for (const char* line : Usage) os << "\n" << line;
}
