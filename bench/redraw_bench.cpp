// The cost of one redraw pass over a page of N lines 'X Y moveto stroke',
// with the draw calls going to a no-op stand-in.
// Usage: redraw_bench [benchmark flags] FOLDER, where FOLDER holds the
// pages lines-N.ps written by bench/run.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iostream>
#include <string>

#include "viewer.h"

namespace {

std::string folder;

// A stream buffer that swallows everything: the pass prints nothing for
// these pages, and nothing should reach the terminal if it did.
struct NullBuffer : std::streambuf {
  int overflow(int c) override { return c; }
};

void redrawPass(benchmark::State& state) {
  int64_t lines = state.range(0);
  filename = folder + "/lines-" + std::to_string(lines) + ".ps";
  std::ifstream page(filename, std::ios::binary | std::ios::ate);
  if (!page) {
    state.SkipWithError(("missing " + filename).c_str());
    return;
  }
  double bytes = double(page.tellg());
  NullBuffer sink;
  std::streambuf* saved = std::cout.rdbuf(&sink);
  for (auto _ : state) display();
  std::cout.rdbuf(saved);
  double tokens = 4.0 * double(lines);
  double passes = double(state.iterations());
  state.counters["tokens_per_s"] =
      benchmark::Counter(tokens * passes, benchmark::Counter::kIsRate);
  state.counters["MB_per_s"] =
      benchmark::Counter(bytes * passes / 1e6, benchmark::Counter::kIsRate);
  state.counters["ns_per_token"] = benchmark::Counter(
      tokens * passes * 1e-9,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["ns_per_line"] = benchmark::Counter(
      double(lines) * passes * 1e-9,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(redrawPass)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc != 2) {
    std::cerr << "usage: redraw_bench [benchmark flags] FOLDER\n";
    return 2;
  }
  folder = argv[1];
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
