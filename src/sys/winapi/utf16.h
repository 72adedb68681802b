#pragma once

#include <string>
#include <string_view>

// Paths are UTF-8 inside the program and UTF-16 at the W APIs.
namespace quillet {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace quillet
