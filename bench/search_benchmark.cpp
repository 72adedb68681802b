// The detector's search against the obvious baseline, memmem once per pattern, on the same 16 MiB
// of scrambled-looking bytes (no pattern occurs, so every byte must be looked at by both).
#include <benchmark/benchmark.h>
#include <string.h>

#include <random>
#include <vector>

#include "inspect/signatures.h"

namespace {

const std::vector<std::byte>& Scrambled16MiB() {
  static const std::vector<std::byte> bytes = [] {
    std::vector<std::byte> buffer(16u << 20);
    std::mt19937 random(1);
    for (std::byte& byte : buffer) byte = static_cast<std::byte>(random() & 0xFF);
    return buffer;
  }();
  return bytes;
}

void FindSignaturesAllFourteen(benchmark::State& state) {
  const auto& image = Scrambled16MiB();
  for (auto _ : state) {
    benchmark::DoNotOptimize(quillet::FindSignatures(image, quillet::AllPatterns()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(image.size()));
}
BENCHMARK(FindSignaturesAllFourteen)->Unit(benchmark::kMillisecond);

void MemmemPerPattern(benchmark::State& state) {
  const auto& image = Scrambled16MiB();
  for (auto _ : state) {
    int found = 0;
    for (const quillet::Pattern& pattern : quillet::AllPatterns()) {
      found += memmem(image.data(), image.size(), pattern.bytes.data(), pattern.bytes.size()) != nullptr;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(image.size()));
}
BENCHMARK(MemmemPerPattern)->Unit(benchmark::kMillisecond);

// Not a target, a guard: 16 MiB of NUL bytes (padding, zeroed data) is where the patterns with NUL
// runs in them (F, G) cost most.
void FindSignaturesInZeros(benchmark::State& state) {
  const std::vector<std::byte> zeros(16u << 20);
  for (auto _ : state) {
    benchmark::DoNotOptimize(quillet::FindSignatures(zeros, quillet::AllPatterns()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(zeros.size()));
}
BENCHMARK(FindSignaturesInZeros)->Unit(benchmark::kMillisecond);

void MemmemPerPatternInZeros(benchmark::State& state) {
  const std::vector<std::byte> zeros(16u << 20);
  for (auto _ : state) {
    int found = 0;
    for (const quillet::Pattern& pattern : quillet::AllPatterns()) {
      found += memmem(zeros.data(), zeros.size(), pattern.bytes.data(), pattern.bytes.size()) != nullptr;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(zeros.size()));
}
BENCHMARK(MemmemPerPatternInZeros)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
