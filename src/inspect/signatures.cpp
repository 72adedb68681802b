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

// How long a pattern found must be for the search to stop there.
std::size_t EnoughBeyond(SearchEnd end) {
  switch (end) {
    case SearchEnd::AtFirstFound: return 0;
    case SearchEnd::AtFirstSurvivorProof: return kSlicePatternLength;
    case SearchEnd::AllFound: break;
  }
  return std::numeric_limits<std::size_t>::max();
}

// The patterns of the set, then the watch's.
std::vector<std::string_view> PatternsOf(SignatureSet set, const PatternWatch* watch) {
  std::vector<std::string_view> patterns;
  for (const Pattern& pattern : set) patterns.push_back(pattern.bytes);
  if (watch) patterns.push_back(watch->pattern);
  return patterns;
}

}  // namespace

std::string_view VerdictText(ScrambleVerdict verdict) {
  return verdict == ScrambleVerdict::Unscrambled ? "UNSCRAMBLED" : "SCRAMBLED";
}

std::span<const Pattern, kPatterns.size()> AllPatterns() { return kPatterns; }
SignatureSet BrowseSignatures() { return kBrowseSignatures; }
SignatureSet StartupSignatures() { return kStartupSignatures; }

// Where each pattern of the set, and the watch's, was first found. The search may stop at the first
// occurrence it finds of a pattern longer than `enough_beyond` bytes, wherever it lies, once the
// `watch`, if any, has found its pattern's first.
struct SignatureSearch::State {
  SignatureSet set;
  PatternWatch* watch;
  std::size_t enough_beyond;
  PatternSearch search;
  std::vector<std::optional<std::size_t>> first;
  bool enough = false;
};

SignatureSearch::SignatureSearch(SignatureSet set, SearchEnd end, PatternWatch* watch)
    : state_(new State{set, watch, EnoughBeyond(end), PatternSearch(PatternsOf(set, watch)),
                       std::vector<std::optional<std::size_t>>(set.size() + (watch ? 1 : 0))}) {}

SignatureSearch::~SignatureSearch() = default;

std::size_t SignatureSearch::Overlap() const {
  std::size_t longest = state_->watch ? state_->watch->pattern.size() : 0;
  for (const Pattern& pattern : state_->set) longest = std::max(longest, pattern.bytes.size());
  return longest == 0 ? 0 : longest - 1;
}

bool SignatureSearch::Search(std::uint64_t offset, std::span<const std::byte> block) {
  State& s = *state_;
  const auto at = static_cast<std::size_t>(offset);
  const auto watching = [&] { return s.watch && !s.first.back(); };
  s.search.ForEach(block, [&](std::size_t index, std::size_t inside) {
    if (index < s.set.size()) {
      if (!s.first[index]) s.first[index] = at + inside;
      s.enough = s.enough || s.set[index].bytes.size() > s.enough_beyond;
    } else if (!s.first[index] && s.watch->accepts(at + inside)) {
      s.first[index] = at + inside;
    }
    return watching() || !s.enough;
  });
  return watching() || !s.enough;
}

std::vector<SignatureMatch> SignatureSearch::Matches() const {
  const State& s = *state_;
  if (s.watch) s.watch->first = s.first.back();
  std::vector<SignatureMatch> matches;
  for (std::size_t index = 0; index < s.set.size(); ++index) {
    if (s.first[index]) matches.push_back({s.set[index].letter, *s.first[index]});
  }
  return matches;
}

ScrambleVerdict ScanSignatures(std::span<const std::byte> image, SignatureSet set) {
  return FindSignatures(image, set, SearchEnd::AtFirstFound).empty() ? ScrambleVerdict::Scrambled
                                                                     : ScrambleVerdict::Unscrambled;
}

std::vector<SignatureMatch> FindSignatures(std::span<const std::byte> image, SignatureSet set, SearchEnd end,
                                           PatternWatch* watch) {
  SignatureSearch search(set, end, watch);
  search.Search(0, image);
  return search.Matches();
}

}  // namespace quillet
