// The output of a run as a sequence of pieces: ranges of the text the run
// reads (the source, kept alive and unchanged by the caller) and text the
// run made itself. Lines copied unchanged cost a piece, not their bytes;
// only made text takes memory, in chunks that never move, so a piece's
// bytes stay where they are while the text grows.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TOutText {
public:
  // Bytes of the text; Made is false for a range of the source.
  struct TPiece {
    const char* Data;
    std::size_t Size;
    bool Made;
  };
  // Takes the text flushed so far (Flush); false stops the flushing.
  class TFlushTarget {
  public:
    virtual ~TFlushTarget() = default;
    // Takes pieces, the next part of the text in order.
    virtual bool Take(const std::vector<TPiece>& pieces) = 0;
  };

  TOutText() = default;
  TOutText(const TOutText&) = delete;
  TOutText& operator=(const TOutText&) = delete;
  // Made text never moves, so its pieces stay valid in the moved-to text.
  TOutText(TOutText&&) = default;
  TOutText& operator=(TOutText&&) = default;

  // The text that source pieces come from; ranges outside it are made.
  void SetSource(std::string_view source) { Source = source; }
  // Appends a range of the source (a range that continues the previous
  // source piece extends it). A range outside the source is copied.
  void AppendSource(std::string_view range);
  // Appends text the caller keeps alive and unchanged, without copying.
  void AppendView(std::string_view text);

  // Made text, as the tools' writers append to a string.
  TOutText& operator+=(std::string_view text) { return append(text); }
  TOutText& operator+=(char c) { return append(std::string_view(&c, 1)); }
  TOutText& append(const char* text, std::size_t n) { return append(std::string_view(text, n)); }
  TOutText& append(std::size_t n, char c);
  TOutText& append(std::string_view text);
  void push_back(char c) { append(std::string_view(&c, 1)); }
  // Room for at least n made bytes, which the caller fills in place and
  // then adds with CommitRoom; nothing else is appended in between.
  char* MakeRoom(std::size_t n) {
    if (Chunk < Chunks.size() && ChunkSizes[Chunk] - Used >= n) return Chunks[Chunk].get() + Used;
    return Room(n);
  }
  // Adds the first used bytes of the room MakeRoom gave (used <= its n).
  void CommitRoom(std::size_t used);

  // Bytes of the whole text (also those flushed).
  std::size_t size() const { return Total; }
  bool empty() const { return Total == 0; }
  // The pieces not yet flushed, in order.
  const std::vector<TPiece>& Pieces() const { return List; }
  // The source range [0, size) the text was read from.
  std::string_view SourceText() const { return Source; }
  // The pieces not yet flushed, joined.
  std::string Flatten() const;
  // Whether the text equals text, from which its source pieces come: a
  // source piece where it stands in text needs no comparison, only the
  // other pieces are compared with the bytes they stand for. A text partly
  // flushed is not known to be equal.
  bool Equals(std::string_view text) const;
  // Forgets everything; keeps the made text's memory for reuse.
  void clear();

  // From now on, once the made text held reaches threshold bytes, the
  // pieces go to target and are forgotten: the memory does not grow with
  // the text. Null stops it.
  void FlushTo(TFlushTarget* target, std::size_t threshold);
  // Hands what is held to the flush target now; false when it refused.
  bool Flush();
  // False once the flush target refused a part.
  bool FlushOk() const { return FlushGood; }

private:
  // Room for at least n more made bytes in the current chunk.
  char* Room(std::size_t n);
  void AddMade(const char* data, std::size_t n);

  std::string_view Source;
  std::vector<TPiece> List;
  // Frees a chunk with the alignment it was made with.
  struct TChunkFree {
    std::size_t Alignment = alignof(std::max_align_t);
    void operator()(char* chunk) const;
  };
  std::vector<std::unique_ptr<char, TChunkFree>> Chunks;
  std::vector<std::size_t> ChunkSizes;
  std::size_t Chunk = 0; // index of the chunk being filled (when any)
  std::size_t Used = 0;  // bytes used of that chunk
  std::size_t Total = 0;
  std::size_t MadeHeld = 0; // made bytes in List
  TFlushTarget* Target = nullptr;
  std::size_t Threshold = 0;
  bool FlushGood = true;
};
