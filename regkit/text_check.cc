#include "regkit/text_check.h"

#include <string.h>

#include <algorithm>
#include <cstring>

#include "framework/files/file_io.h"
#include "framework/text/char_class.h"
#include "framework/text/input_assist.h"
#include "regkit/class_index.h"
#include "regkit/findings.h"
#include "regkit/lsp/scan_lines.h"
#include "regkit/messages.h"
#include "regkit/register_heads.h"
#include "regkit/shell_word.h"
#include "tolvane/tolvane_messages.h"

using namespace regkit_msg;

namespace {

// The number of the first line whose line end is not a lone line feed;
// 0 when there is none.
int FirstLineEndToChange(std::string_view text) {
  int line = 1;
  for (std::size_t at = text.find_first_of("\r\n"); at != std::string_view::npos;
       at = text.find_first_of("\r\n", at + 1), ++line)
    if (text[at] == '\r' || LineEndLength(text, at) == 2) return line;
  return 0;
}

// Columns in UTF-16 code units up to the end of line: a byte that starts
// a UTF-8 sequence counts one, a four-byte sequence two.
int Utf16Length(std::string_view line) {
  int units = 0;
  for (unsigned char c : line) units += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
  return units;
}

// The fix of a stale body: the source lines of its range that the new text
// changes (lines alike at either end kept, at least one line replaced),
// and the new lines that take their place. No fix where the range does
// not fit the texts.
TFinding::TFix BodyFix(const TScanLines& oldLines, std::string_view newText, const TScanLines& newLines,
                       const TBodyRange& body) {
  int oldFirst = body.BraceLine, oldEnd = body.CloseLine + 1;
  int newFirst = body.NewBraceLine, newEnd = body.NewCloseLine + 1;
  if (oldFirst < 1 || oldFirst >= oldEnd || oldEnd > oldLines.Count() + 1 || newFirst < 1 ||
      newFirst > newEnd || newEnd > newLines.Count() + 1)
    return {};
  auto same = [&](int oldLine, int newLine) {
    return oldLines.WithEnd(oldLine) == newLines.WithEnd(newLine);
  };
  while (oldEnd - oldFirst > 1 && newFirst < newEnd && same(oldFirst, newFirst)) ++oldFirst, ++newFirst;
  while (oldEnd - oldFirst > 1 && newFirst < newEnd && same(oldEnd - 1, newEnd - 1)) --oldEnd, --newEnd;
  TFinding::TFix fix;
  fix.StartLine = oldFirst;
  fix.EndLine = oldEnd - 1;
  std::size_t from = newLines.Start(newFirst);
  fix.Text = std::string(newText.substr(from, newLines.Start(newEnd) - from));
  if (oldLines.End(fix.EndLine) == oldLines.Start(fix.EndLine + 1)) // no line end: the text's last line
    fix.EndColumn = Utf16Length(oldLines.Content(fix.EndLine)) + 1;
  return fix;
}

} // namespace

namespace {
bool WordByte(char c) { return IsAlnumChar(c) || c == '_'; }

// How many times "Register" stands as a word of its own in text, as the
// tokenizer reads it, counted up to one more than limit. headsOnly: only
// those that may begin a head, where blanks and then "(", a comment or a
// preprocessor line follow.
std::size_t RegisterWords(std::string_view text, std::size_t limit, bool headsOnly) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  const std::string_view name = "Register";
  std::size_t count = 0;
  for (const char* at = begin; count <= limit; at += name.size()) {
    at = static_cast<const char*>(memmem(at, static_cast<std::size_t>(end - at), name.data(), name.size()));
    if (!at) break;
    const char* after = at + name.size();
    bool word = (at == begin || !WordByte(at[-1])) && (after == end || !WordByte(*after));
    if (word && headsOnly) {
      const char* next = after;
      while (next != end && IsSpaceChar(*next)) ++next;
      word = next != end && (*next == '(' || *next == '/' || *next == '#');
    }
    if (word) ++count;
  }
  return count;
}
} // namespace

bool TTextCheck::MentionsRegistration(std::string_view text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (RegisterWords(text, 0, false) > 0) return true;
  // Each "_" that ends a word "tolvane", in any case.
  const std::string_view word = "tolvane";
  for (const char* at = begin;
       (at = static_cast<const char*>(std::memchr(at, '_', static_cast<std::size_t>(end - at)))); ++at) {
    if (static_cast<std::size_t>(at - begin) < word.size()) continue;
    const char* start = at - word.size();
    bool same = start == begin || !WordByte(start[-1]);
    for (std::size_t i = 0; i < word.size() && same; ++i) same = (start[i] | 0x20) == word[i];
    if (same) return true;
  }
  return false;
}

