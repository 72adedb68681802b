#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "util/byte_source.h"

// Whether bytes are SH-4 machine code, in whatever order their slices lie. SH-4 instructions are
// 16-bit words, and scrambling moves whole 32-byte slices, so the words and their counts are the
// same in all three forms: one look at the words serves the unscrambled, the scrambled and the
// twice-scrambled file alike.
namespace quillet {

enum class MachineCode {
  Likely,          // the words of compiled SH-4 functions are as common as in real programs
  Unlikely,        // confidently not: almost none of those words, in bytes that are not random
  Incompressible,  // almost none of those words either, in bytes as random as compressed data
  CannotTell,      // too little to go on, uniform, or some of those words
};

// Judges from the words that compiled SH-4 functions are built around: the pushes and pops of the
// saved registers r8 to r14 and of the return address, and the frame pointer's set-up and
// release. Together they are 2 to 20 in every 100 words of real programs, with or without a C
// library, and about 3 in 10,000 of random bytes; text, pictures, sound and other processors' code
// have as few. A large file is judged from samples spread over all of it.
MachineCode JudgeMachineCode(std::span<const std::byte> image);

// The bytes that judgement looks at (the whole of a file up to 1 MiB; else runs of it spread over
// all of it), counted as the file passes by a block at a time.
class MachineCodeSample {
 public:
  explicit MachineCodeSample(std::uint64_t file_size);

  // Counts the bytes of `block` that lie in the sample. Blocks come in order, one after the other
  // from the file's start, each beginning at a multiple of 32 bytes (a slice).
  void See(std::uint64_t offset, std::span<const std::byte> block);
  // The judgement of the file `image`, where the sample's bytes that no block brought are read.
  MachineCode Judge(const ByteSource& image);

  // The words counted: slices of one repeated byte are padding, and left out.
  struct Counts {
    std::size_t words = 0;
    std::size_t frame_words = 0;
    std::size_t calls = 0;
    std::array<std::size_t, 256> bytes{};
  };

 private:
  struct Run {
    std::uint64_t offset, size;
  };

  void Count(std::uint64_t offset, std::span<const std::byte> bytes);

  std::vector<Run> runs_;
  std::uint64_t seen_ = 0;  // the blocks seen end here
  Counts counts_;
};

}  // namespace quillet
