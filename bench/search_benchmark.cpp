// The detector's search against the obvious baseline, memmem once per pattern, on the same 16 MiB.
// "scrambled" is the target case: scrambled-looking bytes where no pattern occurs, so every byte
// must be looked at by both. "zeros" is a guard, not a target: NUL padding is where the patterns
// with NUL runs in them (F, G) cost most.
#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "bench_data.h"
#include "inspect/signatures.h"

namespace {

constexpr std::size_t kSize = quillet::bench::kImageSize;
using quillet::bench::Scrambled16MiB;

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

BENCHMARK_CAPTURE(FindSignaturesAllFourteen, scrambled, Scrambled16MiB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemmemPerPattern, scrambled, Scrambled16MiB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindSignaturesAllFourteen, zeros, Zeros)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemmemPerPattern, zeros, Zeros)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
