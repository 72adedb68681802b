#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "inspect/layout.h"
#include "util/run_time_error.h"

// How a raw binary gets into the form asked for, without ever scrambling twice by mistake.
namespace quillet {

// The file's form: by its patterns where they are found, else by its layout (Undecided when
// neither tells).
Layout FormOf(std::span<const std::byte> image);

// Scramble once, or unscramble so many times; and what that amounts to, in a few words.
struct ConversionPlan {
  bool scramble = false;
  int unscrambles = 0;
  std::string says;  // "scrambled", "unscrambled twice: it was scrambled twice"...
};

// Run-time error 5: neither the patterns nor the layout tell the file's form.
RunTimeError UndecidedFormError();

// The way from `form` to the requested one; nothing when the file is in that form already (unless
// forced). Raises UndecidedFormError for a form that cannot be told, unless forced.
std::optional<ConversionPlan> PlanConversion(Layout form, bool to_scrambled, bool force);

std::vector<std::byte> ApplyPlan(std::span<const std::byte> image, const ConversionPlan& plan);

}  // namespace quillet
