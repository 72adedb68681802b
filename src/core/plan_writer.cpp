#include "core/plan_writer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "scramble/scramble.h"
#include "sys/parallel.h"

namespace quillet {

void WritePlan(std::span<const std::byte> image, const ConversionPlan& plan, ReplacementFile& output) {
  static constexpr std::size_t kPieceSize = 128 * 1024;
  if (!plan.scramble && plan.unscrambles == 0) {
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
      ChunkConversion conversion(image.size(), plan);
      for (std::size_t index; !failed && (index = next_chunk++) < chunks.size();) {
        const Chunk& chunk = chunks[index];
        conversion.Prepare(chunk);
        for (std::size_t first = 0; first < chunk.size && !failed; first += kPieceSize) {
          const std::span<std::byte> bytes(piece.get(), std::min(kPieceSize, chunk.size - first));
          conversion.Copy(image.subspan(chunk.offset, chunk.size), first, bytes);
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
