#include "scramble/scramble.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "support/sha256.h"

namespace quillet {
namespace {

using Bytes = std::vector<std::byte>;

// The test vectors' input: byte i is (i*7 + (i>>8)*13 + 5) mod 256.
Bytes VectorInput(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::byte>((i * 7 + (i >> 8) * 13 + 5) & 0xFF);
  return bytes;
}

Bytes RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (std::byte& byte : bytes) byte = static_cast<std::byte>(random() & 0xFF);
  return bytes;
}

Bytes Scrambled(const Bytes& input) {
  Bytes output(input.size());
  Scramble(input, output);
  return output;
}

Bytes Unscrambled(const Bytes& input) {
  Bytes output(input.size());
  Unscramble(input, output);
  return output;
}

// Each 32-byte slice labelled with its index in its first four bytes, to follow where it goes.
Bytes LabelledSlices(std::size_t size) {
  Bytes bytes = RandomBytes(size, 7);
  for (std::uint32_t slice = 0; (slice + 1) * kSliceSize <= size; ++slice) {
    std::memcpy(bytes.data() + slice * kSliceSize, &slice, sizeof slice);
  }
  return bytes;
}

std::uint32_t LabelAt(const Bytes& bytes, std::size_t slice) {
  std::uint32_t label;
  std::memcpy(&label, bytes.data() + slice * kSliceSize, sizeof label);
  return label;
}

// The algorithm as its description reads, one step after another, with nothing precomputed and
// one generator running through the whole file: an oracle beyond the published vectors, which all
// end before the generator's draws start to repeat and before the second chunk.
Bytes ReferencePermuted(const Bytes& input, bool unscramble) {
  Bytes output(input);
  std::uint32_t state = input.size() & 0xFFFF;
  std::size_t offset = 0;
  const auto permute = [&](std::size_t chunk_size) {
    const std::size_t slices = chunk_size / 32;
    std::vector<std::uint32_t> table(slices);
    for (std::uint32_t slice = 0; slice < slices; ++slice) table[slice] = slice;
    for (std::size_t i = slices; i-- > 0;) {
      state = (state * 2109 + 9273) & 0x7FFF;
      const std::uint32_t r = (state + 0xC000) & 0xFFFF;
      const std::uint32_t x = static_cast<std::uint32_t>((std::uint64_t{r} * i) >> 16);
      std::swap(table[i], table[x]);
      const std::size_t step = slices - 1 - i;
      const std::size_t from = unscramble ? step : table[i], to = unscramble ? table[i] : step;
      std::memcpy(output.data() + offset + to * 32, input.data() + offset + from * 32, 32);
    }
    offset += chunk_size;
  };
  while (input.size() - offset >= 2097152) permute(2097152);
  for (std::size_t size = 1048576; size >= 32; size /= 2) {
    if (input.size() - offset >= size) permute(size);
  }
  return output;
}

TEST(ScrambleTest, MatchesTheAlgorithmAsDescribedPastTheVectors) {
  // Several chunks of every size, far more draws than the generator's period of 32,768, seeds
  // with the 16th bit set and clear.
  for (std::size_t size :
       std::vector<std::size_t>{32768 * 32 + 64, 2 * kLargestChunk + 100000, 0x10000 * 77 + 32 * 1001 + 3,
                                5 * kLargestChunk / 2 + 45, 7 * kLargestChunk - 32}) {
    const Bytes input = RandomBytes(size, static_cast<unsigned>(size));
    ASSERT_EQ(Scrambled(input), ReferencePermuted(input, false)) << size;
    ASSERT_EQ(Unscrambled(input), ReferencePermuted(input, true)) << size;
  }
}

TEST(ScrambleTest, MatchesEveryPublishedVector) {
  std::ifstream table(QUILLET_TEST_FIXTURES "/dcscram-vectors.tsv");
  ASSERT_TRUE(table) << "the vectors file is missing";
  std::string line;
  std::getline(table, line);  // the header
  int rows = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::size_t size;
    std::string input_digest, scrambled_digest, unscrambled_digest;
    ASSERT_TRUE(fields >> size >> input_digest >> scrambled_digest >> unscrambled_digest) << line;
    const Bytes input = VectorInput(size);
    EXPECT_EQ(testing::Sha256Hex(input), input_digest) << size;
    EXPECT_EQ(testing::Sha256Hex(Scrambled(input)), scrambled_digest) << size;
    EXPECT_EQ(testing::Sha256Hex(Unscrambled(input)), unscrambled_digest) << size;
    ++rows;
  }
  EXPECT_EQ(rows, 12);
}

