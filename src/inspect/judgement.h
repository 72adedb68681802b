#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/layout.h"
#include "inspect/machine_code.h"
#include "inspect/signatures.h"
#include "util/byte_source.h"

// The one judgement of a file's form, from all the evidence: the patterns, the layout, whether the
// bytes are SH-4 code at all, and the boot header's own mark. Every program shows this answer in
// its own words and acts on it; none weighs the evidence again.
namespace quillet {

enum class Form {
  Unscrambled,     // a program in its natural layout
  Scrambled,       // unscrambling once gives the natural layout
  ScrambledTwice,  // unscrambling twice does
  Undecided,       // no honest answer: uniform, tiny or incompressible
  NotAProgram,     // confidently not SH-4 code in any form: text, pictures, archives, other machines' code
  BootSector,      // a disc's boot header (IP.BIN), known by its content
};

// "unscrambled", "scrambled", "scrambled twice", "undecided", "not a program" or "boot sector".
std::string_view FormText(Form form);

// How much evidence to gather beyond what decides the form.
enum class Evidence {
  FormOnly,  // may stop looking once the form is certain
  Full,      // every pattern's first offset, and the layout
};

struct Judgement {
  Form form = Form::Undecided;
  ScrambleVerdict verdict = ScrambleVerdict::Scrambled;  // the fourteen patterns' own answer
  std::optional<Layout> layout;                          // where it was looked at
  std::vector<SignatureMatch> matches;                   // all of them with Evidence::Full
};

// The rules, strongest first:
//   - the boot header's mark makes a boot sector;
//   - bytes that are confidently not SH-4 code in any form make no program, whatever else they hold;
//   - a pattern longer than a slice cannot survive scrambling: where one is found, the file is
//     unscrambled;
//   - otherwise a confident layout decides, over the short patterns (M and N), which can lie inside
//     one slice and survive scrambling whole; bytes as random as compressed data, without code to
//     see, have no layout worth the name;
//   - a short pattern decides where the layout cannot; with neither, the form cannot be told.
// A `watch`ed pattern is looked for in the same pass as the patterns. The bytes are read once, in
// order, a block at a time: a file need never be held whole.
Judgement JudgeImage(const ByteSource& image, Evidence evidence = Evidence::FormOnly, PatternWatch* watch = nullptr);
inline Judgement JudgeImage(std::span<const std::byte> image, Evidence evidence = Evidence::FormOnly,
                            PatternWatch* watch = nullptr) {
  return JudgeImage(MemorySource(image), evidence, watch);
}

// JudgeImage's judgement of a file handed over a block at a time, as ForEachBlock or a BlockFeed
// hands them, for a program that is given the bytes rather than reading them (the page reads the
// person's file as a stream).
class ImageJudge {
 public:
  ImageJudge(std::uint64_t size, Evidence evidence, PatternWatch* watch = nullptr);

  // The overlap the blocks need.
  std::size_t Overlap() const { return search_.Overlap(); }
  // Takes a block as ForEachBlock's `see` does: false once nothing after it can change the answer.
  bool See(std::uint64_t offset, std::span<const std::byte> block, std::size_t fresh);
  // The judgement of the file `image`, which the blocks came from: what they did not bring (the
  // layout's sample, the rest of the machine code's where the search stopped early) is read there.
  Judgement Finish(const ByteSource& image);

 private:
  Evidence evidence_;
  SignatureSearch search_;
  MachineCodeSample sample_;
};

// A judgement of `size` bytes as the members of a JSON object, as quillet scan --json and the page
// give it: "form" (in lower case), the evidence ("verdict", the patterns' own answer, and "layout"
// where it was looked at), "size" in bytes and "matches", each pattern found with the offset of its
// first occurrence.
std::string JudgementJsonMembers(const Judgement& judgement, std::int64_t size);

}  // namespace quillet
