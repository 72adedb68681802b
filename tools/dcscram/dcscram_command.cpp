#include "tools/dcscram/dcscram_command.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string_view>
#include <vector>

#include "scramble/scramble.h"
#include "util/file_system.h"
#include "util/parallel.h"
#include "util/replacement_file.h"
#include "util/run_time_error.h"
#include "util/version.h"

namespace quillet {
namespace {

constexpr std::string_view kUsage = "Usage: dcscram [-d] IN OUT\n";

constexpr std::string_view kHelp =
    "Scrambles a Dreamcast executable (a raw binary such as 1ST_READ.BIN) into the form a\n"
    "CD-R boots from, or with -d unscrambles it back. IN and OUT may be the same file.\n"
    "\n"
    "OUT is written under a temporary name beside it and takes its place only when it is\n"
    "complete: on any failure OUT is left as it was.\n"
    "\n"
    "Options:\n"
    "  -d         unscramble instead of scramble\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

// Which file a failure concerns, for the message.
enum class Side { Input, Output };

// Each worker permutes whole chunks, a piece at a time through a buffer that stays in its cache,
// and writes each piece at its place: the workers' copying and writing overlap one another.
void WritePermuted(std::span<const std::byte> input, ScrambleDirection direction, ReplacementFile& output) {
  static constexpr std::size_t kPieceSize = 128 * 1024;
  const std::vector<Chunk> chunks = ChunksOf(input.size());
  std::atomic<std::size_t> next_chunk{0};
  std::atomic<bool> failed{false};
  RunOnWorkers(WorkersFor(chunks.size()), [&] {
    try {
      const std::unique_ptr<std::byte[]> piece(new std::byte[std::min(kPieceSize, input.size())]);
      ChunkPermutation permutation;
      for (std::size_t index; !failed && (index = next_chunk++) < chunks.size();) {
        const Chunk& chunk = chunks[index];
        permutation.Prepare(input.size(), chunk, direction);
        for (std::size_t first = 0; first < chunk.size && !failed; first += kPieceSize) {
          const std::span<std::byte> bytes(piece.get(), std::min(kPieceSize, chunk.size - first));
          permutation.Copy(input.subspan(chunk.offset, chunk.size), first, bytes);
          output.WriteAt(chunk.offset + first, bytes);
        }
      }
    } catch (...) {
      failed = true;
      throw;
    }
  });
  const std::size_t permuted = chunks.empty() ? 0 : chunks.back().offset + chunks.back().size;
  output.WriteAt(permuted, input.subspan(permuted));
}

}  // namespace

int RunDcscram(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    out << kUsage << kHelp;
    return 0;
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    out << "dcscram (Quillet) " << kVersion << "\n";
    return 0;
  }
  const bool unscramble = arguments.size() == 3 && arguments[0] == "-d";
  // A file name that looks like an option is far likelier a slip (`dcscram -d in.bin` would
  // otherwise scramble a file named "-d" over in.bin); ./-name still reaches such a file.
  const auto looks_like_option = [](const std::string& argument) { return argument.starts_with('-'); };
  if ((arguments.size() != 2 && !unscramble) || std::ranges::any_of(arguments.last(2), looks_like_option)) {
    err << kUsage;
    return 1;
  }
  const std::string& input_path = arguments[arguments.size() - 2];
  const std::string& output_path = arguments[arguments.size() - 1];

  Side side = Side::Input;
  try {
    const FileContents input = MapWholeFile(input_path);
    side = Side::Output;
    ReplacementFile output(output_path);
    WritePermuted(input.bytes(), unscramble ? ScrambleDirection::Unscramble : ScrambleDirection::Scramble, output);
    side = Side::Input;
    input.RequireWhole();
    side = Side::Output;
    output.Commit();
  } catch (const RunTimeError& failure) {
    err << "dcscram: cannot " << (side == Side::Input ? "read '" + input_path : "write '" + output_path)
        << "': " << failure.description() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace quillet
