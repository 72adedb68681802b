#include "inspect/machine_code.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "scramble/scramble.h"

namespace quillet {
namespace {

// A file up to this size is looked at whole; a larger one in kSamples runs of kSampleSize bytes
// spread evenly over it: code anywhere in the file has its share in the sample.
constexpr std::size_t kWholeUpTo = std::size_t{1} << 20;
constexpr std::size_t kSamples = 32;
constexpr std::size_t kSampleSize = 4096;
// Fewer words than this (1 KiB, padding left out) prove nothing either way.
constexpr std::size_t kFewestWords = 512;
// The share of frame words: real programs show 0.6% (mostly data) to 20%; random bytes 0.03%.
constexpr double kLikelyShare = 0.0025;
constexpr double kUnlikelyShare = 0.001;
// The share of calls through a register (jsr @Rn), which hand-written code without frames makes
// too: 0.25% to 1.7% of real programs that call, 0.07% at most of other processors' code.
constexpr double kUnlikelyCallShare = 0.0015;
// Small files: so few of either that chance explains them.
constexpr std::size_t kChanceFrameWords = 2;
constexpr std::size_t kChanceCalls = 8;
// Bits of information per byte: below, the file is next to uniform; above, next to random, where
// word counts cannot tell compressed assets inside a program from a compressed file.
constexpr double kLeastEntropy = 1.0;
constexpr double kMostEntropy = 7.5;

// The frame words, as little-endian 16-bit values: mov.l Rm,@-r15 (push r8..r14), mov.l @r15+,Rn
// (pop r8..r14), sts.l pr,@-r15 and lds.l @r15+,pr (the return address), mov r15,r14 and
// mov r14,r15 (the frame pointer).
constexpr std::array<std::uint64_t, 1024> FrameWords() {
  std::array<std::uint64_t, 1024> bits{};
  const auto set = [&](std::uint16_t word) { bits[word / 64] |= std::uint64_t{1} << (word % 64); };
  for (std::uint16_t reg = 8; reg <= 14; ++reg) {
    set(static_cast<std::uint16_t>(0x2F06 | reg << 4));
    set(static_cast<std::uint16_t>(0x60F6 | reg << 8));
  }
  for (const int word : {0x4F22, 0x4F26, 0x6EF3, 0x6FE3}) set(static_cast<std::uint16_t>(word));
  return bits;
}
constexpr std::array<std::uint64_t, 1024> kFrameWords = FrameWords();
constexpr bool IsCall(std::uint16_t word) { return (word & 0xF0FF) == 0x400B; }  // jsr @Rn

// Headers of common files that are never a Dreamcast program: pictures, sound, archives,
// documents. Only looked at where the words found no code: compressed files are as random as a
// scrambled program's compressed assets, and only their header tells them apart.
constexpr std::array<std::string_view, 14> kForeignHeaders{{
    "\x89PNG\r\n\x1A\n",
    "\xFF\xD8\xFF",
    "GIF8",
    "\x1F\x8B",
    "PK\x03\x04",
    "PK\x05\x06",
    {"\xFD"
     "7zXZ\0",
     6},
    "BZh",
    "7z\xBC\xAF\x27\x1C",
    "Rar!\x1A\x07",
    "%PDF-",
    "OggS",
    "RIFF",
    "fLaC",
}};

bool StartsWithForeignHeader(std::span<const std::byte> bytes) {
  return std::any_of(kForeignHeaders.begin(), kForeignHeaders.end(), [&](std::string_view header) {
    return bytes.size() >= header.size() &&
           std::equal(header.begin(), header.end(), bytes.begin(),
                      [](char a, std::byte b) { return static_cast<std::byte>(a) == b; });
  });
}

// True when the file, as it is or unscrambled once or twice, begins with a foreign header: the
// scrambler moves the first slice, header and all, somewhere into the first chunk.
bool HasForeignHeader(const ByteSource& image) {
  const std::vector<Chunk> chunks = ChunksOf(static_cast<std::size_t>(image.size()));
  if (chunks.empty()) return false;
  const std::size_t once = ScrambledPlace(static_cast<std::size_t>(image.size()), chunks.front(), 0);
  const std::size_t twice = ScrambledPlace(static_cast<std::size_t>(image.size()), chunks.front(), once);
  const std::array<std::size_t, 3> places{0, once, twice};
  std::array<std::byte, kSliceSize> slice;
  return std::any_of(places.begin(), places.end(), [&](std::size_t place) {
    image.Read(place * kSliceSize, slice);
    return StartsWithForeignHeader(slice);
  });
}

using Counts = MachineCodeSample::Counts;

// Counts the words of `run`'s slices; slices of one repeated byte are padding and left out.
void CountWords(std::span<const std::byte> run, Counts& counts) {
  for (std::size_t offset = 0; offset + kSliceSize <= run.size(); offset += kSliceSize) {
    const auto* slice = reinterpret_cast<const std::uint8_t*>(run.data() + offset);
    if (std::all_of(slice + 1, slice + kSliceSize, [&](std::uint8_t byte) { return byte == slice[0]; })) continue;
    for (std::size_t i = 0; i < kSliceSize; i += 2) {
      const auto word = static_cast<std::uint16_t>(slice[i] | slice[i + 1] << 8);
      counts.frame_words += kFrameWords[word / 64] >> (word % 64) & 1;
      counts.calls += IsCall(word);
      ++counts.bytes[slice[i]];
      ++counts.bytes[slice[i + 1]];
    }
    counts.words += kSliceSize / 2;
  }
}

double Entropy(const Counts& counts) {
  double bits = 0;
  const double total = 2.0 * static_cast<double>(counts.words);
  for (const std::size_t count : counts.bytes) {
    if (count) bits -= static_cast<double>(count) / total * std::log2(static_cast<double>(count) / total);
  }
  return bits;
}

}  // namespace

MachineCode JudgeMachineCode(std::span<const std::byte> image) {
  return MachineCodeSample(image.size()).Judge(MemorySource(image));
}

MachineCodeSample::MachineCodeSample(std::uint64_t file_size) {
  if (file_size <= kWholeUpTo) {
    runs_.push_back({0, file_size});
    return;
  }
  // Runs start on slice boundaries, so that slices are counted as the scrambler cuts them.
  const std::uint64_t last_start = (file_size - kSampleSize) / kSliceSize;
  for (std::size_t sample = 0; sample < kSamples; ++sample) {
    runs_.push_back({sample * last_start / (kSamples - 1) * kSliceSize, kSampleSize});
  }
}

void MachineCodeSample::Count(std::uint64_t offset, std::span<const std::byte> bytes) {
  const std::uint64_t end = offset + bytes.size();
  for (const Run& run : runs_) {
    const std::uint64_t from = std::max(offset, run.offset), to = std::min(end, run.offset + run.size);
    if (from < to)
      CountWords(bytes.subspan(static_cast<std::size_t>(from - offset), static_cast<std::size_t>(to - from)), counts_);
  }
}

void MachineCodeSample::See(std::uint64_t offset, std::span<const std::byte> block) {
  Count(offset, block);
  seen_ = offset + block.size();
}

MachineCode MachineCodeSample::Judge(const ByteSource& image) {
  const std::optional<std::span<const std::byte>> memory = image.InMemory();
  std::vector<std::byte> rest;
  for (const Run& run : runs_) {
    const std::uint64_t from = std::max(seen_, run.offset), to = run.offset + run.size;
    if (from >= to) continue;
    const auto size = static_cast<std::size_t>(to - from);
    if (memory) {
      Count(from, memory->subspan(static_cast<std::size_t>(from), size));
    } else {
      rest.resize(size);
      image.Read(from, rest);
      Count(from, rest);
    }
  }
  seen_ = image.size();
  const Counts& counts = counts_;
  if (counts.words < kFewestWords) return MachineCode::CannotTell;
  const double share = static_cast<double>(counts.frame_words) / static_cast<double>(counts.words);
  if (share >= kLikelyShare) return MachineCode::Likely;
  const double words = static_cast<double>(counts.words);
  if (static_cast<double>(counts.frame_words) > std::max(double{kChanceFrameWords}, kUnlikelyShare * words) ||
      static_cast<double>(counts.calls) > std::max(double{kChanceCalls}, kUnlikelyCallShare * words)) {
    return MachineCode::CannotTell;
  }
  const double entropy = Entropy(counts);
  if (entropy < kLeastEntropy) return MachineCode::CannotTell;
  return entropy <= kMostEntropy || HasForeignHeader(image) ? MachineCode::Unlikely : MachineCode::Incompressible;
}

}  // namespace quillet
