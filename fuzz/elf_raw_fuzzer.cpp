// Any bytes at all: the ELF reader either makes a raw binary or refuses with a run-time error; it
// never reads outside the input, and what it makes is never larger than its limit.
#include <cstdint>
#include <cstdlib>

#include "convert/elf_raw.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const std::vector<std::byte> raw = quillet::RawBinaryOfElf({reinterpret_cast<const std::byte*>(data), size});
    if (raw.size() > (std::size_t{1} << 28)) std::abort();
  } catch (const quillet::RunTimeError&) {
    // Refused, as it should be for nearly every input.
  }
  return 0;
}
