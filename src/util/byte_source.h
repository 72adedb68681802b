#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "util/run_time_error.h"

// The bytes of a file or a disc image, read where they are needed: a program reads the file at any
// offset, the page reads slices of the file the person chose. A reader seeks, or passes over the
// bytes a block at a time; it never needs them whole.
namespace quillet {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;

  // True when the `count` bytes from `offset` lie inside.
  bool Holds(std::uint64_t offset, std::uint64_t count) const { return offset <= size() && count <= size() - offset; }

  // Fills `into` from `offset`. A range that runs past the end is the image's fault: it is cut
  // short (run-time error 5). An empty range reads nothing.
  void Read(std::uint64_t offset, std::span<std::byte> into) const {
    if (into.empty()) return;
    if (!Holds(offset, into.size())) {
      RefuseAsInvalid("the image is cut short: it ends at byte " + std::to_string(size()) +
                      ", before the data it names");
    }
    ReadInside(offset, into);
  }

  // The bytes themselves, where they lie in memory already: nothing need be copied to read them.
  virtual std::optional<std::span<const std::byte>> InMemory() const { return std::nullopt; }

 protected:
  // Fills `into` from `offset`, a range that lies inside.
  virtual void ReadInside(std::uint64_t offset, std::span<std::byte> into) const = 0;
};

// An image already in memory or mapped.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::byte> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::optional<std::span<const std::byte>> InMemory() const override { return bytes_; }

 private:
  void ReadInside(std::uint64_t offset, std::span<std::byte> into) const override {
    std::memcpy(into.data(), bytes_.data() + offset, into.size());
  }

  std::span<const std::byte> bytes_;
};

// How many new bytes each block of ForEachBlock brings: a multiple of a scrambled slice (32 bytes),
// small enough to stay in the processor's cache between its reading and its use, and a buffer of
// few pages (each page a fault on first use: at 256 KiB they were a third of a scan's faults).
inline constexpr std::size_t kPassBlock = std::size_t{128} << 10;

// What a pass hands each block to: `see(offset, block, fresh)`, where `offset` is where the block
// stands in the whole and `fresh` where its new bytes begin; false stops the pass.
using BlockSeer = std::function<bool(std::uint64_t offset, std::span<const std::byte> block, std::size_t fresh)>;

// The blocks of a pass over bytes that are handed over rather than read where they lie: each
// block's new bytes, `block` of them (fewer only at the end), are written where Fresh() points,
// then Take hands the block to `see`, beginning with the last `overlap` bytes of the block before.
// A run of bytes up to `overlap + 1` long lies whole in some block.
class BlockFeed {
 public:
  // The buffer is left unfilled (make_unique_for_overwrite, which the page's library lacks): every
  // byte a block shows was written first, and filling it would touch each of its pages for nothing.
  explicit BlockFeed(std::size_t overlap, std::size_t block = kPassBlock)
      : overlap_(overlap), block_(block), buffer_(new std::byte[overlap + block]) {}

  std::span<std::byte> Fresh() { return {buffer_.get() + overlap_, block_}; }

  // Hands the block of the `count` new bytes written to `see`; returns what `see` does.
  bool Take(std::size_t count, const BlockSeer& see);

 private:
  std::size_t overlap_;
  std::size_t block_;
  std::unique_ptr<std::byte[]> buffer_;
  std::uint64_t fresh_at_ = 0;
  std::size_t kept_ = 0;
};

// Hands all of `source` to `see` once, in order, a block at a time, as a BlockFeed does: in place
// where the source lies in memory, else through one buffer used again and again. A block's new
// bytes begin at a multiple of kPassBlock in the source. Stops where `see` returns false.
void ForEachBlock(const ByteSource& source, std::size_t overlap, const BlockSeer& see);

// True when `bytes` (16 at most) stand at `at` in `source`.
inline bool HasAt(const ByteSource& source, std::uint64_t at, std::string_view bytes) {
  std::array<std::byte, 16> read;
  if (bytes.size() > read.size() || !source.Holds(at, bytes.size())) return false;
  source.Read(at, std::span(read).first(bytes.size()));
  return std::memcmp(read.data(), bytes.data(), bytes.size()) == 0;
}

// The whole of a short file as text, a UTF-8 byte-order mark left out; nothing where it is longer
// than `longest`.
inline std::optional<std::string> ShortText(const ByteSource& source, std::size_t longest) {
  if (source.size() > longest) return std::nullopt;
  std::string text(static_cast<std::size_t>(source.size()), '\0');
  source.Read(0, std::as_writable_bytes(std::span(text)));
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  return text;
}

}  // namespace quillet
