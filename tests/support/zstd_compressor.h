#pragma once

#include <cstddef>
#include <vector>

// zstd for the tests that make CHD hunks (Debian's libzstd on Linux; built from its source package
// for Windows, as the decompressor is): chdman as Debian ships it writes none.
namespace quillet::testing {

using Compress = std::vector<std::byte> (*)(const std::vector<std::byte>& plain);

Compress ZstdCompressor();

}  // namespace quillet::testing