TFileResult::TState TTextCheck::Run(const std::string& path, std::string_view text,
                                    std::vector<TFinding>& findings, const TFileText* file) {
  TScanOptions options;
  options.NoWarnings = NoWarnings;
  options.SourceFile = file;
  options.Dialect = Dialect;
  Headers.clear();
  IncludedClasses.clear();
  if (Dialect == TScanOptions::TDialect::Modern) {
    if (text.find("::Register") != std::string_view::npos) {
      ReadIncludedClasses(path, text);
      options.Classes = &IncludedClasses;
    }
    options.RunClasses = RunClasses;
    options.KeepClasses = Keep;
  }
  Engine.Scan(text, options, Result);
  for (const TDiagnostic& d : Result.Diagnostics) findings.push_back(TFindings::OfScan(path, d));
  if (!Result.Ok) {
    if (!Result.Diagnostics.empty() && (!file || !file->Shrunk()))
      NameConstruct(text, !Result.Diagnostics.back().Scope.empty(), findings.back());
    return TFileResult::TState::Failed;
  }
  NotePassedOver(path, text, options.Dialect, findings);
  // An up-to-date text is mostly ranges of itself in their own place: only
  // what the scan made is compared.
  if (Result.Text.Equals(text)) return TFileResult::TState::UpToDate;
  NoteStale(path, text, findings);
  return TFileResult::TState::Stale;
}

// The bodies found in the text that the scan did not read, each at its
// word Register. Both lists are in file order; a body is known to the scan
// by the line of its "{".
void TTextCheck::NotePassedOver(const std::string& path, std::string_view text,
                                TScanOptions::TDialect dialect, std::vector<TFinding>& findings) const {
  using TPassedOver = TOptions::TPassedOver;
  if (PassedOverLevel == TPassedOver::Ignore || (PassedOverLevel == TPassedOver::Warning && NoWarnings))
    return;
  // Each head is such a word, and each head the scan read one of them:
  // where there are no others, no body was passed over.
  const std::vector<int>& read = Result.HeadBraceLines;
  if (RegisterWords(text, read.size(), true) <= read.size()) return;
  TFinding::TSeverity severity =
      PassedOverLevel == TPassedOver::Error ? TFinding::TSeverity::Error : TFinding::TSeverity::Warning;
  auto next = read.begin();
  for (TRegisterHeads::THead& head : TRegisterHeads::Find(text)) {
    if (head.SwitchedOff) continue;
    // The modern dialect reads a body outside its class wherever it finds
    // the class: one it left found none.
    if (dialect == TScanOptions::TDialect::Modern && head.Reason == TRegisterHeads::TReason::OutOfLine)
      head.Reason = TRegisterHeads::TReason::ClassNotRead;
    next = std::lower_bound(next, read.end(), head.BraceLine);
    if (next != read.end() && *next == head.BraceLine) continue;
    findings.push_back(TFinding(path, severity, TFinding::TRule::PassedOver, PassedOver(head, dialect),
                                head.Line, head.Column));
  }
}

int TTextCheck::NewLine(int line) const {
  // The bodies follow each other; each shifts the lines after its "}".
  const std::vector<TBodyRange>& bodies = Result.Bodies;
  auto after = std::partition_point(bodies.begin(), bodies.end(),
                                    [line](const TBodyRange& b) { return b.CloseLine < line; });
  if (after == bodies.begin()) return line;
  const TBodyRange& last = *(after - 1);
  return line + last.NewCloseLine - last.CloseLine;
}

void TTextCheck::NameConstruct(std::string_view text, bool inClass, TFinding& error) {
  if (Dialect == TScanOptions::TDialect::Specified) {
    if (const char* hint = ModernHintAt(text, error.Line, inClass))
      error.Message = ModernReads(error.Message, hint);
    return;
  }
  using namespace tolvane_msg;
  bool braces = error.Message == kUnexpectedClosingBrace || error.Message == kBraceMismatch ||
                error.Message == kOpenBraceAtEnd;
  if (braces &&
      (text.find("#else") != std::string_view::npos || text.find("#elif") != std::string_view::npos))
    error.Message = InBranches(error.Message);
}

