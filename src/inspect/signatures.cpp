#include "inspect/signatures.h"

#include <algorithm>
#include <limits>

#include "util/pattern_search.h"

namespace quillet {
namespace {

constexpr const Pattern& P(char letter) { return kPatterns[static_cast<std::size_t>(letter - 'A')]; }

constexpr std::array<Pattern, kPatterns.size()> kBrowseSignatures{
    P('A'), P('B'), P('C'), P('D'), P('H'), P('F'), P('E'), P('I'), P('J'), P('K'), P('L'), P('G'), P('M'), P('N')};
constexpr std::array<Pattern, kPatterns.size()> kStartupSignatures{
    P('C'), P('A'), P('D'), P('B'), P('E'), P('F'), P('M'), P('N'), P('K'), P('G'), P('J'), P('H'), P('I'), P('L')};

// The offset of the first occurrence of each pattern of the set, or nothing. It may stop at the
// first occurrence it finds of a pattern longer than `enough_beyond` bytes, wherever it lies, once
// the `watch`, if any, has found its pattern's first.
std::vector<std::optional<std::size_t>> FirstOffsets(std::span<const std::byte> image, SignatureSet set,
                                                     std::size_t enough_beyond, PatternWatch* watch) {
  std::vector<std::string_view> patterns;
  for (const Pattern& pattern : set) patterns.push_back(pattern.bytes);
  if (watch) patterns.push_back(watch->pattern);
  std::vector<std::optional<std::size_t>> first(patterns.size());
  bool enough = false;
  PatternSearch(patterns).ForEach(image, [&](std::size_t index, std::size_t offset) {
    if (index < set.size()) {
      if (!first[index]) first[index] = offset;
      enough = enough || set[index].bytes.size() > enough_beyond;
    } else if (!first[index] && watch->accepts(offset)) {
      first[index] = offset;
    }
    return (watch && !first.back()) || !enough;
  });
  if (watch) {
    watch->first = first.back();
    first.pop_back();
  }
  return first;
}

}  // namespace

std::string_view VerdictText(ScrambleVerdict verdict) {
  return verdict == ScrambleVerdict::Unscrambled ? "UNSCRAMBLED" : "SCRAMBLED";
}

std::span<const Pattern, kPatterns.size()> AllPatterns() { return kPatterns; }
SignatureSet BrowseSignatures() { return kBrowseSignatures; }
SignatureSet StartupSignatures() { return kStartupSignatures; }

ScrambleVerdict ScanSignatures(std::span<const std::byte> image, SignatureSet set) {
  for (const auto& offset : FirstOffsets(image, set, 0, nullptr)) {
    if (offset) return ScrambleVerdict::Unscrambled;
  }
  return ScrambleVerdict::Scrambled;
}

std::vector<SignatureMatch> FindSignatures(std::span<const std::byte> image, SignatureSet set, SearchEnd end,
                                           PatternWatch* watch) {
  const std::size_t enough_beyond =
      end == SearchEnd::AtFirstSurvivorProof ? kSlicePatternLength : std::numeric_limits<std::size_t>::max();
  const std::vector<std::optional<std::size_t>> first = FirstOffsets(image, set, enough_beyond, watch);
  std::vector<SignatureMatch> matches;
  for (std::size_t index = 0; index < set.size(); ++index) {
    if (first[index]) matches.push_back({set[index].letter, *first[index]});
  }
  return matches;
}

}  // namespace quillet
