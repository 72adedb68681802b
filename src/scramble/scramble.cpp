#include "scramble/scramble.h"

#include <cassert>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace quillet {
namespace {

class Generator {
 public:
  explicit Generator(std::size_t file_size) : state_(static_cast<std::uint32_t>(file_size & 0xFFFF)) {}

  std::uint32_t Draw() {
    state_ = (state_ * 2109 + 9273) & 0x7FFF;
    return (state_ + 0xC000) & 0xFFFF;
  }

 private:
  std::uint32_t state_;
};

// Permutes the slices of one chunk from `input` into `output`.
void PermuteChunk(const std::byte* input, std::byte* output, std::size_t slices, ScrambleDirection direction,
                  Generator& generator, std::vector<std::uint32_t>& table) {
  table.resize(slices);
  for (std::uint32_t slice = 0; slice < slices; ++slice) table[slice] = slice;
  for (std::size_t i = slices; i-- > 0;) {
    // Below 2^32: both factors are below 2^16.
    const std::uint32_t x = (generator.Draw() * static_cast<std::uint32_t>(i)) >> 16;
    std::swap(table[i], table[x]);
    const std::size_t step = slices - 1 - i;
    if (direction == ScrambleDirection::Scramble) {
      std::memcpy(output + step * kSliceSize, input + table[i] * kSliceSize, kSliceSize);
    } else {
      std::memcpy(output + table[i] * kSliceSize, input + step * kSliceSize, kSliceSize);
    }
  }
}

}  // namespace

void PermuteSlices(std::span<const std::byte> input, ScrambleDirection direction,
                   const std::function<void(std::span<const std::byte>)>& write) {
  Generator generator(input.size());
  std::vector<std::uint32_t> table;
  // Left uninitialised: every byte of a chunk is written before the chunk is handed on.
  const std::size_t scratch_size = std::min(input.size(), kLargestChunk);
  const std::unique_ptr<std::byte[]> scratch(new std::byte[scratch_size]);

  std::size_t done = 0;
  const auto take_chunk = [&](std::size_t chunk) {
    PermuteChunk(input.data() + done, scratch.get(), chunk / kSliceSize, direction, generator, table);
    write({scratch.get(), chunk});
    done += chunk;
  };
  while (input.size() - done >= kLargestChunk) take_chunk(kLargestChunk);
  for (std::size_t chunk = kLargestChunk / 2; chunk >= kSliceSize; chunk /= 2) {
    if (input.size() - done >= chunk) take_chunk(chunk);
  }
  if (done < input.size()) write(input.subspan(done));
}

namespace {

void PermuteInto(std::span<const std::byte> input, std::span<std::byte> output, ScrambleDirection direction) {
  assert(input.size() == output.size());
  std::size_t written = 0;
  PermuteSlices(input, direction, [&](std::span<const std::byte> piece) {
    std::memcpy(output.data() + written, piece.data(), piece.size());
    written += piece.size();
  });
}

}  // namespace

void Scramble(std::span<const std::byte> input, std::span<std::byte> output) {
  PermuteInto(input, output, ScrambleDirection::Scramble);
}

void Unscramble(std::span<const std::byte> input, std::span<std::byte> output) {
  PermuteInto(input, output, ScrambleDirection::Unscramble);
}

}  // namespace quillet
