#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "sys/file_system.h"
#include "util/byte_source.h"

// A disc image read from its file where it is needed, a block at a time: a reader takes the table,
// the directories and the boot file, never the whole disc, and no track file is held in memory.
namespace quillet {

class FileSource final : public ByteSource {
 public:
  // Opens the file; raises run-time errors as ReadOnlyFile does (not found, a folder, a pipe...).
  explicit FileSource(std::string_view path) : file_(path) {}
  std::uint64_t size() const override { return file_.size(); }
  // The open file, for a copy the system makes of it.
  const ReadOnlyFile& file() const { return file_; }

 private:
  // A file that shrank since it was opened raises run-time error 57: it changed while read.
  void ReadInside(std::uint64_t offset, std::span<std::byte> into) const override;

  ReadOnlyFile file_;
  // The block last read: sectors are asked for one after the other.
  mutable std::vector<std::byte> block_;
  mutable std::uint64_t block_start_ = 0;
};

}  // namespace quillet
