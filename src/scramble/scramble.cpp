#include "scramble/scramble.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <utility>

namespace quillet {
namespace {

// The generator: state = (state * 2109 + 9273) mod 2^15, each draw returning (state + 0xC000)
// mod 2^16. The state starts as the file size mod 2^16; only its low 15 bits matter to any draw.
// The multiplier is 1 mod 4 and the increment odd, so the state runs through all 2^15 values
// before it repeats: the draws repeat with that period.
class Generator {
 public:
  explicit Generator(std::uint32_t state) : state_(state) {}

  std::uint32_t Draw() {
    state_ = (state_ * kMultiplier + kIncrement) & kMask;
    return (state_ + 0xC000) & 0xFFFF;
  }

  // The state that gave `draw`, from which the next draw follows.
  static std::uint32_t StateBefore(std::uint32_t draw) { return (draw - 0xC000) & kMask; }

 private:
  static constexpr std::uint32_t kMultiplier = 2109;
  static constexpr std::uint32_t kIncrement = 9273;
  static constexpr std::uint32_t kMask = 0x7FFF;

  std::uint32_t state_;
};

// The slices are read in shuffled order, each from anywhere in its chunk; asking for a slice this
// many moves ahead hides part of the memory's latency.
constexpr std::size_t kPrefetchDistance = 16;

}  // namespace

std::vector<Chunk> ChunksOf(std::size_t file_size) {
  std::vector<Chunk> chunks;
  std::size_t offset = 0;
  const auto take = [&](std::size_t size) {
    chunks.push_back({offset, size, offset / kSliceSize});
    offset += size;
  };
  while (file_size - offset >= kLargestChunk) take(kLargestChunk);
  for (std::size_t size = kLargestChunk / 2; size >= kSliceSize; size /= 2) {
    if (file_size - offset >= size) take(size);
  }
  return chunks;
}

void ChunkPermutation::Prepare(std::size_t file_size, const Chunk& chunk, ScrambleDirection direction) {
  // One period of the draws, looked up by position, serves every chunk of the file: no chunk has
  // to run the generator through the draws of the chunks before it, and no draw waits on the last.
  // Only as much of the period as the file reaches is drawn: small files stay cheap.
  const std::uint32_t seed = static_cast<std::uint32_t>(file_size & 0xFFFF);
  if (draws_seed_ != seed) {
    draws_.clear();
    draws_seed_ = seed;
  }
  draws_.reserve(kPeriod);
  const std::size_t slices = chunk.size / kSliceSize;
  Generator generator(draws_.empty() ? seed : Generator::StateBefore(draws_.back()));
  while (draws_.size() < std::min(kPeriod, chunk.draws_before + slices)) {
    draws_.push_back(static_cast<std::uint16_t>(generator.Draw()));
  }
  std::size_t position = chunk.draws_before % kPeriod;
  // The shuffle: once swapped, table[i] is final, the slice that step slices-1-i moves.
  std::vector<std::uint16_t>& table = table_;
  table.resize(slices);
  for (std::size_t slice = 0; slice < slices; ++slice) table[slice] = static_cast<std::uint16_t>(slice);
  for (std::size_t i = slices; i-- > 0;) {
    // Below 2^32: both factors are below 2^16.
    const std::uint32_t x = (std::uint32_t{draws_[position]} * static_cast<std::uint32_t>(i)) >> 16;
    position = (position + 1) % kPeriod;
    std::swap(table[i], table[x]);
  }
  // Scrambling: output slice `step` is the slice that step moves. Unscrambling: the inverse.
  source_.resize(slices);
  for (std::size_t step = 0; step < slices; ++step) {
    const std::uint16_t moved = table[slices - 1 - step];
    if (direction == ScrambleDirection::Scramble) {
      source_[step] = moved;
    } else {
      source_[moved] = static_cast<std::uint16_t>(step);
    }
  }
}

void ChunkPermutation::Copy(std::span<const std::byte> chunk_input, std::size_t first,
                            std::span<std::byte> output) const {
  assert(first % kSliceSize == 0 && output.size() % kSliceSize == 0);
  const std::size_t begin = first / kSliceSize;
  const std::size_t end = begin + output.size() / kSliceSize;
  assert(end <= source_.size() && chunk_input.size() == source_.size() * kSliceSize);
  // The copies depend on nothing but `source_`, so the processor overlaps their reads.
  for (std::size_t slice = begin; slice < end; ++slice) {
    if (slice + kPrefetchDistance < end)
      __builtin_prefetch(chunk_input.data() + source_[slice + kPrefetchDistance] * kSliceSize);
    std::memcpy(output.data() + (slice - begin) * kSliceSize, chunk_input.data() + source_[slice] * kSliceSize,
                kSliceSize);
  }
}

std::size_t ScrambledPlace(std::size_t file_size, const Chunk& chunk, std::size_t slice) {
  constexpr std::size_t kPeriod = std::size_t{1} << 15;
  Generator generator(static_cast<std::uint32_t>(file_size & 0xFFFF));
  for (std::size_t skipped = 0; skipped < chunk.draws_before % kPeriod; ++skipped) generator.Draw();
  // Where the slice lies in the shuffle's table; the step that fixes that index moves it out.
  const std::size_t slices = chunk.size / kSliceSize;
  std::size_t index = slice;
  for (std::size_t i = slices; i-- > 0;) {
    const std::size_t x = (generator.Draw() * static_cast<std::uint32_t>(i)) >> 16;
    if (index == i) {
      index = x;
    } else if (index == x) {
      index = i;
    }
  }
  return slices - 1 - index;
}

namespace {

void Permute(std::span<const std::byte> input, std::span<std::byte> output, ScrambleDirection direction) {
  assert(input.size() == output.size());
  std::size_t done = 0;
  ChunkPermutation permutation;
  for (const Chunk& chunk : ChunksOf(input.size())) {
    permutation.Prepare(input.size(), chunk, direction);
    permutation.Copy(input.subspan(chunk.offset, chunk.size), 0, output.subspan(chunk.offset, chunk.size));
    done = chunk.offset + chunk.size;
  }
  if (done < input.size()) std::memcpy(output.data() + done, input.data() + done, input.size() - done);
}

}  // namespace

void Scramble(std::span<const std::byte> input, std::span<std::byte> output) {
  Permute(input, output, ScrambleDirection::Scramble);
}

void Unscramble(std::span<const std::byte> input, std::span<std::byte> output) {
  Permute(input, output, ScrambleDirection::Unscramble);
}

}  // namespace quillet