TEST(ScrambleTest, WorkedExampleOf128Bytes) {
  // Seed 128, one chunk of four slices; the draws make every swap partner 0.
  const Bytes plain = LabelledSlices(128);
  const Bytes scrambled = Scrambled(plain);
  EXPECT_EQ(std::vector<std::uint32_t>(
                {LabelAt(scrambled, 0), LabelAt(scrambled, 1), LabelAt(scrambled, 2), LabelAt(scrambled, 3)}),
            std::vector<std::uint32_t>({0, 3, 2, 1}));
  EXPECT_EQ(Unscrambled(scrambled), plain);
}

TEST(ScrambleTest, SmallFilesComeOutUnchanged) {
  for (std::size_t size : std::vector<std::size_t>{0, 1, 31, 32, 33, 64, 100, 127}) {
    const Bytes input = RandomBytes(size, static_cast<unsigned>(size));
    EXPECT_EQ(Scrambled(input), input) << size;
    EXPECT_EQ(Unscrambled(input), input) << size;
  }
}

TEST(ScrambleTest, RoundTripsAreTheIdentity) {
  std::vector<std::size_t> sizes{0, 31, 127, 128, 129, 160, 1000, 4096 + 7};
  for (std::size_t power = kSliceSize; power <= 4 * kLargestChunk; power *= 2) {
    for (std::size_t size : {power - 1, power, power + 1, power - kSliceSize, power + kSliceSize})
      sizes.push_back(size);
  }
  for (std::size_t size : {4 * kLargestChunk + 96 + 5, 6 * kLargestChunk + 1000, 9 * kLargestChunk / 2 - 32}) {
    sizes.push_back(size);
  }
  for (std::size_t size : sizes) {
    const Bytes input = RandomBytes(size, static_cast<unsigned>(size));
    const Bytes scrambled = Scrambled(input);
    ASSERT_EQ(Unscrambled(scrambled), input) << "unscramble of scramble, " << size;
    ASSERT_EQ(Scrambled(Unscrambled(input)), input) << "scramble of unscramble, " << size;
    if (size >= 4096) {
      EXPECT_NE(scrambled, input) << size;
    }
  }
}

TEST(ScrambleTest, SlicesStayInTheirChunksAndTheTailStaysPut) {
  // 2 MiB + 2 MiB + 512 KiB + 64 + 32 bytes of chunks, then 5 bytes of tail.
  const std::size_t size = 2 * kLargestChunk + kLargestChunk / 4 + 64 + 32 + 5;
  const std::vector<std::pair<std::size_t, std::size_t>> chunks{
      {0, kLargestChunk},
      {kLargestChunk, 2 * kLargestChunk},
      {2 * kLargestChunk, 2 * kLargestChunk + kLargestChunk / 4},
      {size - 5 - 96, size - 5 - 32},
      {size - 5 - 32, size - 5}};
  const Bytes plain = LabelledSlices(size);
  const Bytes scrambled = Scrambled(plain);
  for (const auto& [begin, end] : chunks) {
    std::vector<bool> seen((end - begin) / kSliceSize);
    for (std::size_t slice = begin / kSliceSize; slice < end / kSliceSize; ++slice) {
      const std::uint32_t label = LabelAt(scrambled, slice);
      ASSERT_GE(label, begin / kSliceSize);
      ASSERT_LT(label, end / kSliceSize);
      ASSERT_FALSE(seen[label - begin / kSliceSize]) << "slice " << label << " twice";
      seen[label - begin / kSliceSize] = true;
      EXPECT_EQ(std::memcmp(scrambled.data() + slice * kSliceSize, plain.data() + label * kSliceSize, kSliceSize), 0);
    }
  }
  EXPECT_TRUE(std::equal(plain.end() - 5, plain.end(), scrambled.end() - 5));
}

