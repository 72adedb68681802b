#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

// The bytes of a disc image, read where they are needed: a program maps the file, the page reads
// slices of the file the person chose. A reader seeks; it never needs the whole image.
namespace quillet {

class DiscSource {
 public:
  virtual ~DiscSource() = default;
  virtual std::uint64_t size() const = 0;
  // Fills `into` from `offset`; the caller has checked that the range lies inside.
  virtual void Read(std::uint64_t offset, std::span<std::byte> into) const = 0;
};

// An image already in memory or mapped.
class BytesSource final : public DiscSource {
 public:
  explicit BytesSource(std::span<const std::byte> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  void Read(std::uint64_t offset, std::span<std::byte> into) const override {
    std::memcpy(into.data(), bytes_.data() + offset, into.size());
  }

 private:
  std::span<const std::byte> bytes_;
};

}  // namespace quillet
