// Scrambling then unscrambling, and the other way round, gives back any data unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "scramble/scramble.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> input(reinterpret_cast<const std::byte*>(data), size);
  std::vector<std::byte> once(size), back(size);
  quillet::Scramble(input, once);
  quillet::Unscramble(once, back);
  if (size > 0 && std::memcmp(back.data(), data, size) != 0) std::abort();
  quillet::Unscramble(input, once);
  quillet::Scramble(once, back);
  if (size > 0 && std::memcmp(back.data(), data, size) != 0) std::abort();
  return 0;
}