// A failed scan is rare: only then is the text read again, in the modern
// dialect, to see whether the error's line holds a construct it reads.
const char* TTextCheck::ModernHintAt(std::string_view text, int line, bool inClass) {
  TScanOptions options;
  options.NoWarnings = true;
  options.Dialect = TScanOptions::TDialect::Modern;
  options.NoteConstructs = true;
  TScanResult modern = Engine.Scan(text, options);
  for (const TDiagnostic& d : modern.Diagnostics)
    if (d.Kind == TDiagnostic::TKind::Error && d.Line == line) return nullptr; // it stops there too
  for (const TConstructNote& note : modern.Constructs)
    // A declaration passed over is named only inside a class: outside, the
    // text may not be C++ at all.
    if (note.Line == line && (inClass || note.Kind != TConstructNote::TKind::PassedOver))
      return ModernHint(note.Kind);
  return nullptr;
}

void TTextCheck::ReadIncludedClasses(const std::string& path, std::string_view text) {
  if (path.empty() || path == kStandardInput) return;
  TScanOptions options;
  options.NoWarnings = true;
  options.Dialect = TScanOptions::TDialect::Modern;
  options.KeepClasses = true;
  TScanResult header;
  for (std::size_t at = text.find("#include"); at != std::string_view::npos;
       at = text.find("#include", at + 1)) {
    std::size_t open = text.find_first_not_of(" \t", at + 8);
    if (open == std::string_view::npos || text[open] != '"') continue;
    std::size_t close = text.find_first_of("\"\n", open + 1);
    if (close == std::string_view::npos || text[close] != '"') continue;
    std::string name(text.substr(open + 1, close - open - 1));
    if (name.empty() || name[0] == '/' || name.find("..") != std::string::npos) continue;
    TFileText& file = Headers.emplace_back();
    std::string shown;
    if (!OpenHeader(path, name, file, shown)) {
      Headers.pop_back();
      continue;
    }
    Engine.Scan(file.Text(), options, header);
    // A class two headers hold is defined twice.
    for (auto& [qualified, state] : header.Classes)
      TClassIndex::Put(IncludedClasses, qualified, std::move(state), shown);
  }
}

bool TTextCheck::OpenHeader(const std::string& path, const std::string& name, TFileText& file,
                            std::string& shown) const {
  std::string full = path.find('/') == std::string::npos ? name : DirectoryOf(path) + "/" + name;
  TDir dir;
  if (!Within) {
    std::string base;
    if (TDir::OpenParent(full, dir, base)) return false;
    shown = dir.PathOf(base);
    return !file.Open(dir, base, true);
  }
  // Only below a folder, its path as given; from there no link is followed.
  for (const std::string& folder : *Within) {
    std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    if (!full.starts_with(prefix)) continue;
    std::string below = full.substr(prefix.size());
    TDir root;
    if (TDir::Open(folder, root) || root.OpenBelow(DirectoryOf(below) == "." ? "" : DirectoryOf(below), dir))
      return false;
    shown = full;
    return !file.Open(dir, BaseOf(below), true, MaxHeaderSize);
  }
  return false;
}

// Each stale body is named at its first changed line. A text that changes
// in no body differs in its line ends alone (tolvane writes every line end
// as a line feed): named once, at the first line end that changes.
void TTextCheck::NoteStale(const std::string& path, std::string_view text,
                           std::vector<TFinding>& findings) const {
  bool anyStale = false;
  std::string message;
  // Lines as clients count them (no LF CR) are what a fix can name.
  bool withFixes = Fixes && Result.AnyStale();
  TScanLines oldLines(withFixes ? text : std::string_view());
  withFixes = withFixes && oldLines.LikeClient();
  std::string newText = withFixes ? Result.Text.Flatten() : std::string();
  TScanLines newLines(newText);
  for (std::size_t i = 0; i < Result.Bodies.size(); ++i) {
    const TBodyRange& body = Result.Bodies[i];
    if (!body.Stale()) continue;
    if (message.empty()) message = StaleBody(UpdateCommand(path));
    findings.push_back(
        TFinding(path, TFinding::TSeverity::Error, TFinding::TRule::StaleBody, message, body.FirstChange));
    findings.back().Body = static_cast<int>(i);
    if (withFixes) findings.back().Fix = BodyFix(oldLines, newText, newLines, body);
    anyStale = true;
  }
  if (anyStale) return;
  if (int line = FirstLineEndToChange(text))
    findings.push_back(
        TFinding(path, TFinding::TSeverity::Error, TFinding::TRule::LineEnds, kLineEnds, line));
  else
    findings.push_back(
        TFinding(path, TFinding::TSeverity::Error, TFinding::TRule::StaleBody, kOutsideBody, 1));
}

void TTextCheck::Configure(const TSettings* settings) {
  Dialect = MadeDialect;
  PassedOverLevel = MadePassedOverLevel;
  if (!settings) return;
  Dialect = settings->Dialect.Value;
  PassedOverLevel = settings->PassedOver.Value;
}
