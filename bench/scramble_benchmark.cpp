// The permutation alone, in memory, against copying the same 16 MiB: what dcscram adds to a copy.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "scramble/scramble.h"

namespace {

constexpr std::size_t kSize = 16u << 20;

const std::vector<std::byte>& Input() {
  static const std::vector<std::byte> bytes = [] {
    std::vector<std::byte> buffer(kSize);
    std::mt19937 random(1);
    for (std::byte& byte : buffer) byte = static_cast<std::byte>(random() & 0xFF);
    return buffer;
  }();
  return bytes;
}

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
