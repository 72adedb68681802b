#pragma once

#include <cstddef>
#include <vector>

// zstd for the tests that make CHD hunks, where the build reads zstd (the Linux build's libzstd);
// chdman as Debian ships it writes none.
namespace quillet::testing {

using Compress = std::vector<std::byte> (*)(const std::vector<std::byte>& plain);

// Nothing where the build has no zstd.
Compress ZstdCompressor();

}  // namespace quillet::testing
