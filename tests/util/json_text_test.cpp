#include "util/json_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet {
namespace {

TEST(JsonStringTest, EscapesWhatJsonRequires) {
  struct Row {
    std::string text;
    const char* json;
  };
  for (const Row& row : std::vector<Row>{
           {"", R"("")"},
           {R"(C:\games\1ST_READ.BIN)", R"("C:\\games\\1ST_READ.BIN")"},
           {"say \"hi\"", R"("say \"hi\"")"},
           {"a\tb\nc\rd", R"("a\tb\nc\rd")"},
           {std::string("\0\x1f\x7f", 3), "\"\\u0000\\u001f\x7f\""},
           {"Ça 日本 🎮", "\"Ça 日本 🎮\""},
           // Not UTF-8: a lone continuation byte, a cut sequence, an overlong form, a surrogate.
           {"a\x80z", R"("a\ufffdz")"},
           {"a\xC3", R"("a\ufffd")"},
           {"\xC0\xAF", R"("\ufffd\ufffd")"},
           {"\xED\xA0\x80", R"("\ufffd\ufffd\ufffd")"},
           {"\xF4\x90\x80\x80", R"("\ufffd\ufffd\ufffd\ufffd")"},
       }) {
    EXPECT_EQ(JsonString(row.text), row.json) << row.json;
  }
}

}  // namespace
}  // namespace quillet
