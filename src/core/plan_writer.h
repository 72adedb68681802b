#pragma once

#include <cstddef>
#include <span>

#include "convert/conversion_plan.h"
#include "sys/replacement_file.h"

namespace quillet {

// Writes `image` converted by `plan` into `output`, chunk by chunk: each chunk's slices are taken
// straight from the image through the plan's permutations composed into one, a piece at a time, so
// that memory stays small whatever the file's size. Several workers share the chunks.
void WritePlan(std::span<const std::byte> image, const ConversionPlan& plan, ReplacementFile& output);

}  // namespace quillet
