#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "util/run_time_error.h"

// The bytes of a disc image, read where they are needed: a program maps the file, the page reads
// slices of the file the person chose. A reader seeks; it never needs the whole image.
namespace quillet {

class DiscSource {
 public:
  virtual ~DiscSource() = default;
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

 protected:
  // Fills `into` from `offset`, a range that lies inside.
  virtual void ReadInside(std::uint64_t offset, std::span<std::byte> into) const = 0;
};

// An image already in memory or mapped.
class BytesSource final : public DiscSource {
 public:
  explicit BytesSource(std::span<const std::byte> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }

 private:
  void ReadInside(std::uint64_t offset, std::span<std::byte> into) const override {
    std::memcpy(into.data(), bytes_.data() + offset, into.size());
  }

  std::span<const std::byte> bytes_;
};

// True when `bytes` (16 at most) stand at `at` in `source`.
inline bool HasAt(const DiscSource& source, std::uint64_t at, std::string_view bytes) {
  std::array<std::byte, 16> read;
  if (bytes.size() > read.size() || !source.Holds(at, bytes.size())) return false;
  source.Read(at, std::span(read).first(bytes.size()));
  return std::memcmp(read.data(), bytes.data(), bytes.size()) == 0;
}

// The whole of a short file as text, a UTF-8 byte-order mark left out; nothing where it is longer
// than `longest`.
inline std::optional<std::string> ShortText(const DiscSource& source, std::size_t longest) {
  if (source.size() > longest) return std::nullopt;
  std::string text(static_cast<std::size_t>(source.size()), '\0');
  source.Read(0, std::as_writable_bytes(std::span(text)));
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  return text;
}

}  // namespace quillet
