// The tool base class: the interface through which the shared driver runs a
// program, plus string and file-name utilities the tools share.
#pragma once

#include <cstddef>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/text/input_assist.h"

class TArgAssistant;

class TSpecBase {
public:
  bool SuccessFlag = false;    // the run succeeded; becomes the exit status
  TArgAssistant* AA = nullptr; // the program's argument assistant

  // Declares the tool's flags and usage lines on aa (and keeps it in AA).
  virtual void SetUpAA(TArgAssistant& aa) = 0;
  // The name the banner shows, or none.
  virtual const char* GetProgramName() { return nullptr; }
  // The banner that starts every run's output.
  virtual void PrintBanner(std::ostream& os);
  // The usage text that follows a usage error.
  virtual void PrintUsage(std::ostream& os) = 0;
  // The whole run, reported on os.
  virtual void Process(std::ostream& os) = 0;
  // Whether the run succeeded: the exit status.
  virtual bool Success() { return SuccessFlag; }
  // Whether the driver waits for Enter after the run.
  virtual bool Prompt() { return false; }

  // Cuts the extension (from the last dot after the last slash, never at
  // index 0) off the name.
  static void RemoveExtension(std::string& name);
  // The extension RemoveExtension would cut, without its dot.
  static std::string GetExtension(const std::string& name);
  // True when the named file exists and holds exactly text.
  static bool StringMatchesFile(std::string_view text, const char* fileName);
  static bool IsValidC_Identifier(std::string_view name, bool allowLeadingDigit);
  // text without its leading and trailing white space.
  static std::string_view Trimmed(std::string_view text);
  static void Trim(std::string& text);

protected:
  // The steps both programs take the same way, for their own operations.

  // Keeps aa in AA and declares on it the flag letters, their parameter
  // rules (one per letter) and the usage lines.
  void DeclareArgs(TArgAssistant& aa, const char* flags, const char* params,
                   std::span<const char* const> usage);
  // The usage text: ".  Usage:", the usage lines, a line feed.
  void PrintUsageLines(std::ostream& os) const;
  // Whether to pause at the end: flag -p with warnings or a failed run.
  bool PromptWanted(bool warnings);
  // Whether the flag letter was given (false before the command line is read).
  bool Flag(char letter) const;

  // purpose: one line that the banner prints under the suite's name.
  explicit TSpecBase(const char* purpose) : Purpose(purpose) {}
  // Tools are locals of their program's main and destroyed as their own
  // class, so the base needs no virtual destructor.
  ~TSpecBase() = default;
  TSpecBase(const TSpecBase&) = delete;
  TSpecBase& operator=(const TSpecBase&) = delete;

private:
  const char* Purpose;
};
