#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

// Searches a few patterns at once, in one pass that looks at a fraction of the bytes.
namespace quillet {

// Every occurrence of a pattern covers the first `window` bytes of that pattern, the length of the
// shortest one; so looking at the four bytes that end at every (window - 3)th position of the
// bytes is sure to land inside each occurrence's first `window` bytes. Those four bytes are tested
// against a bitmap of all the four-byte groups of the patterns' first `window` bytes; only on a hit
// (rare outside plain text) are the patterns compared, at the offsets where that group lies in
// them. The samples do not depend on one another, so the processor runs many at once: this is what
// makes one pass beat a search per pattern, and beat memchr-driven search for a pattern whose first
// byte is common.
class PatternSearch {
 public:
  explicit PatternSearch(std::vector<std::string_view> patterns) : patterns_(std::move(patterns)) {
    for (const std::string_view pattern : patterns_) window_ = std::min(window_, pattern.size());
    if (patterns_.empty()) window_ = 0;
    if (window_ < kGroup) return;
    for (std::size_t index = 0; index < patterns_.size(); ++index) {
      for (std::size_t end = kGroup - 1; end < window_; ++end) {
        const std::uint16_t hash = Hash(patterns_[index].data() + end + 1 - kGroup);
        bitmap_[hash / 64] |= std::uint64_t{1} << (hash % 64);
        entries_.push_back({hash, index, end});
      }
    }
    std::sort(entries_.begin(), entries_.end(), ByHash);
  }

  // Hands each occurrence of a pattern in `bytes` to `found(index, offset)`, until it returns
  // false. One pattern's occurrences come in the order they lie; one may come twice.
  template <typename Found>
  void ForEach(std::span<const std::byte> bytes, Found found) const {
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const std::size_t size = bytes.size();
    if (window_ < kGroup) {
      // Too short to sample; no set of ours is.
      const std::string_view text(data, size);
      for (std::size_t index = 0; index < patterns_.size(); ++index) {
        for (std::size_t at = text.find(patterns_[index]); at != std::string_view::npos;
             at = text.find(patterns_[index], at + 1)) {
          if (!found(index, at)) return;
        }
      }
      return;
    }
    const std::size_t stride = window_ - kGroup + 1;
    // Runs of one byte (NUL padding above all) hit the same hash over and over.
    std::uint32_t last_hash = kGroupHashes;
    std::span<const Entry> last_entries;
    for (std::size_t end = kGroup - 1; end < size; end += stride) {
      end = NextMarked(data, size, end, stride);
      if (end >= size) return;
      const std::uint16_t hash = Hash(data + end + 1 - kGroup);
      if (hash != last_hash) {
        last_hash = hash;
        const auto [low, high] = std::equal_range(entries_.begin(), entries_.end(), Entry{hash, 0, 0}, ByHash);
        last_entries =
            std::span<const Entry>(entries_.data() + (low - entries_.begin()), static_cast<std::size_t>(high - low));
      }
      for (const Entry& entry : last_entries) {
        const std::string_view pattern = patterns_[entry.index];
        if (entry.end > end || end - entry.end + pattern.size() > size) continue;
        const std::size_t start = end - entry.end;
        if (std::memcmp(data + start, pattern.data(), pattern.size()) == 0 && !found(entry.index, start)) return;
      }
    }
  }

 private:
  static constexpr std::size_t kGroup = 4;
  static constexpr std::uint32_t kGroupHashes = 65536;
  // How far ahead of the samples the bytes are asked for: the loop waits on memory, not on its few
  // instructions (a 16 MiB scan 13% faster here).
  static constexpr std::size_t kPrefetchAhead = 4096;

  // A four-byte group of a pattern: its hash, which pattern, and where in it the group ends.
  struct Entry {
    std::uint16_t hash;
    std::size_t index;
    std::size_t end;
  };

  static bool ByHash(const Entry& a, const Entry& b) { return a.hash < b.hash; }

  // The first sample from `end` on, `stride` bytes apart, whose group is marked; `size` or more
  // where none is. The loop where the time goes, in a function of its own that keeps its few values
  // in registers (inlined, it kept reloading them from the stack: a third slower).
  [[gnu::noinline]] std::size_t NextMarked(const char* data, std::size_t size, std::size_t end,
                                           std::size_t stride) const {
    const std::uint64_t* const bitmap = bitmap_.data();
    const auto marked = [bitmap, data](std::size_t at) {
      const std::uint16_t hash = Hash(data + at + 1 - kGroup);
      return bitmap[hash / 64] >> (hash % 64);
    };
    // In a run of padding every sample is marked: the first is tried alone.
    if (end >= size || marked(end) & 1) return end;
    // Elsewhere a mark is rare: four samples a turn, one branch for the four.
    for (end += stride; end + 3 * stride < size; end += 4 * stride) {
      __builtin_prefetch(data + end + kPrefetchAhead);
      if ((marked(end) | marked(end + stride) | marked(end + 2 * stride) | marked(end + 3 * stride)) & 1) break;
    }
    for (; end < size; end += stride) {
      if (marked(end) & 1) break;
    }
    return end;
  }

  static std::uint16_t Hash(const char* group) {
    std::uint32_t value;
    std::memcpy(&value, group, sizeof value);
    return static_cast<std::uint16_t>((value * 0x9E3779B1u) >> 16);
  }

  std::vector<std::string_view> patterns_;
  std::size_t window_ = SIZE_MAX;
  std::array<std::uint64_t, kGroupHashes / 64> bitmap_{};
  std::vector<Entry> entries_;  // by hash
};

}  // namespace quillet
