#pragma once

#include <string_view>

namespace quillet {

// The product's file version, as its version record carries it.
inline constexpr std::string_view kVersion = "1.03.0001";

}  // namespace quillet
