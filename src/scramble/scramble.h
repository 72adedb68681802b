#pragma once

#include <cstddef>
#include <functional>
#include <span>

// The scrambled form of a Dreamcast executable, as the console's boot ROM loads it from a CD-R:
// the file's 32-byte slices in a shuffled order. Bytes are only moved, never changed, and the
// output is as long as the input.
//
// The file is cut into chunks, front to back: as many of 2 MiB as fit, then at most one of each
// halved size (1 MiB, 512 KiB, ... 32 bytes) that still fits; the last (size mod 32) bytes stay in
// place. Each chunk's slices are shuffled (Fisher-Yates, from the last slice down) with one
// pseudo-random generator seeded with the file size and carried on from chunk to chunk.
namespace quillet {

enum class ScrambleDirection { Scramble, Unscramble };

inline constexpr std::size_t kSliceSize = 32;
inline constexpr std::size_t kLargestChunk = std::size_t{2} << 20;

// Hands the output of scrambling or unscrambling `input` to `write` in order, chunk by chunk
// (a piece is valid only during its call), so that a program can write it out without holding a
// second copy of the whole file.
void PermuteSlices(std::span<const std::byte> input, ScrambleDirection direction,
                   const std::function<void(std::span<const std::byte>)>& write);

// The same into `output`, which must be as long as `input` and must not overlap it.
void Scramble(std::span<const std::byte> input, std::span<std::byte> output);
void Unscramble(std::span<const std::byte> input, std::span<std::byte> output);

}  // namespace quillet
