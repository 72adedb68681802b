#pragma once

#include <cstddef>
#include <random>
#include <vector>

namespace quillet::bench {

inline constexpr std::size_t kImageSize = 16u << 20;

// 16 MiB of scrambled-looking bytes (random, so no pattern occurs), the same on every run.
inline const std::vector<std::byte>& Scrambled16MiB() {
  static const std::vector<std::byte> bytes = [] {
    std::vector<std::byte> buffer(kImageSize);
    std::mt19937 random(1);
    for (std::byte& byte : buffer) byte = static_cast<std::byte>(random() & 0xFF);
    return buffer;
  }();
  return bytes;
}

}  // namespace quillet::bench
