#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The scrambled form of a Dreamcast executable, as the console's boot ROM loads it from a CD-R:
// the file's 32-byte slices in a shuffled order. Bytes are only moved, never changed, and the
// output is as long as the input.
//
// The file is cut into chunks, front to back: as many of 2 MiB as fit, then at most one of each
// halved size (1 MiB, 512 KiB, ... 32 bytes) that still fits; the last (size mod 32) bytes stay in
// place. Each chunk's slices are shuffled (Fisher-Yates, from the last slice down) with one
// pseudo-random generator seeded with the file size and carried on from chunk to chunk, one draw
// per slice.
namespace quillet {

enum class ScrambleDirection { Scramble, Unscramble };

inline constexpr std::size_t kSliceSize = 32;
inline constexpr std::size_t kLargestChunk = std::size_t{2} << 20;

// One chunk of a file: where it lies, and how many draws the chunks before it used.
struct Chunk {
  std::size_t offset;
  std::size_t size;
  std::size_t draws_before;

  bool operator==(const Chunk&) const = default;
};

// The chunks of a file of `file_size` bytes, front to back; the tail after the last one stays put.
std::vector<Chunk> ChunksOf(std::size_t file_size);

// Where each output slice of one chunk comes from. Chunks are independent of one another, so a
// program may permute several at once. One object serves chunk after chunk and keeps its tables:
// fresh memory for them at every chunk would cost more than the shuffle itself.
class ChunkPermutation {
 public:
  // Computes the order of `chunk`'s slices.
  void Prepare(std::size_t file_size, const Chunk& chunk, ScrambleDirection direction);

  // Writes bytes [first, first + output.size()) of the chunk's output, taking the slices from
  // `chunk_input` (the chunk's input bytes). `first` and the size are multiples of kSliceSize.
  void Copy(std::span<const std::byte> chunk_input, std::size_t first, std::span<std::byte> output) const;

  // For each output slice of the chunk, the input slice it holds (numbered within the chunk).
  std::span<const std::uint16_t> Sources() const { return source_; }

 private:
  static constexpr std::size_t kPeriod = std::size_t{1} << 15;

  std::vector<std::uint16_t> draws_;  // the generator's draws from the file's seed, up to one period
  std::uint32_t draws_seed_ = 0;
  // A chunk holds at most 65,536 slices, so a slice's number fits in 16 bits: half the memory, and
  // fresh memory costs more to fault in than the shuffle costs to compute.
  static_assert(kLargestChunk / kSliceSize <= 65536);
  std::vector<std::uint16_t> table_;   // the shuffle
  std::vector<std::uint16_t> source_;  // for each output slice, the input slice it holds
};

// The place within `chunk` that scrambling moves the chunk's slice `slice` to: one slice followed
// through the shuffle, with neither tables nor memory, for a caller that needs only a few.
std::size_t ScrambledPlace(std::size_t file_size, const Chunk& chunk, std::size_t slice);

// Scrambles or unscrambles `input` into `output`, which must be as long and must not overlap it.
void Scramble(std::span<const std::byte> input, std::span<std::byte> output);
void Unscramble(std::span<const std::byte> input, std::span<std::byte> output);

}  // namespace quillet
