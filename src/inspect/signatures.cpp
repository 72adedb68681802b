#include "inspect/signatures.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

namespace quillet {
namespace {

constexpr const Pattern& P(char letter) { return kPatterns[static_cast<std::size_t>(letter - 'A')]; }

constexpr std::array<Pattern, kPatterns.size()> kBrowseSignatures{
    P('A'), P('B'), P('C'), P('D'), P('H'), P('F'), P('E'), P('I'), P('J'), P('K'), P('L'), P('G'), P('M'), P('N')};
constexpr std::array<Pattern, kPatterns.size()> kStartupSignatures{
    P('C'), P('A'), P('D'), P('B'), P('E'), P('F'), P('M'), P('N'), P('K'), P('G'), P('J'), P('H'), P('I'), P('L')};

// Searches all patterns of a set in one pass. Every occurrence of a pattern covers the first
// `window` bytes of that pattern, the length of the set's shortest one; so looking at the four bytes
// that end at every (window - 3)th position of the image is sure to land inside each occurrence's
// first `window` bytes. Those four bytes are tested against a bitmap of all the four-byte groups of
// the patterns' first `window` bytes; only on a hit (rare outside plain text) are the patterns
// compared, at the offsets where that group lies in them. The samples do not depend on one another,
// so the processor runs many at once: this is what makes one pass beat a search per pattern.
class MultiPatternSearch {
 public:
  explicit MultiPatternSearch(SignatureSet set) : set_(set) {
    window_ = set.empty() ? 0 : std::min_element(set.begin(), set.end(), [](const Pattern& a, const Pattern& b) {
                                  return a.bytes.size() < b.bytes.size();
                                })->bytes.size();
    if (window_ < kGroup) return;
    for (std::size_t index = 0; index < set.size(); ++index) {
      for (std::size_t end = kGroup - 1; end < window_; ++end) {
        const std::uint16_t hash = Hash(set[index].bytes.data() + end + 1 - kGroup);
        bitmap_[hash / 64] |= std::uint64_t{1} << (hash % 64);
        entries_.push_back({hash, index, end});
      }
    }
    std::sort(entries_.begin(), entries_.end(), ByHash);
  }

  // The offset of the first occurrence of each pattern of the set, or nothing. It may stop at the
  // first occurrence it finds of a pattern longer than `enough_beyond` bytes, wherever it lies.
  std::vector<std::optional<std::size_t>> FirstOffsets(std::span<const std::byte> image,
                                                       std::size_t enough_beyond) const {
    std::vector<std::optional<std::size_t>> first(set_.size());
    const auto* data = reinterpret_cast<const char*>(image.data());
    const std::size_t size = image.size();
    const auto record = [&](std::size_t index, std::size_t start) {
      const std::string_view bytes = set_[index].bytes;
      if (start > size || bytes.size() > size - start || (first[index] && *first[index] <= start) ||
          std::memcmp(data + start, bytes.data(), bytes.size()) != 0) {
        return false;
      }
      first[index] = start;
      return true;
    };
    if (window_ < kGroup) {
      // Too short to sample; no set of ours is.
      for (std::size_t index = 0; index < set_.size(); ++index) {
        const std::size_t at = std::string_view(data, size).find(set_[index].bytes);
        if (at != std::string_view::npos) first[index] = at;
      }
      return first;
    }
    const std::size_t stride = window_ - kGroup + 1;
    // Runs of one byte (NUL padding above all) hit the same hash over and over.
    std::uint32_t last_hash = kGroupHashes;
    std::span<const Entry> last_entries;
    for (std::size_t end = kGroup - 1; end < size; end += stride) {
      const std::uint16_t hash = Hash(data + end + 1 - kGroup);
      if ((bitmap_[hash / 64] >> (hash % 64) & 1) == 0) continue;
      if (hash != last_hash) {
        last_hash = hash;
        const auto [from, to] = std::equal_range(entries_.begin(), entries_.end(), Entry{hash, 0, 0}, ByHash);
        last_entries =
            std::span<const Entry>(entries_.data() + (from - entries_.begin()), static_cast<std::size_t>(to - from));
      }
      for (const Entry& entry : last_entries) {
        if (entry.end <= end && record(entry.index, end - entry.end) &&
            set_[entry.index].bytes.size() > enough_beyond) {
          return first;
        }
      }
    }
    return first;
  }

 private:
  static constexpr std::size_t kGroup = 4;
  static constexpr std::uint32_t kGroupHashes = 65536;

  // A four-byte group of a pattern: its hash, which pattern, and where in it the group ends.
  struct Entry {
    std::uint16_t hash;
    std::size_t index;
    std::size_t end;
  };

  static bool ByHash(const Entry& a, const Entry& b) { return a.hash < b.hash; }

  static std::uint16_t Hash(const char* group) {
    std::uint32_t value;
    std::memcpy(&value, group, sizeof value);
    return static_cast<std::uint16_t>((value * 0x9E3779B1u) >> 16);
  }

  SignatureSet set_;
  std::size_t window_ = 0;
  std::array<std::uint64_t, kGroupHashes / 64> bitmap_{};
  std::vector<Entry> entries_;  // by hash
};

}  // namespace

std::string_view VerdictText(ScrambleVerdict verdict) {
  return verdict == ScrambleVerdict::Unscrambled ? "UNSCRAMBLED" : "SCRAMBLED";
}

std::span<const Pattern, kPatterns.size()> AllPatterns() { return kPatterns; }
SignatureSet BrowseSignatures() { return kBrowseSignatures; }
SignatureSet StartupSignatures() { return kStartupSignatures; }

ScrambleVerdict ScanSignatures(std::span<const std::byte> image, SignatureSet set) {
  for (const auto& offset : MultiPatternSearch(set).FirstOffsets(image, 0)) {
    if (offset) return ScrambleVerdict::Unscrambled;
  }
  return ScrambleVerdict::Scrambled;
}

std::vector<SignatureMatch> FindSignatures(std::span<const std::byte> image, SignatureSet set, SearchEnd end) {
  const std::size_t enough_beyond =
      end == SearchEnd::AtFirstSurvivorProof ? kSlicePatternLength : std::numeric_limits<std::size_t>::max();
  const std::vector<std::optional<std::size_t>> first = MultiPatternSearch(set).FirstOffsets(image, enough_beyond);
  std::vector<SignatureMatch> matches;
  for (std::size_t index = 0; index < set.size(); ++index) {
    if (first[index]) matches.push_back({set[index].letter, *first[index]});
  }
  return matches;
}

}  // namespace quillet
