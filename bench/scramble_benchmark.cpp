// The permutation alone, in memory, against copying the same 16 MiB: what dcscram adds to a copy.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_data.h"
#include "scramble/scramble.h"

namespace {

constexpr std::size_t kSize = quillet::bench::kImageSize;

const std::vector<std::byte>& Input() { return quillet::bench::Scrambled16MiB(); }

void Permute(benchmark::State& state, quillet::ScrambleDirection direction) {
  std::vector<std::byte> output(kSize);
  for (auto _ : state) {
    direction == quillet::ScrambleDirection::Scramble ? quillet::Scramble(Input(), output)
                                                      : quillet::Unscramble(Input(), output);
    benchmark::DoNotOptimize(output.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kSize));
}
BENCHMARK_CAPTURE(Permute, scramble, quillet::ScrambleDirection::Scramble)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Permute, unscramble, quillet::ScrambleDirection::Unscramble)->Unit(benchmark::kMillisecond);

void Copy(benchmark::State& state) {
  std::vector<std::byte> output(kSize);
  for (auto _ : state) {
    std::memcpy(output.data(), Input().data(), kSize);
    benchmark::DoNotOptimize(output.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kSize));
}
BENCHMARK(Copy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