TEST(ChunksTest, WholeChunksFrontToBackThenTheTail) {
  const std::size_t m = kLargestChunk;
  struct Row {
    std::size_t size;
    std::vector<std::size_t> chunk_sizes;
  };
  for (const Row& row : std::vector<Row>{
           {0, {}},
           {31, {}},
           {32, {32}},
           {127, {64, 32}},
           {128, {128}},
           {m - 32,
            {m / 2, m / 4, m / 8, m / 16, m / 32, m / 64, m / 128, m / 256, m / 512, m / 1024, m / 2048, m / 4096,
             m / 8192, m / 16384, m / 32768, m / 65536}},
           {m, {m}},
           {m + 63, {m, 32}},
           {5 * m / 2 + 45, {m, m, m / 2, 32}},
           {3 * m, {m, m, m}},
       }) {
    std::vector<std::size_t> sizes;
    std::size_t offset = 0;
    for (const Chunk& chunk : ChunksOf(row.size)) {
      EXPECT_EQ(chunk.offset, offset) << row.size;
      EXPECT_EQ(chunk.draws_before, offset / kSliceSize) << "one draw per slice before it";
      sizes.push_back(chunk.size);
      offset += chunk.size;
    }
    EXPECT_EQ(sizes, row.chunk_sizes) << row.size;
  }
}

TEST(ChunkPermutationTest, ChunksInAnyOrderAndInPiecesGiveTheWhole) {
  // Each chunk on its own, last chunk first, each in uneven pieces: the generator must be moved on
  // to the chunk's first draw, as two workers permuting different chunks would need.
  for (std::size_t size : std::vector<std::size_t>{5 * kLargestChunk / 2 + 45, 70000 + 3 * 32768 * 32 + 5}) {
    const Bytes input = RandomBytes(size, 11);
    for (ScrambleDirection direction : {ScrambleDirection::Scramble, ScrambleDirection::Unscramble}) {
      const Bytes whole = direction == ScrambleDirection::Scramble ? Scrambled(input) : Unscrambled(input);
      Bytes assembled(input);
      const std::vector<Chunk> chunks = ChunksOf(size);
      ChunkPermutation permutation;
      for (auto chunk = chunks.rbegin(); chunk != chunks.rend(); ++chunk) {
        permutation.Prepare(size, *chunk, direction);
        const std::span<const std::byte> chunk_input(input.data() + chunk->offset, chunk->size);
        for (std::size_t first = 0; first < chunk->size;) {
          const std::size_t piece = std::min<std::size_t>(chunk->size - first, 32 * (1 + first % 5000));
          permutation.Copy(chunk_input, first, std::span(assembled).subspan(chunk->offset + first, piece));
          first += piece;
        }
      }
      ASSERT_EQ(assembled, whole) << size;
    }
  }
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

TEST(ScrambledPlaceTest, FollowsOneSliceWhereTheWholeShuffleMovesIt) {
  // Every chunk of a file past the generator's period, and a small one: each slice that was
  // followed alone lands where the whole permutation puts it.
  for (std::size_t size : std::vector<std::size_t>{5 * kLargestChunk / 2 + 45, 1000}) {
    ChunkPermutation permutation;
    for (const Chunk& chunk : ChunksOf(size)) {
      permutation.Prepare(size, chunk, ScrambleDirection::Unscramble);
      const std::span<const std::uint16_t> place_of = permutation.Sources();
      for (std::size_t slice = 0; slice < place_of.size(); slice += 1 + slice / 7) {
        ASSERT_EQ(ScrambledPlace(size, chunk, slice), place_of[slice]) << size << " " << chunk.offset << " " << slice;
      }
    }
  }
}

}  // namespace
}  // namespace quillet
