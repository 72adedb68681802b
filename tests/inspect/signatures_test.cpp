#include "inspect/signatures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace quillet {
namespace {

std::span<const std::byte> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::byte*>(text.data()), text.size()};
}

std::string PatternText(char letter) {
  return std::string(AllPatterns()[static_cast<std::size_t>(letter - 'A')].bytes);
}

std::string Letters(SignatureSet set) {
  std::string letters;
  for (const Pattern& pattern : set) letters += pattern.letter;
  return letters;
}

// Random bytes that hold no pattern (the odds of one arising by chance are nil).
std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

TEST(PatternsTest, EachPatternIsItsWrittenForm) {
  // F, G and H are written with "." for each NUL byte; I and J hold real full stops.
  struct Row {
    char letter;
    std::string written;
    bool dots_are_nul;
    std::size_t length;
  };
  for (const Row& row : std::vector<Row>{
           {'A', "abcdefghijklmnopqrstuvwxyz1234567890", false, 36},
           {'B', "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890", false, 36},
           {'C', "abcdefghijklmnopqrstuvwxyz0123456789", false, 36},
           {'D', "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", false, 36},
           {'E', "0123456789abcdefghijklmnopqrstuvwxyz", false, 36},
           {'F', "0123456789abcdef....(null)..0123456789ABCDEF", true, 44},
           {'G', "0123456789ABCDEF....Inf.NaN.0123456789abcdef....(null)...", true, 57},
           {'H',
            "#...'...*...-.../...2...4...7...9...;...=...?...A...C...E...G...I...J...L...N...O...Q...R...T...U...W..."
            "X...Z...",
            true, 112},
           {'I', "ABCDEFGHIJKLMNOPQRSTUVWXYZ.0123456789-", false, 38},
           {'J', "$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~", false,
            91},
           {'K', "abcdefghijklEFGHIJKLMNOPQRSTUVWXYZ!@#$%^&*()", false, 44},
           {'L', "PORTDEV INFOENBLSTATRADRTOUTDRQCFUNCEND", false, 39},
           {'M', std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ01\0", 29), false, 29},
           {'N', "0123456E1789ABCDEABFF", false, 21},
       }) {
    std::string expected = row.written;
    if (row.dots_are_nul) std::ranges::replace(expected, '.', '\0');
    EXPECT_EQ(PatternText(row.letter), expected) << row.letter;
    EXPECT_EQ(PatternText(row.letter).size(), row.length) << row.letter;
  }
}

TEST(PatternsTest, JIsEveryPrintableCharacterFromDollarToTilde) {
  std::string expected;
  for (char c = '$'; c <= '~'; ++c) expected += c;
  EXPECT_EQ(PatternText('J'), expected);
}

TEST(PatternsTest, HIsAscendingLittleEndianWords) {
  const std::string h = PatternText('H');
  std::vector<unsigned> words;
  for (std::size_t at = 0; at < h.size(); at += 4) {
    unsigned word = 0;
    for (std::size_t byte = 4; byte-- > 0;) word = word << 8 | static_cast<unsigned char>(h[at + byte]);
    words.push_back(word);
  }
  EXPECT_EQ(words, (std::vector<unsigned>{35, 39, 42, 45, 47, 50, 52, 55, 57, 59, 61, 63, 65, 67,
                                          69, 71, 73, 74, 76, 78, 79, 81, 82, 84, 85, 87, 88, 90}));
}

TEST(SignatureSetsTest, BothSetsHoldAllFourteenInTheirOrder) {
  EXPECT_EQ(Letters(BrowseSignatures()), "ABCDHFEIJKLGMN");
  EXPECT_EQ(Letters(StartupSignatures()), "CADBEFMNKGJHIL");
  EXPECT_EQ(Letters(AllPatterns()), "ABCDEFGHIJKLMN");
}

TEST(VerdictTest, Texts) {
  EXPECT_EQ(VerdictText(ScrambleVerdict::Unscrambled), "UNSCRAMBLED");
  EXPECT_EQ(VerdictText(ScrambleVerdict::Scrambled), "SCRAMBLED");
}

TEST(ScanSignaturesTest, VerdictDependsOnExactByteRuns) {
  struct Row {
    const char* name;
    std::string content;
    ScrambleVerdict verdict;
  };
  const std::string noise = Noise(4096, 1);
  std::string b_with_lower_second = PatternText('B');
  b_with_lower_second[1] = 'b';
  std::string i_with_nul = PatternText('I');
  std::ranges::replace(i_with_nul, '.', '\0');
  std::string n_with_values =
      "0123456\xE1"
      "789ABCDE\xAB\x0F"
      "F";
  std::string truncated_g = PatternText('G');
  truncated_g.pop_back();
  const auto U = ScrambleVerdict::Unscrambled;
  const auto S = ScrambleVerdict::Scrambled;
  for (const Row& row : std::vector<Row>{
           {"empty image", "", S},
           {"noise only", noise, S},
           {"C in noise", noise + PatternText('C') + noise, U},
           {"M alone (both sets hold it)", noise + PatternText('M') + noise, U},
           {"N alone (both sets hold it)", noise + PatternText('N') + noise, U},
           {"B as written", PatternText('B'), U},
           {"B with its second letter in lower case", noise + b_with_lower_second + noise, S},
           {"I with a NUL for its full stop", noise + i_with_nul + noise, S},
           {"F written with real full stops", noise + "0123456789abcdef....(null)..0123456789ABCDEF" + noise, S},
           {"H at offset 1", noise.substr(0, 1) + PatternText('H'), U},
           {"H at offset 2", noise.substr(0, 2) + PatternText('H'), U},
           {"H at offset 3", noise.substr(0, 3) + PatternText('H') + noise, U},
           {"N with the byte values 225, 171 and 15", noise + n_with_values + noise, S},
           {"G cut short by the end of the image", noise + truncated_g, S},
           {"pattern at the very end", noise + PatternText('L'), U},
           {"pattern longer than the image", PatternText('J').substr(0, 50), S},
           {"M without its NUL", noise + PatternText('M').substr(0, 28) + "\x01" + noise, S},
       }) {
    for (SignatureSet set : {BrowseSignatures(), StartupSignatures()}) {
      EXPECT_EQ(ScanSignatures(Bytes(row.content), set), row.verdict) << row.name << " with " << Letters(set);
    }
  }
}

}  // namespace

