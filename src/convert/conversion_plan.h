#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "inspect/judgement.h"
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

}  // namespace quillet
