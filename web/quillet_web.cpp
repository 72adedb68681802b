// The page's way into the core: the same detector, layout judgement, scrambler and ELF reader as
// the programs, behind a few C functions the page calls. The page copies the user's file into the
// module's memory; answers come back as JSON text or as bytes in one result buffer.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "convert/conversion_plan.h"
#include "convert/elf_raw.h"
#include "convert/tool_commands.h"
#include "inspect/file_kind.h"
#include "inspect/judgement.h"
#include "inspect/size_text.h"
#include "util/json_text.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"

namespace {

std::string g_text;
std::vector<std::byte> g_result;

std::span<const std::byte> Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const std::byte*>(data), size};
}

std::string Field(const char* name, std::string_view value) {
  return std::string("\"") + name + "\": " + quillet::JsonString(value);
}

// The answer in plain words, for a person who does not know the forms' names.
std::string_view Headline(quillet::Form form) {
  using quillet::Form;
  switch (form) {
    case Form::Unscrambled: return "Unscrambled: the form emulators, loaders and GD-ROM images use";
    case Form::Scrambled: return "Scrambled: the form that boots from a CD-R";
    case Form::ScrambledTwice: return "Scrambled twice: this will not boot; download the scrambled form to repair it";
    case Form::NotAProgram: return "Not a program: this file holds no Dreamcast program in any form";
    case Form::BootSector: return "A boot sector (IP.BIN), not a program";
    case Form::Undecided: break;
  }
  return "Undecided: its form cannot be told (no patterns, no telling layout)";
}

constexpr std::string_view kElfHeadline = "An ELF file: either download makes its raw binary first";

}  // namespace

extern "C" {

// The judgement of the file: {"refused"} for an IP.BIN (by name or by content), else its form, the
// headline that says it in plain words, the evidence (the patterns' verdict and the layout), its
// size text, and whether it is an ELF file, which is converted rather than judged.
EMSCRIPTEN_KEEPALIVE const char* quillet_judge(const std::uint8_t* data, std::size_t size, const char* file_name) {
  using namespace quillet;
  const std::span<const std::byte> image = Bytes(data, size);
  const std::string size_text = SizeText(static_cast<std::int64_t>(size), {",", "."});
  if (IsElfImage(image)) {
    g_text = "{" + Field("form", "elf") + ", " + Field("headline", kElfHeadline) + ", " + Field("size", size_text) +
             ", \"elf\": true}";
    return g_text.c_str();
  }
  if (IsIpBinTitle(file_name) || JudgeImage(image).form == Form::BootSector) {
    g_text = "{" + Field("refused", kIpBinRefusal) + ", " + Field("title", kIpBinRefusalTitle) + "}";
    return g_text.c_str();
  }
  const Judgement judgement = JudgeImage(image, Evidence::Full);
  std::string patterns;
  for (const SignatureMatch& match : judgement.matches) {
    if (!patterns.empty()) patterns += ", ";
    patterns += match.letter;
  }
  g_text = "{" + Field("form", FormText(judgement.form)) + ", " + Field("headline", Headline(judgement.form)) + ", " +
           Field("verdict", VerdictText(judgement.verdict)) + ", " +
           Field("layout", judgement.layout ? LayoutText(*judgement.layout) : "") + ", " + Field("patterns", patterns) +
           ", " + Field("size", size_text) + ", \"elf\": false}";
  return g_text.c_str();
}

// Converts the file into the form asked for (`force` as quillet convert --force), into the result
// buffer: 0 done, 1 already in that form (nothing made), 2 failed; quillet_text says how, or why
// not.
EMSCRIPTEN_KEEPALIVE int quillet_convert(const std::uint8_t* data, std::size_t size, int to_scrambled, int force) {
  using namespace quillet;
  const std::span<const std::byte> image = Bytes(data, size);
  const Form target = to_scrambled ? Form::Scrambled : Form::Unscrambled;
  try {
    if (IsElfImage(image)) {
      g_result = RawBinaryOfElf(image);
      if (to_scrambled) g_result = ApplyPlan(g_result, ConversionPlan{true, 0, ""});
      g_text = std::string("an ELF file, made into its raw binary") + (to_scrambled ? ", then scrambled" : "");
      return 0;
    }
    const std::optional<ConversionPlan> plan = PlanConversionOf(image, target, force != 0);
    if (!plan) {
      g_result.clear();
      g_text = "The file is already " + std::string(FormText(target)) + ": nothing to download.";
      return 1;
    }
    g_result = ApplyPlan(image, *plan);
    g_text = plan->description;
    return 0;
  } catch (const RunTimeError& failure) {
    std::vector<std::byte>().swap(g_result);
    g_text = failure.description();
    return 2;
  } catch (const std::bad_alloc&) {
    std::vector<std::byte>().swap(g_result);
    g_text = "Out of memory: the browser gave the page too little memory for this file";
    return 2;
  }
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* quillet_result_data() {
  return reinterpret_cast<const std::uint8_t*>(g_result.data());
}
EMSCRIPTEN_KEEPALIVE std::size_t quillet_result_size() { return g_result.size(); }
EMSCRIPTEN_KEEPALIVE const char* quillet_text() { return g_text.c_str(); }

// The result's name, as the window names it: "game_scrambled.bin" for "game.bin".
EMSCRIPTEN_KEEPALIVE const char* quillet_result_name(const char* file_name, int scrambled) {
  try {
    g_text = quillet::ResultName(quillet::BaseName(file_name, quillet::PathStyle::Posix),
                                 scrambled ? quillet::Form::Scrambled : quillet::Form::Unscrambled);
  } catch (const quillet::RunTimeError&) {
    g_text = scrambled ? "_scrambled.bin" : "_unscrambled.bin";
  }
  return g_text.c_str();
}
}
