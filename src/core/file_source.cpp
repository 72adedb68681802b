#include "core/file_source.h"

#include <algorithm>
#include <cstring>

namespace quillet {

void FileSource::ReadInside(std::uint64_t offset, std::span<std::byte> into) const {
  // A block holds what telling a format looks at (a text table, the volume descriptor in any
  // sector size); a read as large as a block (a boot file) goes straight into its place.
  constexpr std::uint64_t kBlock = 64 * 1024;
  if (into.size() >= kBlock) {
    file_.ReadAt(offset, into);
    return;
  }
  while (!into.empty()) {
    const std::uint64_t start = offset / kBlock * kBlock;
    if (block_.empty() || start != block_start_) {
      block_.resize(static_cast<std::size_t>(std::min(kBlock, size() - start)));
      block_start_ = start;
      try {
        file_.ReadAt(start, block_);
      } catch (...) {
        block_.clear();
        throw;
      }
    }
    const auto from = static_cast<std::size_t>(offset - start);
    const std::size_t take = std::min(into.size(), block_.size() - from);
    std::memcpy(into.data(), block_.data() + from, take);
    into = into.subspan(take);
    offset += take;
  }
}

}  // namespace quillet
