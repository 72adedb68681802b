// The detector's search against the obvious baseline, memmem once per pattern, on the same 16 MiB.
// "scrambled" is the target case: scrambled-looking bytes where no pattern occurs, so every byte
// must be looked at by both. "zeros" is a guard, not a target: NUL padding is where the patterns
// with NUL runs in them (F, G) cost most.
#include <benchmark/benchmark.h>
#include <string.h>

#include <random>
#include <vector>

#include "inspect/signatures.h"

namespace {

constexpr std::size_t kSize = 16u << 20;

const std::vector<std::byte>& Scrambled() {
  static const std::vector<std::byte> bytes = [] {
    std::vector<std::byte> buffer(kSize);
    std::mt19937 random(1);
    for (std::byte& byte : buffer) byte = static_cast<std::byte>(random() & 0xFF);
    return buffer;
  }();
  return bytes;
}

const std::vector<std::byte>& Zeros() {
  static const std::vector<std::byte> bytes(kSize);
  return bytes;
}

void FindSignaturesAllFourteen(benchmark::State& state, const std::vector<std::byte>& (*image)()) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(quillet::FindSignatures(image(), quillet::AllPatterns()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kSize));
}

void MemmemPerPattern(benchmark::State& state, const std::vector<std::byte>& (*image)()) {
  for (auto _ : state) {
    int found = 0;
    for (const quillet::Pattern& pattern : quillet::AllPatterns()) {
      found += memmem(image().data(), kSize, pattern.bytes.data(), pattern.bytes.size()) != nullptr;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kSize));
}

BENCHMARK_CAPTURE(FindSignaturesAllFourteen, scrambled, Scrambled)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemmemPerPattern, scrambled, Scrambled)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindSignaturesAllFourteen, zeros, Zeros)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemmemPerPattern, zeros, Zeros)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
