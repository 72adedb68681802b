#pragma once

#include <cstddef>
#include <span>

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

}  // namespace quillet
