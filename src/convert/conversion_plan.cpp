#include "convert/conversion_plan.h"

#include "inspect/file_kind.h"
#include "scramble/scramble.h"
#include "util/run_time_error.h"

namespace quillet {

bool NeedsForce(Form form) { return form == Form::Undecided || form == Form::NotAProgram; }

RunTimeError FormRefusal(Form form) {
  switch (form) {
    case Form::BootSector: return RunTimeError(error::kInvalidArgument, std::string(kIpBinRefusal));
    case Form::NotAProgram:
      return RunTimeError(error::kInvalidArgument,
                          "Invalid procedure call or argument: it is not a Dreamcast program (no SH-4 machine code "
                          "in any form)");
    default:
      return RunTimeError(error::kInvalidArgument,
                          "Invalid procedure call or argument: its form cannot be told (no patterns, no telling "
                          "layout)");
  }
}

std::optional<ConversionPlan> PlanConversion(Form form, bool to_scrambled, bool force) {
  if (form == Form::BootSector || (NeedsForce(form) && !force)) throw FormRefusal(form);
  if (form == Form::ScrambledTwice) {
    return to_scrambled ? ConversionPlan{false, 1, "unscrambled once: it was scrambled twice"}
                        : ConversionPlan{false, 2, "unscrambled twice: it was scrambled twice"};
  }
  const bool already = form == (to_scrambled ? Form::Scrambled : Form::Unscrambled);
  if (already && !force) return std::nullopt;
  if (to_scrambled) return ConversionPlan{true, 0, already ? "scrambled again, as forced" : "scrambled"};
  return ConversionPlan{false, 1, already ? "unscrambled again, as forced" : "unscrambled"};
}

std::vector<std::byte> ApplyPlan(std::span<const std::byte> image, const ConversionPlan& plan) {
  std::vector<std::byte> result(image.begin(), image.end()), step(image.size());
  if (plan.scramble) {
    Scramble(result, step);
    result.swap(step);
  }
  for (int i = 0; i < plan.unscrambles; ++i) {
    Unscramble(result, step);
    result.swap(step);
  }
  return result;
}

}  // namespace quillet
