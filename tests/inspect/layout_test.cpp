// The layout judgement without any real program: words of a small vocabulary have the run-on byte
// pairs a program has, and noise, zeros and tiny files have none worth the name.
#include "inspect/layout.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "scramble/scramble.h"

namespace quillet {
namespace {

std::vector<std::byte> Words(std::size_t size) {
  static const char* const kWords[] = {"scramble ", "slice ", "chunk ", "boot ", "disc ",   "program ",
                                       "loader ",   "table ", "byte ",  "form ", "layout ", "\n"};
  std::mt19937 random(3);
  std::vector<std::byte> bytes;
  while (bytes.size() < size) {
    for (const char* c = kWords[random() % std::size(kWords)]; *c && bytes.size() < size; ++c) {
      bytes.push_back(static_cast<std::byte>(*c));
    }
  }
  return bytes;
}

std::vector<std::byte> Scrambled(std::vector<std::byte> bytes, int times) {
  for (int i = 0; i < times; ++i) {
    std::vector<std::byte> out(bytes.size());
    Scramble(bytes, out);
    bytes.swap(out);
  }
  return bytes;
}

TEST(LayoutTest, EachFormOfStructuredBytesAndNoneOfNoise) {
  struct Row {
    const char* name;
    std::vector<std::byte> bytes;
    Layout layout;
  };
  std::mt19937 random(9);
  std::vector<std::byte> noise(300000);
  for (std::byte& byte : noise) byte = static_cast<std::byte>(random());
  const std::vector<std::byte> words = Words(300000);
  for (const Row& row : std::vector<Row>{
           {"words", words, Layout::Unscrambled},
           {"words, scrambled", Scrambled(words, 1), Layout::Scrambled},
           {"words, scrambled twice", Scrambled(words, 2), Layout::ScrambledTwice},
           {"words, 3 MiB: judged from the first chunk", Scrambled(Words(3 << 20), 1), Layout::Scrambled},
           {"noise", noise, Layout::Undecided},
           {"zeros", std::vector<std::byte>(300000), Layout::Undecided},
           {"a tiny file", Words(600), Layout::Undecided},
           {"an empty file", {}, Layout::Undecided},
       }) {
    EXPECT_EQ(LayoutText(JudgeLayout(row.bytes)), LayoutText(row.layout)) << row.name;
  }
}

}  // namespace
}  // namespace quillet
