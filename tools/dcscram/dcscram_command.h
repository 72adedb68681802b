#pragma once

#include <ostream>
#include <span>
#include <string>

namespace quillet {

// `dcscram [-d] IN OUT`: scrambles IN into OUT, or with -d unscrambles it. Silent on success
// (status 0); a usage error or any failure is one sentence on `err` and status 1.
int RunDcscram(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace quillet
