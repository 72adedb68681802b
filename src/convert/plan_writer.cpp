#include "convert/plan_writer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "scramble/scramble.h"
#include "util/parallel.h"

namespace quillet {

void WritePlan(std::span<const std::byte> image, const ConversionPlan& plan, ReplacementFile& output) {
  static constexpr std::size_t kPieceSize = 128 * 1024;
  std::vector<ScrambleDirection> steps;
  if (plan.scramble) steps.push_back(ScrambleDirection::Scramble);
  steps.insert(steps.end(), static_cast<std::size_t>(plan.unscrambles), ScrambleDirection::Unscramble);
  if (steps.empty()) {
    output.WriteAt(0, image);
    return;
  }
  const std::vector<Chunk> chunks = ChunksOf(image.size());
  std::atomic<std::size_t> next_chunk{0};
  std::atomic<bool> failed{false};
  RunOnWorkers(WorkersFor(chunks.size()), [&] {
    try {
      const std::unique_ptr<std::byte[]> piece(
          new std::byte[std::min(kPieceSize, std::max<std::size_t>(image.size(), 1))]);
      ChunkPermutation permutation;
      // Several steps are composed into one: output slice s of the last step holds input slice
      // source[s], each step reading the slices the step before it wrote.
      std::vector<std::uint32_t> source, composed;
      for (std::size_t index; !failed && (index = next_chunk++) < chunks.size();) {
        const Chunk& chunk = chunks[index];
        const std::span<const std::byte> chunk_input = image.subspan(chunk.offset, chunk.size);
        if (steps.size() == 1) {
          permutation.Prepare(image.size(), chunk, steps.front());
        } else {
          source.resize(chunk.size / kSliceSize);
          for (std::size_t slice = 0; slice < source.size(); ++slice) source[slice] = static_cast<std::uint32_t>(slice);
          for (const ScrambleDirection direction : steps) {
            permutation.Prepare(image.size(), chunk, direction);
            const std::span<const std::uint16_t> step = permutation.Sources();
            composed.resize(source.size());
            for (std::size_t slice = 0; slice < source.size(); ++slice) composed[slice] = source[step[slice]];
            source.swap(composed);
          }
        }
        for (std::size_t first = 0; first < chunk.size && !failed; first += kPieceSize) {
          const std::span<std::byte> bytes(piece.get(), std::min(kPieceSize, chunk.size - first));
          if (steps.size() == 1) {
            permutation.Copy(chunk_input, first, bytes);
          } else {
            for (std::size_t at = 0; at < bytes.size(); at += kSliceSize) {
              std::memcpy(bytes.data() + at, chunk_input.data() + source[(first + at) / kSliceSize] * kSliceSize,
                          kSliceSize);
            }
          }
          output.WriteAt(chunk.offset + first, bytes);
        }
      }
    } catch (...) {
      failed = true;
      throw;
    }
  });
  const std::size_t permuted = chunks.empty() ? 0 : chunks.back().offset + chunks.back().size;
  output.WriteAt(permuted, image.subspan(permuted));
}

}  // namespace quillet
