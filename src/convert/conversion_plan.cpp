#include "convert/conversion_plan.h"

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
