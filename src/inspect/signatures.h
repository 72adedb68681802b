#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// The scramble detector's criterion: an unscrambled executable holds at least one of a fixed list
// of plain byte runs (digit and alphabet tables, the hexadecimal tables a C library prints with,
// a keyword table...); the scrambler's 32-byte shuffle tears every one of them apart.
namespace quillet {

// One plain byte run, named by its letter (A to N).
struct Pattern {
  char letter;
  std::string_view bytes;
};

// An ordered list of patterns; the order is the order in which they are searched and reported.
using SignatureSet = std::span<const Pattern>;

enum class ScrambleVerdict { Unscrambled, Scrambled };

// "UNSCRAMBLED" or "SCRAMBLED", the texts the window shows and Convert reads back.
std::string_view VerdictText(ScrambleVerdict verdict);

// The patterns A to N, in letter order.
std::span<const Pattern, 14> AllPatterns();

// The set Browse scans with, and the set of a path given at start-up. Both hold all fourteen
// patterns, so a file gets the same verdict whichever way it arrives; only the order differs.
SignatureSet BrowseSignatures();
SignatureSet StartupSignatures();

// Where a pattern first occurs in an image.
struct SignatureMatch {
  char letter;
  std::size_t offset;

  bool operator==(const SignatureMatch&) const = default;
};

// "UNSCRAMBLED" when any pattern of the set occurs anywhere in `image` (byte for byte, at any
// offset), otherwise "SCRAMBLED". Stops at the first occurrence found.
ScrambleVerdict ScanSignatures(std::span<const std::byte> image, SignatureSet set);

// Scrambling moves whole 32-byte slices, so a pattern of up to this many bytes can lie inside one
// slice and survive it whole; a longer one cannot.
inline constexpr std::size_t kSlicePatternLength = 32;
inline constexpr bool SurvivesScrambling(const Pattern& pattern) { return pattern.bytes.size() <= kSlicePatternLength; }

enum class SearchEnd {
  AllFound,              // the first occurrence of every pattern
  AtFirstSurvivorProof,  // may stop at the first pattern found that cannot survive scrambling
};

// The first occurrence of each pattern of the set that occurs in `image`, in the set's order.
std::vector<SignatureMatch> FindSignatures(std::span<const std::byte> image, SignatureSet set,
                                           SearchEnd end = SearchEnd::AllFound);

}  // namespace quillet
