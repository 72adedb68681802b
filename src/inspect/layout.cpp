#include "inspect/layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "scramble/scramble.h"

namespace quillet {
namespace {

// Enough boundaries for a clear answer on any real program; drawn from a few chunks only, spread
// over the file, so that a large file costs no more than a small one.
constexpr std::size_t kMostBoundaries = 16384;
constexpr std::size_t kMostChunks = 3;
// Fewer than this (files under 1 KiB or so) give no honest answer.
constexpr std::size_t kFewestBoundaries = 24;
// How surely the best form must beat the next: in standard errors, and in nats a boundary.
constexpr double kLeastSignificance = 6.0;
constexpr double kLeastMargin = 0.05;

// The chunks the sample is drawn from: the largest, spread evenly over the file.
std::vector<Chunk> SampledChunks(std::size_t file_size) {
  std::vector<Chunk> chunks = ChunksOf(file_size);
  std::stable_sort(chunks.begin(), chunks.end(), [](const Chunk& a, const Chunk& b) { return a.size > b.size; });
  const auto largest = static_cast<std::size_t>(std::count_if(
      chunks.begin(), chunks.end(), [&](const Chunk& chunk) { return chunk.size == chunks.front().size; }));
  std::vector<Chunk> sampled;
  if (largest >= kMostChunks) {
    for (std::size_t i = 0; i < kMostChunks; ++i) sampled.push_back(chunks[i * (largest - 1) / (kMostChunks - 1)]);
  } else {
    sampled.assign(chunks.begin(), chunks.begin() + static_cast<std::ptrdiff_t>(std::min(kMostChunks, chunks.size())));
  }
  return sampled;
}

// How much more likely each byte pair is to follow one another inside a slice than by chance
// (pointwise mutual information, in nats), learnt from the insides of every `stride`-th slice.
std::vector<float> PairAffinity(std::span<const std::byte> image, const std::vector<Chunk>& chunks,
                                std::size_t stride) {
  // Counted in place of the affinities they become: floats count exactly far past any sample here.
  std::vector<float> affinity(256 * 256, 0.0f);
  std::array<std::uint32_t, 256> left{}, right{};
  double total = 0;
  for (const Chunk& chunk : chunks) {
    for (std::size_t offset = chunk.offset; offset < chunk.offset + chunk.size; offset += stride * kSliceSize) {
      const std::byte* bytes = image.data() + offset;
      for (std::size_t i = 0; i + 1 < kSliceSize; ++i) {
        const auto a = std::to_integer<std::uint8_t>(bytes[i]), b = std::to_integer<std::uint8_t>(bytes[i + 1]);
        ++affinity[a * 256u + b];
        ++left[a];
        ++right[b];
        ++total;
      }
    }
  }
  // Add-a-half smoothing: a pair never seen inside is unlikely, not impossible.
  constexpr double kPrior = 0.5;
  const double all = total + kPrior * 65536;
  for (std::size_t a = 0; a < 256; ++a) {
    const double log_left = std::log((left[a] + kPrior * 256) / all);
    for (std::size_t b = 0; b < 256; ++b) {
      const double log_right = std::log((right[b] + kPrior * 256) / all);
      float& pair = affinity[a * 256 + b];
      pair = static_cast<float>(std::log((pair + kPrior) / all) - log_left - log_right);
    }
  }
  return affinity;
}

// The running mean of the affinities of the pairs that straddle sampled slice boundaries.
class BoundaryAffinity {
 public:
  void Add(float value) {
    sum_ += value;
    squares_ += static_cast<double>(value) * value;
    ++count_;
  }
  std::size_t count() const { return count_; }
  double mean() const { return sum_ / static_cast<double>(count_); }
  double variance_of_mean() const {
    const double variance = std::max(0.0, squares_ / static_cast<double>(count_) - mean() * mean());
    return variance / static_cast<double>(count_);
  }

 private:
  double sum_ = 0, squares_ = 0;
  std::size_t count_ = 0;
};

}  // namespace

std::string_view LayoutText(Layout layout) {
  switch (layout) {
    case Layout::Unscrambled: return "unscrambled";
    case Layout::Scrambled: return "scrambled";
    case Layout::ScrambledTwice: return "scrambled twice";
    case Layout::Undecided: break;
  }
  return "undecided";
}

Layout JudgeLayout(std::span<const std::byte> image) {
  const std::vector<Chunk> chunks = SampledChunks(image.size());
  std::size_t places = 0;
  for (const Chunk& chunk : chunks) places += chunk.size / kSliceSize;
  if (places < kFewestBoundaries + chunks.size()) return Layout::Undecided;
  const std::size_t stride = std::max<std::size_t>(1, (places + kMostBoundaries - 1) / kMostBoundaries);
  const std::vector<float> affinity = PairAffinity(image, chunks, stride);

  // The image as it is, unscrambled once and twice: one permutation of each chunk serves all three.
  std::array<BoundaryAffinity, 3> forms;
  ChunkPermutation permutation;
  for (const Chunk& chunk : chunks) {
    permutation.Prepare(image.size(), chunk, ScrambleDirection::Unscramble);
    const std::span<const std::uint32_t> sources = permutation.Sources();
    const auto pair_at = [&](std::uint32_t left, std::uint32_t right) {
      const std::byte* slices = image.data() + chunk.offset;
      const auto a = std::to_integer<std::uint8_t>(slices[left * kSliceSize + kSliceSize - 1]);
      const auto b = std::to_integer<std::uint8_t>(slices[right * kSliceSize]);
      return affinity[a * 256u + b];
    };
    for (std::uint32_t place = 0; place + 1 < sources.size(); place += static_cast<std::uint32_t>(stride)) {
      forms[0].Add(pair_at(place, place + 1));
      forms[1].Add(pair_at(sources[place], sources[place + 1]));
      forms[2].Add(pair_at(sources[sources[place]], sources[sources[place + 1]]));
    }
  }
  if (forms[0].count() < kFewestBoundaries) return Layout::Undecided;
  std::array<std::size_t, 3> ranked{0, 1, 2};
  std::sort(ranked.begin(), ranked.end(),
            [&](std::size_t x, std::size_t y) { return forms[x].mean() > forms[y].mean(); });
  const BoundaryAffinity& best = forms[ranked[0]];
  const BoundaryAffinity& next = forms[ranked[1]];
  const double margin = best.mean() - next.mean();
  const double error = std::sqrt(best.variance_of_mean() + next.variance_of_mean());
  if (margin < kLeastMargin || error == 0 || margin < kLeastSignificance * error) return Layout::Undecided;
  return static_cast<Layout>(ranked[0]);
}

}  // namespace quillet
