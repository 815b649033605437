// File-wide settings, the keywords that name and describe a part, and the
// verbatim line blocks.
#include <algorithm>

#include "framework/text/names.h"
#include "kessrow/kessrow_messages.h"
#include "kessrow/part_pass.h"

using namespace kessrow_msg;

namespace {
constexpr int kMaxPinCount = 99999;
} // namespace

void TPartPass::Tok_BASE_CLASS() {
  if (WrongContext(ctOutside)) return;
  BaseClass.clear();
  IA.NextToken();
  if (IA.EndOfInput) return;
  // The rest of the line up to a "/" (normally a "//" comment), untrimmed.
  std::string_view rest = IA.Line.substr(static_cast<std::size_t>(IA.Position));
  BaseClass = rest.substr(0, rest.find('/'));
  IA.NextLine();
}

void TPartPass::Tok_PART_PREFIX() {
  if (WrongContext(ctOutside)) return;
  PartPrefix.clear();
  IA.NextToken();
  if (IA.EndOfInput) return;
  PartPrefix = IA.Token;
  if (IsCIdentifier(PartPrefix, false))
    IA.NextToken();
  else
    Report(kBadPrefix, kLegalChars);
}

void TPartPass::Tok_PART_NAME() {
  if (WrongContext(ctOutside)) return;
  PartName = PartPrefix;
  Footprint.clear();
  FootprintComment.clear();
  RefPrefix.clear();
  RefPrefixComment.clear();
  PinCount = -1;
  ClearPorts();
  PartLines.clear();
  RegisterLines.clear();
  ConstructorLines.clear();
  Context = ctPart;
  CopyEolComment(PartNameComment);
  IA.NextToken();
  PartName += IA.Token;
  if (!PartNameIndex.insert(PartName).second) {
    Report(kDuplicatePart);
    return;
  }
  if (IsCIdentifier(PartName, false))
    IA.NextToken();
  else
    Report(kBadPartName, kLegalChars);
}

void TPartPass::Tok_FOOTPRINT() {
  CopyEolComment(FootprintComment);
  IA.NextToken();
  Footprint = IA.Token;
  IA.NextToken();
}

void TPartPass::Tok_REF_PREFIX() {
  CopyEolComment(RefPrefixComment);
  IA.NextToken();
  RefPrefix = IA.Token;
  IA.NextToken();
}

void TPartPass::Tok_PIN_COUNT() {
  IA.NextToken();
  PinCount = GetInteger(false, false);
  if (ErrorFlag) return;
  if (PinCount > kMaxPinCount) return Report(kHighPinCount);
  // The pin set is sized once for the part instead of growing pin by pin.
  PinIndex.Reserve(static_cast<std::size_t>(std::max(PinCount, 0)));
  IA.NextToken();
}

void TPartPass::Tok_PART_LINES() { HandleLines(PartLines, ctPart); }
void TPartPass::Tok_REGISTER() { HandleLines(RegisterLines, ctPart); }
void TPartPass::Tok_CONSTRUCTOR() { HandleLines(ConstructorLines, ctPart); }

void TPartPass::Tok_INSERT() {
  std::string block;
  HandleLines(block, ctOutside);
  Out += block;
}

// Copies whole lines, each preceded by a line feed, up to a line whose
// first token is "$END".
void TPartPass::HandleLines(std::string& block, TContext required) {
  std::string_view keyword = IA.Token; // the table's spelling
  if (WrongContext(required)) return;
  IA.NextLine();
  while (!IA.EndOfInput) {
    if (IA.TokenType == EndTokenType) {
      IA.NextToken();
      return;
    }
    block += '\n';
    block += IA.Line;
    IA.NextLine();
  }
  Report(NoEndOfBlock(keyword));
}
