#include "inspect/signatures.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>

namespace quillet {
namespace {

using namespace std::string_view_literals;

// F, G, H and M hold NUL bytes (constant strings as they lie in an executable, each followed by
// its terminator and padding); I and J hold real full stops.
constexpr std::array<Pattern, 14> kPatterns{{
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
}};

constexpr const Pattern& P(char letter) { return kPatterns[static_cast<std::size_t>(letter - 'A')]; }

constexpr std::array<Pattern, 14> kBrowseSignatures{P('A'), P('B'), P('C'), P('D'), P('H'), P('F'), P('E'),
                                                    P('I'), P('J'), P('K'), P('L'), P('G'), P('M'), P('N')};
constexpr std::array<Pattern, 14> kStartupSignatures{P('C'), P('A'), P('D'), P('B'), P('E'), P('F'), P('M'),
                                                     P('N'), P('K'), P('G'), P('J'), P('H'), P('I'), P('L')};

// Searches all patterns of a set in one pass (Wu-Manber): a window as long as the shortest pattern
// slides over the image, and the two bytes at its end say how far it may jump without passing an
// occurrence of any pattern. On bytes that are not plain text it jumps the whole window nearly
// every time; only where the two bytes end some pattern's prefix are the patterns compared.
class MultiPatternSearch {
 public:
  explicit MultiPatternSearch(SignatureSet set) : set_(set) {
    window_ = set.empty() ? 0 : std::ranges::min(set, {}, [](const Pattern& p) { return p.bytes.size(); }).bytes.size();
    if (window_ < 2) return;
    std::uint8_t longest_jump = static_cast<std::uint8_t>(std::min<std::size_t>(window_ - 1, 255));
    std::fill(std::begin(jump_), std::end(jump_), longest_jump);
    for (std::size_t index = 0; index < set.size(); ++index) {
      std::string_view prefix = set[index].bytes.substr(0, window_);
      for (std::size_t end = 1; end < window_; ++end) {
        std::uint16_t pair = Pair(reinterpret_cast<const std::uint8_t*>(prefix.data()) + end);
        jump_[pair] = std::min(jump_[pair], static_cast<std::uint8_t>(std::min<std::size_t>(window_ - 1 - end, 255)));
      }
      candidates_.push_back({Pair(reinterpret_cast<const std::uint8_t*>(prefix.data()) + window_ - 1), index});
    }
  }

  // Calls `found(index, offset)` for the first occurrence of each pattern, in order of offset,
  // until it returns false.
  template <typename Found>
  void Run(std::span<const std::byte> image, Found found) const {
    std::vector<bool> seen(set_.size());
    if (window_ < 2) {
      RunPatternByPattern(image, seen, found);
      return;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(image.data());
    const std::size_t size = image.size();
    for (std::size_t end = window_ - 1; end < size; ++end) {
      for (std::uint8_t jump; (jump = jump_[Pair(data + end)]) != 0;) {
        end += jump;
        if (end >= size) return;
      }
      const std::uint16_t pair = Pair(data + end);
      const std::size_t start = end + 1 - window_;
      for (const Candidate& candidate : candidates_) {
        std::string_view bytes = set_[candidate.index].bytes;
        if (candidate.pair != pair || seen[candidate.index] || bytes.size() > size - start ||
            std::memcmp(data + start, bytes.data(), bytes.size()) != 0) {
          continue;
        }
        seen[candidate.index] = true;
        if (!found(candidate.index, start)) return;
      }
    }
  }

 private:
  struct Candidate {
    std::uint16_t pair;
    std::size_t index;
  };

  // The byte pair that ends at `last`.
  static std::uint16_t Pair(const std::uint8_t* last) { return static_cast<std::uint16_t>(last[-1] << 8 | last[0]); }

  // One-byte patterns leave no pair to jump on; no set of ours has one.
  template <typename Found>
  void RunPatternByPattern(std::span<const std::byte> image, std::vector<bool>& seen, Found found) const {
    std::vector<std::pair<std::size_t, std::size_t>> hits;  // offset, index
    std::string_view text(reinterpret_cast<const char*>(image.data()), image.size());
    for (std::size_t index = 0; index < set_.size(); ++index) {
      if (std::size_t at = text.find(set_[index].bytes); at != std::string_view::npos) hits.emplace_back(at, index);
    }
    std::ranges::sort(hits);
    for (auto [offset, index] : hits) {
      seen[index] = true;
      if (!found(index, offset)) return;
    }
  }

  SignatureSet set_;
  std::size_t window_ = 0;
  std::uint8_t jump_[65536] = {};
  std::vector<Candidate> candidates_;
};

}  // namespace

std::string_view VerdictText(ScrambleVerdict verdict) {
  return verdict == ScrambleVerdict::Unscrambled ? "UNSCRAMBLED" : "SCRAMBLED";
}

std::span<const Pattern, 14> AllPatterns() { return kPatterns; }
SignatureSet BrowseSignatures() { return kBrowseSignatures; }
SignatureSet StartupSignatures() { return kStartupSignatures; }

ScrambleVerdict ScanSignatures(std::span<const std::byte> image, SignatureSet set) {
  bool any = false;
  auto search = std::make_unique<MultiPatternSearch>(set);
  search->Run(image, [&](std::size_t, std::size_t) {
    any = true;
    return false;
  });
  return any ? ScrambleVerdict::Unscrambled : ScrambleVerdict::Scrambled;
}

std::vector<SignatureMatch> FindSignatures(std::span<const std::byte> image, SignatureSet set) {
  std::vector<std::optional<std::size_t>> first(set.size());
  std::size_t remaining = set.size();
  auto search = std::make_unique<MultiPatternSearch>(set);
  search->Run(image, [&](std::size_t index, std::size_t offset) {
    first[index] = offset;
    return --remaining > 0;
  });
  std::vector<SignatureMatch> matches;
  for (std::size_t index = 0; index < set.size(); ++index) {
    if (first[index]) matches.push_back({set[index].letter, *first[index]});
  }
  return matches;
}

}  // namespace quillet
