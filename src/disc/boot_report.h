#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "disc/boot_rule.h"
#include "disc/disc_image.h"
#include "inspect/judgement.h"

// Will the disc an image makes start its boot file, and on what? A check a point, each answered
// from what the image shows and what is established of the console, never from a guess.
namespace quillet {

enum class CheckResult { Ok, Problem, CannotTell };

// "ok", "problem" or "cannot tell".
std::string_view CheckResultText(CheckResult result);

struct BootCheck {
  std::string_view name;  // "bootstrap", "boot code", "boot file", "form", "layout", "placement", "regions", "size"
  CheckResult result = CheckResult::Ok;
  std::string sentence;  // what a person can act on
};

// The checks of `disc`, whose boot file is judged to be in `form`, its boot code stock where its
// hash is one of `stock`: problems first, then what cannot be told, then what is ok, each group in
// the checks' own order.
std::vector<BootCheck> CheckBoot(const DiscBootFile& disc, Form form,
                                 std::span<const std::uint64_t> stock = StockBootCodes());

// The report in a line, after the image's name: "will boot from a CD-R", "will boot as a GD-ROM",
// "will not boot: " and the first problem's sentence, or "cannot tell whether it boots: " and the
// first sentence of what cannot be told.
std::string BootSummary(const DiscBootFile& disc, const std::vector<BootCheck>& checks);

// The disc as JSON members, for a boot file judged to be in `form`: "format", "boot_file", "size",
// "track", "lba", "title", "product_number", "boots" (by the stock boot code), "boot_code",
// "image_size" (the image's bytes, a dump's track files together), the "checks" (each {"name",
// "result", "sentence"}) and their "summary".
std::string DiscJsonMembers(const DiscBootFile& disc, Form form);

}  // namespace quillet
