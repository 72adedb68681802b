#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "inspect/judgement.h"
#include "scramble/scramble.h"
#include "util/run_time_error.h"

// How a raw binary gets into the form asked for, without ever scrambling twice by mistake.
namespace quillet {

// Scramble once, or unscramble so many times; and what that amounts to, in a few words.
struct ConversionPlan {
  bool scramble = false;
  int unscrambles = 0;
  std::string description;  // "scrambled", "unscrambled twice: it was scrambled twice"...
};

// Run-time error 5 for a file that is not converted in its form: why, in a sentence (a boot sector
// in the window's words), and whether forcing would convert it.
class FormRefusal : public RunTimeError {
 public:
  explicit FormRefusal(Form form);
  bool forcible() const { return forcible_; }

 private:
  bool forcible_;
};

// The way from `form` to `target` (Form::Scrambled or Form::Unscrambled); nothing when the file is
// in that form already (unless forced). Raises FormRefusal for a boot sector, and for the forms
// that need force unless forced.
std::optional<ConversionPlan> PlanConversion(Form form, Form target, bool force);

// The same for a raw binary, judged here: the one way every program converts a binary.
std::optional<ConversionPlan> PlanConversionOf(std::span<const std::byte> image, Form target, bool force);

// The same for a binary written out as a new file (a disc image's boot file): one already in that
// form is written as it is.
ConversionPlan PlanExtraction(std::span<const std::byte> image, Form target, bool force);

std::vector<std::byte> ApplyPlan(std::span<const std::byte> image, const ConversionPlan& plan);

// A plan applied one of the scrambler's chunks at a time. A chunk's output is made from its own
// input alone, so a file of any size is converted a chunk at a time, or several chunks at once (an
// object each); the bytes after the last chunk stay where they are.
class ChunkConversion {
 public:
  ChunkConversion(std::size_t file_size, const ConversionPlan& plan);

  // Prepares the order of `chunk`'s slices, the plan's steps composed into one.
  void Prepare(const Chunk& chunk);
  // Writes bytes [first, first + output.size()) of the prepared chunk's output, from the chunk's
  // input bytes; `first` and the size are multiples of kSliceSize.
  void Copy(std::span<const std::byte> chunk_input, std::size_t first, std::span<std::byte> output) const;

 private:
  std::size_t file_size_;
  std::vector<ScrambleDirection> steps_;
  ChunkPermutation permutation_;
  // Where several steps are composed: output slice s of the last step holds input slice
  // source_[s], each step reading the slices the step before it wrote.
  std::vector<std::uint32_t> source_, composed_;
};

}  // namespace quillet
