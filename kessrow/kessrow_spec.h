// The part header generator as a program: its command line turned into a
// request for the engine (TPartEngine), and the engine's results printed as
// the program's console text.
#pragma once

#include <ostream>

#include "framework/text/diagnostic.h"
#include "framework/cli/spec_base.h"
#include "kessrow/part_engine.h"

class TKessrow : public TSpecBase {
public:
  TKessrow();
  ~TKessrow() = default;

  void SetUpAA(TArgAssistant& aa) override;
  const char* GetProgramName() override { return "kessrow.exe"; }
  void PrintUsage(std::ostream& os) override;
  // The run the command line asks for, and its console text.
  void Process(std::ostream& os) override;
  bool Prompt() override;

  // Prints a diagnostic as the program's report block.
  static void PrintReport(std::ostream& os, const TDiagnostic& diagnostic);

private:
  TPartEngine Engine;
};
