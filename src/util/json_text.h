#pragma once

#include <string>
#include <string_view>

namespace quillet {

// `text` as a JSON string literal, quotes included. Bytes that are not valid UTF-8 (a POSIX file
// name may hold any) become U+FFFD, since JSON text must be Unicode.
std::string JsonString(std::string_view text);

}  // namespace quillet
