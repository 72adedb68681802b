#include "util/byte_source.h"

namespace quillet {

bool BlockFeed::Take(std::size_t count, const BlockSeer& see) {
  const bool more =
      see(fresh_at_ - kept_, std::span<const std::byte>(buffer_.get() + overlap_ - kept_, kept_ + count), kept_);
  // The new bytes always go `overlap` bytes into the buffer, so the last bytes of one block are
  // always where the next block's first ones go.
  kept_ = std::min(overlap_, kept_ + count);
  std::copy_n(buffer_.get() + overlap_ + count - kept_, kept_, buffer_.get() + overlap_ - kept_);
  fresh_at_ += count;
  return more;
}

void ForEachBlock(const ByteSource& source, std::size_t overlap, const BlockSeer& see) {
  if (const std::optional<std::span<const std::byte>> memory = source.InMemory()) {
    for (std::size_t fresh_at = 0; fresh_at < memory->size(); fresh_at += kPassBlock) {
      const std::size_t kept = std::min(overlap, fresh_at), fresh = std::min(kPassBlock, memory->size() - fresh_at);
      if (!see(std::uint64_t{fresh_at - kept}, memory->subspan(fresh_at - kept, kept + fresh), kept)) return;
    }
    return;
  }
  BlockFeed feed(overlap);
  for (std::uint64_t fresh_at = 0; fresh_at < source.size(); fresh_at += kPassBlock) {
    const auto fresh = static_cast<std::size_t>(std::min<std::uint64_t>(kPassBlock, source.size() - fresh_at));
    source.Read(fresh_at, feed.Fresh().first(fresh));
    if (!feed.Take(fresh, see)) return;
  }
}

}  // namespace quillet
