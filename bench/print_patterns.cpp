// Prints the detector's patterns that hold no NUL byte, one a line, as `grep -F -f` takes them: the
// baseline of the scan benchmark searches for exactly what quillet searches for.
#include <iostream>

#include "inspect/signatures.h"

int main() {
  for (const quillet::Pattern& pattern : quillet::AllPatterns()) {
    if (pattern.bytes.find('\0') == std::string_view::npos) std::cout << pattern.bytes << '\n';
  }
}
