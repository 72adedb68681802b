#pragma once

#include <string>
#include <string_view>

namespace quillet {

// The argument part of a Windows command line: what follows the program's name (in quotes or up to
// the first blank) and the blanks after it, unchanged, quotes and all.
std::string ArgumentText(std::string_view command_line);

}  // namespace quillet
