#include "app/size_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet {
namespace {

TEST(SizeTextTest, KilobytesWithOneDecimalHalvesUp) {
  struct Row {
    std::int64_t bytes;
    const char* text;
  };
  const NumberSeparators english{",", "."};
  for (const Row& row : std::vector<Row>{
           {0, ". KB"},
           {512, ".5 KB"},
           {1024, "1. KB"},
           {1280, "1.3 KB"},
           {1536, "1.5 KB"},
           {1048576, "1,024. KB"},
           {1234567, "1,205.6 KB"},
           {1, ". KB"},
           {51, ". KB"},       // 0.0498 rounds to 0.0
           {52, ".1 KB"},      // 0.0508 rounds to 0.1
           {1023, "1. KB"},    // 0.999 rounds up to a whole kilobyte
           {1075, "1. KB"},    // 1.0498
           {1076, "1.1 KB"},   // 1.0508
           {1126, "1.1 KB"},   // 1.0996 (1.1 exactly lies at 1126.4)
           {10188, "9.9 KB"},  // 9.9492
           {10189, "10. KB"},  // 9.9502
           {1023948, "999.9 KB"},
           {1023949, "1,000. KB"},
           {2147483647, "2,097,152. KB"},
           {1099511627776, "1,073,741,824. KB"},
           {1234567890123456, "1,205,632,705,198.7 KB"},
       }) {
    EXPECT_EQ(SizeText(row.bytes, english), row.text) << row.bytes;
  }
}

TEST(SizeTextTest, UsesTheLocaleSeparators) {
  EXPECT_EQ(SizeText(1234567, {".", ","}), "1.205,6 KB");
  EXPECT_EQ(SizeText(0, {".", ","}), ", KB");
  EXPECT_EQ(SizeText(1099511627776, {"\u202F", ","}), "1\u202F073\u202F741\u202F824, KB");
  EXPECT_EQ(SizeText(1048576, {"", "."}), "1024. KB");
}

}  // namespace
}  // namespace quillet
