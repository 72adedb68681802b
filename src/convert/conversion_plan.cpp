#include "convert/conversion_plan.h"

#include <cstring>

#include "inspect/file_kind.h"
#include "scramble/scramble.h"
#include "util/run_time_error.h"

namespace quillet {

namespace {

// True for the forms that are converted only when the user insists: one that cannot be told, and
// a file that is no program.
bool NeedsForce(Form form) { return form == Form::Undecided || form == Form::NotAProgram; }

std::string RefusalWords(Form form) {
  switch (form) {
    case Form::BootSector: return std::string(kIpBinRefusal);
    case Form::NotAProgram:
      return "Invalid procedure call or argument: it is not a Dreamcast program (no SH-4 machine code in any form)";
    default: return "Invalid procedure call or argument: its form cannot be told (no patterns, no telling layout)";
  }
}

}  // namespace

FormRefusal::FormRefusal(Form form)
    : RunTimeError(error::kInvalidArgument, RefusalWords(form)), forcible_(NeedsForce(form)) {}

std::optional<ConversionPlan> PlanConversion(Form form, Form target, bool force) {
  if (form == Form::BootSector || (NeedsForce(form) && !force)) throw FormRefusal(form);
  const bool to_scrambled = target == Form::Scrambled;
  if (form == Form::ScrambledTwice) {
    return to_scrambled ? ConversionPlan{false, 1, "unscrambled once: it was scrambled twice"}
                        : ConversionPlan{false, 2, "unscrambled twice: it was scrambled twice"};
  }
  const bool already = form == target;
  if (already && !force) return std::nullopt;
  if (to_scrambled) return ConversionPlan{true, 0, already ? "scrambled again, as forced" : "scrambled"};
  return ConversionPlan{false, 1, already ? "unscrambled again, as forced" : "unscrambled"};
}

std::optional<ConversionPlan> PlanConversionOf(std::span<const std::byte> image, Form target, bool force) {
  return PlanConversion(JudgeImage(image).form, target, force);
}

ConversionPlan PlanExtraction(std::span<const std::byte> image, Form target, bool force) {
  if (std::optional<ConversionPlan> plan = PlanConversionOf(image, target, force)) return *plan;
  return {false, 0, "already " + std::string(FormText(target)) + ", written as it is"};
}

std::vector<std::byte> ApplyPlan(std::span<const std::byte> image, const ConversionPlan& plan) {
  std::vector<std::byte> result(image.begin(), image.end());
  ChunkConversion conversion(image.size(), plan);
  for (const Chunk& chunk : ChunksOf(image.size())) {
    conversion.Prepare(chunk);
    conversion.Copy(image.subspan(chunk.offset, chunk.size), 0, std::span(result).subspan(chunk.offset, chunk.size));
  }
  return result;
}

ChunkConversion::ChunkConversion(std::size_t file_size, const ConversionPlan& plan) : file_size_(file_size) {
  if (plan.scramble) steps_.push_back(ScrambleDirection::Scramble);
  steps_.insert(steps_.end(), static_cast<std::size_t>(plan.unscrambles), ScrambleDirection::Unscramble);
}

void ChunkConversion::Prepare(const Chunk& chunk) {
  if (steps_.size() == 1) {
    permutation_.Prepare(file_size_, chunk, steps_.front());
    return;
  }
  source_.resize(chunk.size / kSliceSize);
  for (std::size_t slice = 0; slice < source_.size(); ++slice) source_[slice] = static_cast<std::uint32_t>(slice);
  for (const ScrambleDirection direction : steps_) {
    permutation_.Prepare(file_size_, chunk, direction);
    const std::span<const std::uint16_t> step = permutation_.Sources();
    composed_.resize(source_.size());
    for (std::size_t slice = 0; slice < source_.size(); ++slice) composed_[slice] = source_[step[slice]];
    source_.swap(composed_);
  }
}

void ChunkConversion::Copy(std::span<const std::byte> chunk_input, std::size_t first,
                           std::span<std::byte> output) const {
  if (steps_.size() == 1) {
    permutation_.Copy(chunk_input, first, output);
    return;
  }
  for (std::size_t at = 0; at < output.size(); at += kSliceSize) {
    std::memcpy(output.data() + at, chunk_input.data() + source_[(first + at) / kSliceSize] * kSliceSize, kSliceSize);
  }
}

}  // namespace quillet
