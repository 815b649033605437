// The registration generator as a program: its command line turned into a
// request for the engine (TRegisterEngine), and the engine's results
// printed as the program's console text.
#pragma once

#include <ostream>

#include "framework/text/diagnostic.h"
#include "framework/cli/spec_base.h"
#include "tolvane/register_engine.h"

class TTolvane : public TSpecBase {
public:
  TTolvane();
  ~TTolvane() = default;

  void SetUpAA(TArgAssistant& aa) override;
  const char* GetProgramName() override { return "tolvane.exe"; }
  void PrintUsage(std::ostream& os) override;
  // The run the command line asks for, and its console text.
  void Process(std::ostream& os) override;
  bool Prompt() override;

  // Prints a diagnostic as the program's report block.
  static void PrintReport(std::ostream& os, const TDiagnostic& diagnostic);

private:
  TRegisterEngine Engine;
  bool WarningFlag = false; // the run warned
};
