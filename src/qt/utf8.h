#pragma once

#include <QString>

#include <string_view>

namespace quillet {

// UTF-8 text of the core as Qt's text.
inline QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace quillet
