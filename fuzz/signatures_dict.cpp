// Writes the detector's patterns as a libFuzzer dictionary, so that the fuzzer builds images around
// exactly the patterns the detector has: the dictionary is made from the table, not kept beside it.
#include <cstdio>

#include "inspect/signatures.h"

int main() {
  std::printf("# The detector's patterns, made from its table at build time.\n");
  for (const quillet::Pattern& pattern : quillet::AllPatterns()) {
    std::printf("pattern_%c=\"", pattern.letter);
    for (const char c : pattern.bytes) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        std::printf("\\%c", c);
      } else if (byte < 0x20 || byte >= 0x7F) {
        std::printf("\\x%02x", byte);
      } else {
        std::putchar(c);
      }
    }
    std::printf("\"\n");
  }
}
