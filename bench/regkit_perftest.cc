// In-process benchmarks of the hot paths on the inputs that gen_inputs.py
// writes: the tokenizer alone, a whole tolvane scan and a whole kessrow
// pass, each reported in bytes of input per second.
//
//   regkit_perftest [benchmark flags] INPUT_DIR
//
// INPUT_DIR holds header.h, parts.kes, one_part.kes, small.h and small.kes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "framework/file_io.h"
#include "framework/input_assist.h"
#include "kessrow/kessrow_spec.h"
#include "tolvane/tolvane_spec.h"

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
  TTolvane tool;
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
  TTolvane tool;
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
  TKessrow tool;
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

BENCHMARK_CAPTURE(BM_Tokenizer, header, "header.h", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tokenizer, header_echo, "header.h", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TolvaneScan, header, "header.h")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TolvaneScan, small, "small.h")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_KessrowPass, parts, "parts.kes")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KessrowPass, one_part, "one_part.kes")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KessrowPass, small, "small.kes")->Unit(benchmark::kMicrosecond);

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
