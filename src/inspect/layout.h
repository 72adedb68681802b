#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "util/byte_source.h"

// What an image's layout says about its form, patterns aside. Scrambling moves whole 32-byte
// slices: a program's bytes run on across slice boundaries as they do inside slices (code, strings
// and tables continue), and the shuffle breaks that. So the form whose slice boundaries look most
// like the insides of slices is the natural one: the image as it is, unscrambled once, or twice.
namespace quillet {

enum class Layout {
  Unscrambled,
  Scrambled,       // unscrambling once gives the natural layout
  ScrambledTwice,  // twice
  Undecided,       // no honest answer: random data, a uniform or a tiny file
};

// "unscrambled", "scrambled", "scrambled twice" or "undecided".
std::string_view LayoutText(Layout layout);

// Judges `image` from a sample of the slices of its first chunk (2 MiB at most): deterministic, a
// few milliseconds for any size.
Layout JudgeLayout(const ByteSource& image);
inline Layout JudgeLayout(std::span<const std::byte> image) { return JudgeLayout(MemorySource(image)); }

}  // namespace quillet
