#include "inspect/layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "scramble/scramble.h"

namespace quillet {
namespace {

// Enough boundaries for a clear answer on any real program; drawn from the first chunk only, so
// that a large file costs no more than a small one.
constexpr std::size_t kMostBoundaries = 4096;
constexpr std::size_t kMostChunks = 1;
// Fewer than this (files under 1 KiB or so) give no honest answer.
constexpr std::size_t kFewestBoundaries = 24;
// How surely the best form must beat the next: in standard errors, and in nats a boundary.
constexpr double kLeastSignificance = 6.0;
constexpr double kLeastMargin = 0.05;

// The chunks the sample is drawn from: the first, the largest, where the program starts with its
// code. One is enough for a clear answer, and each costs a shuffle of up to 65,536 slices.
std::vector<Chunk> SampledChunks(std::size_t file_size) {
  const std::vector<Chunk> chunks = ChunksOf(file_size);
  return {chunks.begin(), chunks.begin() + static_cast<std::ptrdiff_t>(std::min(kMostChunks, chunks.size()))};
}

// How much more likely each byte pair is to follow one another inside a slice than by chance
// (pointwise mutual information, in nats), learnt from the insides of every `stride`-th slice.
// Only the pairs at the sampled boundaries are ever asked for, a few tens of thousands of the
// 65,536, so each is worked out when asked from the counts, with the logarithms of small counts
// looked up: a logarithm for every pair would cost more than the whole judgement.
class PairAffinity {
 public:
  PairAffinity(std::span<const std::byte> image, const std::vector<Chunk>& chunks, std::size_t stride)
      : pairs_(256 * 256, 0) {
    // Every pair inside at most kMostBoundaries + 1 slices, 31 a slice: a count fits in 16 bits.

    std::uint64_t total = 0;
    for (const Chunk& chunk : chunks) {
      for (std::size_t offset = chunk.offset; offset < chunk.offset + chunk.size; offset += stride * kSliceSize) {
        const std::byte* bytes = image.data() + offset;
        for (std::size_t i = 0; i + 1 < kSliceSize; ++i) {
          ++pairs_[std::to_integer<std::uint8_t>(bytes[i]) * 256u + std::to_integer<std::uint8_t>(bytes[i + 1])];
        }
        total += kSliceSize - 1;
      }
    }
    // How often each byte comes first and second in a pair: the table's row and column sums.
    std::array<std::uint64_t, 256> left{}, right{};
    for (std::size_t a = 0; a < 256; ++a) {
      for (std::size_t b = 0; b < 256; ++b) {
        left[a] += pairs_[a * 256 + b];
        right[b] += pairs_[a * 256 + b];
      }
    }
    for (std::size_t count = 0; count < kSmallCounts; ++count)
      log_count_[count] = std::log(static_cast<double>(count) + kPrior);
    // Add-a-half smoothing: a pair never seen inside is unlikely, not impossible.
    const double all = static_cast<double>(total) + kPrior * 65536;
    for (std::size_t byte = 0; byte < 256; ++byte) {
      log_left_[byte] = std::log((static_cast<double>(left[byte]) + kPrior * 256) / all);
      log_right_[byte] = std::log((static_cast<double>(right[byte]) + kPrior * 256) / all);
    }
    log_all_ = std::log(all);
  }

  float operator()(std::uint8_t a, std::uint8_t b) const {
    const std::uint32_t count = pairs_[a * 256u + b];
    const double log_count = count < kSmallCounts ? log_count_[count] : std::log(count + kPrior);
    return static_cast<float>(log_count - log_all_ - log_left_[a] - log_right_[b]);
  }

 private:
  static constexpr double kPrior = 0.5;
  static constexpr std::size_t kSmallCounts = 256;

  std::vector<std::uint32_t> pairs_;
  std::array<double, kSmallCounts> log_count_{};
  std::array<double, 256> log_left_{}, log_right_{};
  double log_all_ = 0;
};

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

Layout JudgeLayout(const ByteSource& source) {
  const auto file_size = static_cast<std::size_t>(source.size());
  const std::vector<Chunk> chunks = SampledChunks(file_size);
  std::size_t places = 0;
  for (const Chunk& chunk : chunks) places += chunk.size / kSliceSize;
  if (places < kFewestBoundaries + chunks.size()) return Layout::Undecided;
  const std::size_t stride = std::max<std::size_t>(1, (places + kMostBoundaries - 1) / kMostBoundaries);
  // The sampled chunks are the first ones: their bytes are read once, where they do not lie in memory.
  const std::size_t sampled = chunks.back().offset + chunks.back().size;
  std::vector<std::byte> read;
  std::span<const std::byte> image;
  if (const std::optional<std::span<const std::byte>> memory = source.InMemory()) {
    image = memory->first(sampled);
  } else {
    read.resize(sampled);
    source.Read(0, read);
    image = read;
  }
  const PairAffinity affinity(image, chunks, stride);

  // The image as it is, unscrambled once and twice: one permutation of each chunk serves all three.
  std::array<BoundaryAffinity, 3> forms;
  ChunkPermutation permutation;
  for (const Chunk& chunk : chunks) {
    permutation.Prepare(file_size, chunk, ScrambleDirection::Unscramble);
    const std::span<const std::uint16_t> sources = permutation.Sources();
    const auto pair_at = [&](std::uint32_t left, std::uint32_t right) {
      const std::byte* slices = image.data() + chunk.offset;
      const auto a = std::to_integer<std::uint8_t>(slices[left * kSliceSize + kSliceSize - 1]);
      const auto b = std::to_integer<std::uint8_t>(slices[right * kSliceSize]);
      return affinity(a, b);
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
