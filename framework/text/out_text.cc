#include "framework/text/out_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>

#include "framework/text/huge_pages.h"

namespace {
// Made text goes into chunks of this size (a longer text gets its own): few
// allocations, and little room left unused at the end.
const std::size_t kChunkSize = std::size_t{4} << 20;
const std::size_t kFirstChunkSize = std::size_t{64} << 10;

bool Inside(std::string_view outer, const char* p, std::size_t n) {
  std::less_equal<const char*> le;
  return n <= outer.size() && le(outer.data(), p) && le(p + n, outer.data() + outer.size());
}
} // namespace

void TOutText::TChunkFree::operator()(char* chunk) const {
  ::operator delete (chunk, std::align_val_t{Alignment});
}

void TOutText::AppendSource(std::string_view range) {
  if (range.empty()) return;
  if (!Inside(Source, range.data(), range.size())) {
    append(range);
    return;
  }
  Total += range.size();
  if (!List.empty() && !List.back().Made && List.back().Data + List.back().Size == range.data()) {
    List.back().Size += range.size();
    return;
  }
  List.push_back({range.data(), range.size(), false});
}

void TOutText::AppendView(std::string_view text) {
  if (text.empty()) return;
  Total += text.size();
  List.push_back({text.data(), text.size(), true});
}

char* TOutText::Room(std::size_t n) {
  if (Chunk < Chunks.size() && ChunkSizes[Chunk] - Used >= n) return Chunks[Chunk].get() + Used;
  // The next chunk that is large enough (kept from before a clear), or a new one.
  std::size_t next = Chunk < Chunks.size() ? Chunk + 1 : Chunks.size();
  while (next < Chunks.size() && ChunkSizes[next] < n) ++next;
  if (next == Chunks.size()) {
    // The chunks grow from small to kChunkSize: a small file's run does
    // not touch a huge page for a few lines.
    std::size_t grown = Chunks.size() < 6 ? kFirstChunkSize << Chunks.size() : kChunkSize;
    std::size_t size = std::max(n, std::min(kChunkSize, grown));
    // Not zeroed (every byte is written before it is read). A chunk of a
    // huge page or more is aligned to huge pages, so that all of it can use
    // them; a smaller one is not (that alignment would cost a huge page's
    // worth of address space, and much time in some allocators, per run).
    std::size_t alignment = size >= kHugePageSize ? kHugePageSize : alignof(std::max_align_t);
    Chunks.emplace_back(static_cast<char*>(::operator new (size, std::align_val_t{alignment})),
                        TChunkFree{alignment});
    if (size >= kHugePageSize) AdviseHugePages(Chunks.back().get(), size);
    ChunkSizes.push_back(size);
  }
  Chunk = next;
  Used = 0;
  return Chunks[Chunk].get();
}

void TOutText::AddMade(const char* data, std::size_t n) {
  Total += n;
  MadeHeld += n;
  if (!List.empty() && List.back().Made && List.back().Data + List.back().Size == data) {
    List.back().Size += n;
  } else {
    List.push_back({data, n, true});
  }
  if (Target && MadeHeld >= Threshold) Flush();
}

void TOutText::CommitRoom(std::size_t used) {
  if (used == 0) return;
  char* p = Chunks[Chunk].get() + Used;
  Used += used;
  AddMade(p, used);
}

TOutText& TOutText::append(std::string_view text) {
  if (text.empty()) return *this;
  char* p = Room(text.size());
  std::memcpy(p, text.data(), text.size());
  Used += text.size();
  AddMade(p, text.size());
  return *this;
}

TOutText& TOutText::append(std::size_t n, char c) {
  if (n == 0) return *this;
  char* p = Room(n);
  std::memset(p, c, n);
  Used += n;
  AddMade(p, n);
  return *this;
}

std::string TOutText::Flatten() const {
  std::size_t n = 0;
  for (const TPiece& piece : List) n += piece.Size;
  std::string text;
  text.reserve(n);
  for (const TPiece& piece : List) text.append(piece.Data, piece.Size);
  return text;
}

void TOutText::clear() {
  List.clear();
  Chunk = 0;
  Used = 0;
  Total = 0;
  MadeHeld = 0;
  FlushGood = true;
}

void TOutText::FlushTo(TFlushTarget* target, std::size_t threshold) {
  Target = target;
  Threshold = threshold;
}

bool TOutText::Flush() {
  if (!Target) return FlushGood;
  if (FlushGood && !List.empty()) FlushGood = Target->Take(List);
  // The made memory is used again from its first chunk.
  List.clear();
  MadeHeld = 0;
  Chunk = 0;
  Used = 0;
  return FlushGood;
}

bool TOutText::Equals(std::string_view text) const {
  if (Total != text.size()) return false;
  std::size_t cursor = 0;
  for (const TPiece& piece : List) {
    // A range of this very text, at the place it came from, equals itself.
    bool inPlace = !piece.Made && piece.Data == text.data() + cursor;
    if (!inPlace && std::memcmp(piece.Data, text.data() + cursor, piece.Size) != 0) return false;
    cursor += piece.Size;
  }
  // Pieces already flushed are not here to compare.
  return cursor == text.size();
}
