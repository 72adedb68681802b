#pragma once

#include <atomic>
#include <cstddef>

// A mapped file that another program truncates loses the mapping's pages past its new end, and
// touching one raises SIGBUS, which would end the process on the spot: buffered output lost,
// temporary files left behind, the file not even named. Watched mappings get zero-filled pages
// there instead, and a flag that tells their reader the bytes are no longer the file's.
namespace quillet {

// Watches [begin, begin + length); sets `*truncated` once a vanished page is touched. False when
// no more mappings can be watched at once: the caller then reads the file instead.
bool WatchMapping(const void* begin, std::size_t length, std::atomic<bool>* truncated);
void UnwatchMapping(const void* begin);

}  // namespace quillet
