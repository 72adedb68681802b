#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

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

}  // namespace quillet
