#pragma once

#include <cstdint>
#include <optional>
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

// Whose words a report is in: the command line's (and the window's), or a disc burner's plain ones,
// which the page shows, where a check has them.
enum class Words { Command, Plain };

// The checks of `disc`, whose boot file is judged to be in `form`, its boot code stock where its
// hash is one of `stock`: problems first, then what cannot be told, then what is ok, each group in
// the checks' own order; their sentences in `words`.
std::vector<BootCheck> CheckBoot(const DiscBootFile& disc, Form form, const BootCodes& codes = {},
                                 Words words = Words::Command);

// The report in a line, after the image's name: "will boot from a CD-R", "will boot as a GD-ROM"
// (with " on consoles of Japan and Europe" where some region's refuse it, and what a known loader
// is), "will not boot: " and the first problem's sentence, or "cannot tell whether it boots: " and the
// first sentence of what cannot be told.
std::string BootSummary(const DiscBootFile& disc, const std::vector<BootCheck>& checks, const BootCodes& codes = {});

// The summary's answer: false where a check finds a problem, nothing where one cannot tell, else true.
std::optional<bool> BootsByChecks(const std::vector<BootCheck>& checks);

// The image in words: "a CDI image", "an ISO image", "a raw data track", "a CHD image"...
std::string DiscImageWords(const DiscBootFile& disc);

// A disc's boot file judged and its boot checked, once, for all a front end shows of it.
struct JudgedDisc {
  DiscBootFile disc;
  Judgement judgement;            // of its boot file
  std::vector<BootCheck> checks;  // CheckBoot's, for the form judged
};

// Judges the boot file of `disc` (with `evidence`) and checks its boot (its boot code stock as
// `codes` says, the sentences in `words`).
JudgedDisc JudgeDisc(DiscBootFile disc, Evidence evidence = Evidence::FormOnly, const BootCodes& codes = {},
                     Words words = Words::Command);

// The disc as JSON members: "format", "description" (its words), "boot_file", "size", "track", "lba",
// "gd_rom" (whether it is a GD-ROM, which boots an unscrambled boot file),
// "title", "product_number", "boots" (the summary's answer), "boot_code", "image_size" (the image's
// bytes, a dump's track files together), the "checks" (each {"name", "result", "sentence"}) and their
// "summary".
std::string DiscJsonMembers(const JudgedDisc& judged);

}  // namespace quillet
