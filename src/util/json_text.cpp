#include "util/json_text.h"

#include <cstdint>

namespace quillet {
namespace {

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0 if there is none.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = lead < 0x80                    ? 1
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  // Overlong forms, surrogates and code points beyond U+10FFFF.
  if (length == 3 && ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F))) return 0;
  if (length == 4 && ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) > 0x8F))) return 0;
  return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string json = "\"";
  while (!text.empty()) {
    const char c = text.front();
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) {
      json += "\\ufffd";
      text.remove_prefix(1);
      continue;
    }
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\t') {
      json += "\\t";
    } else if (c == '\r') {
      json += "\\r";
    } else if (static_cast<std::uint8_t>(c) < 0x20) {
      json += "\\u00";
      json += kHex[static_cast<std::uint8_t>(c) >> 4];
      json += kHex[static_cast<std::uint8_t>(c) & 0xF];
    } else {
      json.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return json + "\"";
}

}  // namespace quillet
