#include "regkit/file_check.h"

#include <algorithm>

#include "framework/file_io.h"
#include "regkit/line_diff.h"
#include "tolvane/tolvane_messages.h"

namespace {

const char* const kStaleBody = ": error: Register() body is out of date";
const char* const kLineEnds = ": error: line ends differ (tolvane writes LF)";
const char* const kOutsideBody = ": error: text differs outside Register() bodies";
const char* const kFileError = "***** File error: ";

// A TArgAssistant holds pointers into its argument vector: the strings
// live as long as their owner.
void SetArgs(TTolvane& tool, TArgAssistant& args, std::vector<std::string>& text,
             std::vector<char*>& pointers, std::vector<std::string> argv) {
  text = std::move(argv);
  pointers.clear();
  for (std::string& arg : text) pointers.push_back(arg.data());
  args = TArgAssistant();
  std::ostringstream ignored;
  args.Console = &ignored;
  tool.SetUpAA(args);
  args.SetArgs(static_cast<int>(pointers.size()), pointers.data());
  args.Console = nullptr;
}

// "***** File error: could not ...\n***** Use ..." becomes one line.
std::string FileErrorText(const std::string& console) {
  std::size_t at = console.find(kFileError);
  if (at == std::string::npos) return "could not update the file";
  std::string_view rest = std::string_view(console).substr(at + std::string_view(kFileError).size());
  const std::string_view joint = "\n***** ";
  std::string text;
  for (std::size_t cut; (cut = rest.find(joint)) != std::string_view::npos;
       rest.remove_prefix(cut + joint.size())) {
    text.append(rest.substr(0, cut));
    text.push_back(' ');
  }
  text.append(rest);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

} // namespace

TFileCheck::TFileCheck(const TOptions& options) : Options(options) {
  std::vector<std::string> argv = {"tolvane", "file"};
  if (Options.NoWarnings) argv.push_back("-w");
  SetArgs(Tool, Args, ArgText, ArgPointers, argv);
}

TFileResult TFileCheck::Run(const std::string& path) {
  TFileResult result;
  TFileText source;
  TFileText::TStatus status = source.Open(path.c_str());
  if (status != TFileText::TStatus::Ok) {
    result.State = TFileResult::TState::Failed;
    result.Lines.push_back(
        path + ": error: " +
        (status == TFileText::TStatus::CannotOpen ? "could not open the file" : "could not read the file"));
    return result;
  }
  // The made text's room is kept from file to file: no fresh pages per file.
  Pieces.clear();
  Console.str("");
  Diagnostics.clear();
  Tool.Console = &Console;
  Tool.Diagnostics = &Diagnostics;
  bool scanned = Tool.Scan(source.Text(), Pieces);
  Tool.Diagnostics = nullptr;
  ReportDiagnostics(path, result);
  if (!scanned) {
    result.State = TFileResult::TState::Failed;
    return result;
  }
  // An up-to-date file is mostly ranges of itself in their own place: only
  // what the scan made is compared.
  if (source.Holds(Pieces)) return result;
  std::string& output = Output;
  output = Pieces.Flatten();
  result.State = TFileResult::TState::Stale;
  if (Options.Command == TOptions::TCommand::Update) {
    Update(path, result);
  } else {
    ReportStale(path, source.Text(), output, result);
  }
  if (Options.Diff) {
    // The diff names the file relative to where it is applied.
    std::string name = path;
    while (name.starts_with("./")) name.erase(0, 2);
    result.Diff = TLineDiff(source.Text(), output, TLineDiff::TCompare::Exact).Unified(name);
  }
  return result;
}

void TFileCheck::ReportDiagnostics(const std::string& path, TFileResult& result) const {
  for (const TDiagnostic& d : Diagnostics) {
    const char* kind = d.Kind == TDiagnostic::TKind::Error ? ": error: " : ": warning: ";
    result.Lines.push_back(path + ":" + std::to_string(d.Line) + ":" + std::to_string(d.Column) + kind +
                           d.Message);
  }
}

// Each change of the lines is laid on the Register() bodies the scan
// rewrote: the first change in a body names it. Changes outside every
// body come from the line ends alone (tolvane writes every line end as a
// line feed); they are named once, at the first such line.
void TFileCheck::ReportStale(const std::string& path, std::string_view source, std::string_view output,
                             TFileResult& result) const {
  std::vector<bool> named(Tool.RegisterBodies.size(), false);
  bool outsideNamed = false;
  for (int line : TLineDiff(source, output, TLineDiff::TCompare::IgnoreLineEnds).ChangeLines()) {
    auto body = std::find_if(Tool.RegisterBodies.begin(), Tool.RegisterBodies.end(),
                             [&](const TBodyRange& r) { return line >= r.BraceLine && line <= r.CloseLine; });
    if (body == Tool.RegisterBodies.end()) {
      if (!outsideNamed) result.Lines.push_back(path + ":" + std::to_string(line) + kOutsideBody);
      outsideNamed = true;
      continue;
    }
    std::size_t index = static_cast<std::size_t>(body - Tool.RegisterBodies.begin());
    if (!named[index]) result.Lines.push_back(path + ":" + std::to_string(line) + kStaleBody);
    named[index] = true;
  }
  // Equal lines apart from their ends: the line ends are what changes.
  std::vector<int> exact = TLineDiff(source, output, TLineDiff::TCompare::Exact).ChangeLines();
  bool anyNamed = outsideNamed || std::find(named.begin(), named.end(), true) != named.end();
  if (!anyNamed && !exact.empty())
    result.Lines.push_back(path + ":" + std::to_string(exact.front()) + kLineEnds);
}

// The real thing, in process: tolvane's own pass on the file, with its
// safe replacement, backup and verification.
void TFileCheck::Update(const std::string& path, TFileResult& result) {
  TTolvane tool;
  TArgAssistant args;
  std::vector<std::string> text;
  std::vector<char*> pointers;
  // A name that starts with "-" would be read as flags.
  std::vector<std::string> argv = {"tolvane", path[0] == '-' ? "./" + path : path};
  if (!Options.KeepBackup) argv.push_back("-r");
  argv.push_back("-w"); // the warnings were reported by the check
  SetArgs(tool, args, text, pointers, argv);
  std::ostringstream console;
  std::vector<TDiagnostic> diagnostics;
  tool.Diagnostics = &diagnostics;
  tool.Process(console);
  if (tool.Success()) {
    // "Destination is unchanged": someone brought it up to date meanwhile.
    bool written = console.str().ends_with(tolvane_msg::kSuccess);
    result.State = written ? TFileResult::TState::Updated : TFileResult::TState::UpToDate;
    if (written) result.Lines.push_back(path + ": updated");
    return;
  }
  result.State = TFileResult::TState::Failed;
  if (!diagnostics.empty()) {
    // The file changed since it was read, and no longer scans.
    const TDiagnostic& d = diagnostics.front();
    result.Lines.push_back(path + ":" + std::to_string(d.Line) + ":" + std::to_string(d.Column) +
                           ": error: " + d.Message);
    return;
  }
  result.Lines.push_back(path + ": error: " + FileErrorText(console.str()));
}
