// The tool base class: the interface through which the shared driver runs a
// program, plus string and file-name utilities the tools share.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

class TArgAssistant;

class TSpecBase {
public:
  bool SuccessFlag = false;    // the run succeeded; becomes the exit status
  TArgAssistant* AA = nullptr; // the program's argument assistant

  // Slot order matters to nobody outside, but is kept as designed.
  virtual void SetUpAA(TArgAssistant& aa) = 0;
  virtual const char* GetProgramName() { return nullptr; }
  virtual void PrintBanner(std::ostream& os);
  virtual void PrintUsage(std::ostream& os) = 0;
  virtual void Process(std::ostream& os) = 0;
  virtual bool Success() { return SuccessFlag; }
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
