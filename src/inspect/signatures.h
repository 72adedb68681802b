#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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

using namespace std::string_view_literals;

// The patterns A to N, in letter order; their count follows from this table.
// F, G, H and M hold NUL bytes (constant strings as they lie in an executable, each followed by
// its terminator and padding); I and J hold real full stops.
inline constexpr auto kPatterns = std::to_array<Pattern>({
    {'A', "abcdefghijklmnopqrstuvwxyz1234567890"sv},
    {'B', "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890"sv},
    {'C', "abcdefghijklmnopqrstuvwxyz0123456789"sv},
    {'D', "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"sv},
    {'E', "0123456789abcdefghijklmnopqrstuvwxyz"sv},
    {'F',
     "0123456789abcdef\0\0\0\0(null)\0\0"
     "0123456789ABCDEF"sv},
    {'G',
     "0123456789ABCDEF\0\0\0\0Inf\0NaN\0"
     "0123456789abcdef\0\0\0\0(null)\0\0\0"sv},
    {'H',
     "#\0\0\0'\0\0\0*\0\0\0-\0\0\0/\0\0\0"
     "2\0\0\0"
     "4\0\0\0"
     "7\0\0\0"
     "9\0\0\0;\0\0\0=\0\0\0?\0\0\0"
     "A\0\0\0C\0\0\0E\0\0\0G\0\0\0I\0\0\0J\0\0\0L\0\0\0N\0\0\0O\0\0\0Q\0\0\0R\0\0\0T\0\0\0U\0\0\0"
     "W\0\0\0X\0\0\0Z\0\0\0"sv},
    {'I', "ABCDEFGHIJKLMNOPQRSTUVWXYZ.0123456789-"sv},
    {'J', "$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"sv},
    {'K', "abcdefghijklEFGHIJKLMNOPQRSTUVWXYZ!@#$%^&*()"sv},
    {'L', "PORTDEV INFOENBLSTATRADRTOUTDRQCFUNCEND"sv},
    {'M', "ABCDEFGHIJKLMNOPQRSTUVWXYZ01\0"sv},
    {'N', "0123456E1789ABCDEABFF"sv},
});

// An ordered list of patterns; the order is the order in which they are searched and reported.
using SignatureSet = std::span<const Pattern>;

enum class ScrambleVerdict { Unscrambled, Scrambled };

// "UNSCRAMBLED" or "SCRAMBLED", the texts the window shows and Convert reads back.
std::string_view VerdictText(ScrambleVerdict verdict);

// The patterns A to N, in letter order.
std::span<const Pattern, kPatterns.size()> AllPatterns();

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
  AtFirstFound,          // may stop at the first pattern found
};

// A pattern looked for beside the signatures, in the same pass over the bytes: the search sets
// `first` to the first of its occurrences that `accepts` (which may be called from several
// threads at once).
struct PatternWatch {
  std::string_view pattern;
  std::function<bool(std::size_t offset)> accepts;
  std::optional<std::size_t> first;
};

// The first occurrence of each pattern of the set that occurs in `image`, in the set's order; and
// the `watch`ed pattern's, where one is given.
std::vector<SignatureMatch> FindSignatures(std::span<const std::byte> image, SignatureSet set,
                                           SearchEnd end = SearchEnd::AllFound, PatternWatch* watch = nullptr);

// The search of FindSignatures over a file given a block at a time, in order: a run of the patterns
// across a block's edge is found where the blocks overlap by Overlap() bytes (ForEachBlock).
class SignatureSearch {
 public:
  SignatureSearch(SignatureSet set, SearchEnd end, PatternWatch* watch);
  SignatureSearch(const SignatureSearch&) = delete;
  SignatureSearch& operator=(const SignatureSearch&) = delete;
  ~SignatureSearch();

  // The longest pattern's length less one.
  std::size_t Overlap() const;
  // Searches `block`, which stands at `offset` in the file; false once the search may stop.
  bool Search(std::uint64_t offset, std::span<const std::byte> block);
  // The first occurrences found, in the set's order; sets the watch's `first`.
  std::vector<SignatureMatch> Matches() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quillet
