#include "sys/file_errors.h"
#include "sys/file_system.h"

namespace quillet {

void FileContents::RequireWhole() const {
  if (truncated_ && truncated_->load()) throw TruncatedWhileReadError();
}

void ReadFully(std::span<std::byte> buffer, const std::function<std::size_t(std::span<std::byte>)>& read_some) {
  while (!buffer.empty()) {
    const std::size_t got = read_some(buffer);
    if (got == 0) throw TruncatedWhileReadError();
    buffer = buffer.subspan(got);
  }
}

}  // namespace quillet
