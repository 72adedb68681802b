#include "convert/conversion_plan.h"

#include "inspect/signatures.h"
#include "scramble/scramble.h"
#include "util/run_time_error.h"

namespace quillet {

Layout FormOf(std::span<const std::byte> image) {
  if (ScanSignatures(image, AllPatterns()) == ScrambleVerdict::Unscrambled) return Layout::Unscrambled;
  return JudgeLayout(image);
}

RunTimeError UndecidedFormError() {
  return RunTimeError(error::kInvalidArgument,
                      "Invalid procedure call or argument: its form cannot be told (no patterns, no telling layout)");
}

std::optional<ConversionPlan> PlanConversion(Layout form, bool to_scrambled, bool force) {
  if (form == Layout::Undecided && !force) throw UndecidedFormError();
  if (form == Layout::ScrambledTwice) {
    return to_scrambled ? ConversionPlan{false, 1, "unscrambled once: it was scrambled twice"}
                        : ConversionPlan{false, 2, "unscrambled twice: it was scrambled twice"};
  }
  const bool already = form == (to_scrambled ? Layout::Scrambled : Layout::Unscrambled);
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