void PrintTo(const SignatureMatch& match, std::ostream* out) { *out << match.letter << "@" << match.offset; }

namespace {

// The plain definition: the first occurrence of each pattern, found one pattern at a time.
std::vector<SignatureMatch> FindOneByOne(std::string_view image, SignatureSet set) {
  std::vector<SignatureMatch> matches;
  for (const Pattern& pattern : set) {
    if (std::size_t at = image.find(pattern.bytes); at != std::string_view::npos)
      matches.push_back({pattern.letter, at});
  }
  return matches;
}

TEST(FindSignaturesTest, ReportsTheFirstOccurrenceOfEachPatternInSetOrder) {
  std::string image = Noise(1000, 2);
  image.replace(100, 36, PatternText('E'));
  image.replace(500, 21, PatternText('N'));
  image.replace(700, 36, PatternText('E'));
  image.replace(203, 112, PatternText('H'));
  const std::vector<SignatureMatch> browse = FindSignatures(Bytes(image), BrowseSignatures());
  EXPECT_EQ(browse, (std::vector<SignatureMatch>{{'H', 203}, {'E', 100}, {'N', 500}}));
  const std::vector<SignatureMatch> startup = FindSignatures(Bytes(image), StartupSignatures());
  EXPECT_EQ(startup, (std::vector<SignatureMatch>{{'E', 100}, {'N', 500}, {'H', 203}}));
}

// Random images built from pieces of the patterns, whole and broken, so that candidate windows,
// overlapping occurrences and near misses all occur, checked against the plain definition.
TEST(FindSignaturesTest, AgreesWithOneByOneSearchOnRandomImages) {
  std::mt19937 random(20261207);
  const auto patterns = AllPatterns();
  for (int round = 0; round < 3000; ++round) {
    std::string image;
    const int pieces = static_cast<int>(random() % 12);
    for (int piece = 0; piece < pieces; ++piece) {
      const std::string pattern(patterns[random() % patterns.size()].bytes);
      switch (random() % 4) {
        case 0: image += pattern; break;
        case 1: image += pattern.substr(0, random() % pattern.size()); break;
        case 2: image += pattern.substr(random() % pattern.size()); break;
        default: image += Noise(random() % 64, static_cast<unsigned>(random())); break;
      }
    }
    for (SignatureSet set : {BrowseSignatures(), StartupSignatures(), SignatureSet(patterns)}) {
      const std::vector<SignatureMatch> expected = FindOneByOne(image, set);
      ASSERT_EQ(FindSignatures(Bytes(image), set), expected) << "round " << round;
      ASSERT_EQ(ScanSignatures(Bytes(image), set),
                expected.empty() ? ScrambleVerdict::Scrambled : ScrambleVerdict::Unscrambled);
    }
  }
}

TEST(FindSignaturesTest, SetsOfShortPatternsWork) {
  const std::array<Pattern, 3> set{{{'x', "ab"}, {'y', "z"}, {'w', "bz"}}};
  EXPECT_EQ(FindSignatures(Bytes("..abz.z"), set), (std::vector<SignatureMatch>{{'x', 2}, {'y', 4}, {'w', 3}}));
  const std::array<Pattern, 2> pairs{{{'x', "ab"}, {'y', "ba"}}};
  EXPECT_EQ(FindSignatures(Bytes("aba"), pairs), (std::vector<SignatureMatch>{{'x', 0}, {'y', 1}}));
  EXPECT_TRUE(FindSignatures(Bytes("a"), pairs).empty());
  EXPECT_EQ(ScanSignatures(Bytes("abc"), SignatureSet{}), ScrambleVerdict::Scrambled);
}

}  // namespace
}  // namespace quillet
