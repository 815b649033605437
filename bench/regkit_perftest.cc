// In-process benchmarks of the hot paths on the inputs that gen_inputs.py
// writes: the tokenizer alone, a whole tolvane scan and a whole kessrow
// pass, each reported in bytes of input per second, and the language
// server's answer to a change of a header.
//
//   regkit_perftest [benchmark flags] INPUT_DIR
//
// INPUT_DIR holds header.h, header10k.h, parts.kes, one_part.kes, small.h
// and small.kes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>

#include "framework/files/file_io.h"
#include "framework/text/input_assist.h"
#include "kessrow/part_engine.h"
#include "regkit/lsp/server.h"
#include "tolvane/register_engine.h"
#include "tolvane/register_scan.h"

namespace {

std::string InputDir;

// The inputs stay mapped for the whole run, so every iteration sees the
// same bytes without reading the file again.
std::string_view Input(const std::string& name) {
  static std::map<std::string, std::unique_ptr<TFileText>> files;
  std::unique_ptr<TFileText>& file = files[name];
  if (!file) {
    file = std::make_unique<TFileText>();
    std::string path = InputDir + "/" + name;
    if (file->Open(path.c_str())) {
      std::fprintf(stderr, "cannot read %s (run gen_inputs.py first)\n", path.c_str());
      std::exit(2);
    }
  }
  return file->Text();
}

// Tokenizes the header with tolvane's keyword table, echoing every line the
// way a scan does when echo is set.
void BM_Tokenizer(benchmark::State& state, const char* name, bool echo) {
  std::string_view text = Input(name);
  TScanOptions options;
  TScanResult unused;
  TRegisterScan tool(options, unused);
  TOutText out;
  std::size_t tokens = 0;
  for (auto _ : state) {
    TInputAssistant ia;
    tool.SetUpIA(ia);
    out.clear();
    out.SetSource(text);
    if (echo) ia.Echo = &out;
    ia.Connect(text);
    while (ia.NextToken()) ++tokens;
    benchmark::DoNotOptimize(out.Pieces().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
}

void BM_TolvaneScan(benchmark::State& state, const char* name) {
  std::string_view text = Input(name);
  TRegisterEngine tool;
  TScanResult result; // the pieces, as the program makes them
  for (auto _ : state) {
    tool.Scan(text, {}, result);
    if (!result.Ok) state.SkipWithError("the scan reported an error");
    benchmark::DoNotOptimize(result.Text.Pieces().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_KessrowPass(benchmark::State& state, const char* name) {
  std::string_view text = Input(name);
  TPartEngine tool;
  TPartOptions options;
  options.SourceName = name;
  options.DestName = "parts.h";
  TPartResult result;
  for (auto _ : state) {
    tool.Generate(std::nullopt, text, options, result);
    if (!result.Ok) state.SkipWithError("the pass reported an error");
    benchmark::DoNotOptimize(result.Text.Pieces().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Counts what the server writes, and keeps nothing.
class TCountingBuffer : public std::streambuf {
public:
  std::size_t Written = 0;

protected:
  int overflow(int c) override {
    ++Written;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    Written += static_cast<std::size_t>(n);
    return n;
  }
};

std::string Message(const std::string& method, const std::string& params) {
  return R"({"jsonrpc":"2.0","method":")" + method + R"(","params":)" + params + "}";
}

// A JSON string of text.
std::string Quoted(std::string_view text) { return nlohmann::json(text).dump(); }

// The language server after each change of an open header: the didChange
// message parsed, the text scanned, its diagnostics made and written. The
// changes alternate between the header and the header with one member
// renamed (the body that registers it stale).
void BM_LspChange(benchmark::State& state, const char* name) {
  std::string text(Input(name));
  std::string renamed = text;
  std::size_t member = renamed.find("TReg N0;");
  if (member == std::string::npos) {
    state.SkipWithError("the header has no member N0");
    return;
  }
  renamed.replace(member, 8, "TReg N0x;");
  const std::string uri = R"({"uri":"file:///bench/h.h","version":1})";
  std::string changes[2];
  for (int i = 0; i < 2; ++i)
    changes[i] = Message("textDocument/didChange", R"({"textDocument":)" + uri + R"(,"contentChanges":[{"text":)" +
                                                       Quoted(i == 0 ? renamed : text) + "}]}");
  std::istringstream noInput;
  TCountingBuffer written;
  std::ostream out(&written);
  TOptions options;
  TServer server(noInput, out, options, "bench");
  server.Handle(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
  server.Handle(Message("textDocument/didOpen", R"({"textDocument":{"uri":"file:///bench/h.h","languageId":"cpp",)"
                                                R"("version":1,"text":)" + Quoted(text) + "}}"));
  std::size_t i = 0;
  for (auto _ : state) {
    std::size_t before = written.Written;
    server.Handle(changes[i++ % 2]);
    if (written.Written == before) state.SkipWithError("no diagnostics were published");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["lines"] = static_cast<double>(std::count(text.begin(), text.end(), '\n'));
}

BENCHMARK_CAPTURE(BM_Tokenizer, header, "header.h", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tokenizer, header_echo, "header.h", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TolvaneScan, header, "header.h")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TolvaneScan, small, "small.h")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_KessrowPass, parts, "parts.kes")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KessrowPass, one_part, "one_part.kes")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KessrowPass, small, "small.kes")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LspChange, header10k, "header10k.h")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s [benchmark flags] INPUT_DIR\n", argv[0]);
    return 2;
  }
  InputDir = argv[1];
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
