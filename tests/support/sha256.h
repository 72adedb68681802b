#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace quillet::testing {

// The SHA-256 digest of `bytes` in lower-case hexadecimal, to compare with published digests.
std::string Sha256Hex(std::span<const std::byte> bytes);

}  // namespace quillet::testing
