// The page's way into the core: the same decision of what a file is, detector, layout judgement,
// disc readers, boot report, fix plan, scrambler and ELF reader as the programs, behind a few C
// functions the page calls. The core reads the chosen file where it
// lies, a slice at a time: a program is judged in one pass and converted a chunk at a time, and
// no file is held whole (an ELF file aside, which is small). Answers come back as JSON text or as
// bytes in one result buffer.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "convert/conversion_plan.h"
#include "convert/elf_raw.h"
#include "convert/tool_commands.h"
#include "disc/boot_report.h"
#include "disc/boot_rule.h"
#include "disc/disc_fix.h"
#include "disc/disc_image.h"
#include "disc/file_decision.h"
#include "formats/disc_formats.h"
#include "inspect/file_kind.h"
#include "inspect/judgement.h"
#include "scramble/scramble.h"
#include "util/json_text.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace {

std::string g_text;
std::vector<std::byte> g_result;

std::string Field(const char* name, std::string_view value) {
  return std::string("\"") + name + "\": " + quillet::JsonString(value);
}

// The files the person chose, the worker's quilletFiles: a disc image first, and for a table of
// tracks (a .gdi, a cue sheet) its track files after it. The core reads them a slice at a time with FileReaderSync,
// through a cache of three 4 MiB blocks (each read is a round trip to the browser: 1 MiB blocks took half again as
// long): no file is ever copied whole into the module's memory.
// The JavaScript below is JavaScript: the C++ formatter keeps out of it.
// clang-format off
EM_JS(void, quillet_read_chosen, (int which, double offset, std::byte* into, std::size_t count), {
  var file = self.quilletFiles[which], block = 4 << 20;
  var cache = self.quilletCache || (self.quilletCache = new Map());
  for (var done = 0; done < count;) {
    var at = offset + done, index = Math.floor(at / block), key = which + ":" + index, bytes = cache.get(key);
    if (!bytes) {
      if (cache.size >= 3) cache.delete(cache.keys().next().value);
      try {
        bytes = new Uint8Array(new FileReaderSync().readAsArrayBuffer(file.slice(index * block, (index + 1) * block)));
        self.quilletRead = Math.max(self.quilletRead || 0, bytes.length);
      } catch (unreadable) {
        self.quilletUnreadable = true;
        throw unreadable;
      }
      cache.set(key, bytes);
      if (self.quilletProgress) self.quilletProgress(Math.min(1, (index + 1) * block / file.size));
    }
    var from = at - index * block, take = Math.min(count - done, bytes.length - from);
    if (take <= 0) throw new Error("the file is shorter than it was");
    HEAPU8.set(bytes.subarray(from, from + take), into + done);
    done += take;
  }
});

EM_JS(double, quillet_chosen_size, (int which), { return self.quilletFiles[which].size; });

// The chosen file after the first that `name` names, in any case (as a dump copied from Windows
// may spell it); -1 where there is none.
EM_JS(int, quillet_chosen_named, (const char* name), {
  var wanted = UTF8ToString(name).toLowerCase();
  for (var which = 1; which < self.quilletFiles.length; which++) {
    if (self.quilletFiles[which].name.toLowerCase() == wanted) return which;
  }
  return -1;
});
// clang-format on

class ChosenFile final : public quillet::ByteSource {
 public:
  explicit ChosenFile(int which) : which_(which), size_(static_cast<std::uint64_t>(quillet_chosen_size(which))) {}
  std::uint64_t size() const override { return size_; }

 private:
  void ReadInside(std::uint64_t offset, std::span<std::byte> into) const override {
    quillet_read_chosen(which_, static_cast<double>(offset), into.data(), into.size());
  }

  int which_;
  std::uint64_t size_;
};

// True when the chosen file begins as an ELF file does.
bool IsChosenElf(const ChosenFile& file) {
  std::array<std::byte, 4> magic{};
  const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(magic.size(), file.size()));
  file.Read(0, std::span(magic).first(size));
  return quillet::IsElfImage(std::span(magic).first(size));
}

// A loose file's judgement, its bytes handed over by the page a block at a time.
struct Judging {
  // Blocks of 256 KiB: each costs the page a round of its stream's reads and a call into the module.
  explicit Judging(const char* file_name)
      : judge(file, file_name, quillet::Evidence::Full), feed(judge.Overlap(), std::size_t{256} << 10) {}
  ChosenFile file{0};
  quillet::LooseFileJudge judge;
  quillet::BlockFeed feed;
};
std::unique_ptr<Judging> g_judging;

// A loose file's conversion, made a part at a time: the scrambler's chunks, front to back, then
// the bytes after the last one. Each part's output comes from its own input alone.
struct PartConversion {
  PartConversion(std::size_t size, const quillet::ConversionPlan& plan)
      : conversion(size, plan), parts(quillet::ChunksOf(size)), chunks(parts.size()) {
    const std::size_t permuted = parts.empty() ? 0 : parts.back().offset + parts.back().size;
    if (permuted < size) parts.push_back({permuted, size - permuted, 0});
  }
  quillet::ChunkConversion conversion;
  std::vector<quillet::Chunk> parts;
  std::size_t chunks;
  std::vector<std::byte> input;
};
std::optional<PartConversion> g_conversion;  // none for an ELF file, made whole in one part

// The track file a table names that was not chosen with it, the last time one was not: the page says
// what to do in the words of someone choosing files.
std::string g_unchosen;

// What opens the track files of the table chosen first, named `file_name`: the files chosen with it.
quillet::TrackFileOpener ChosenTrackFiles(std::string_view name) {
  using namespace quillet;
  const bool cue = name.size() >= 4 && EqualsIgnoringAsciiCase(name.substr(name.size() - 4), ".cue");
  const std::string table = cue ? "the cue sheet" : "the .gdi";
  return [table](const std::string& file) -> std::unique_ptr<ByteSource> {
    // Files are chosen without their folders: a track the table keeps in a folder ("tracks/x.bin")
    // is the one chosen by its name.
    const std::string name(FileTitle(file, PathStyle::Posix));
    const int which = quillet_chosen_named(name.c_str());
    if (which < 0) {
      g_unchosen = name;
      RefuseAsInvalid("it was not chosen with " + table + "; choose or drop " + table +
                      " and its track files together");
    }
    return std::make_unique<ChosenFile>(which);
  };
}

// The boot file of the disc image chosen first, named `file_name`; a .gdi's track files among the
// files chosen with it. Nothing where the file is no disc image.
std::optional<quillet::DiscBootFile> ChosenDiscBoot(const char* file_name) {
  return quillet::BootOfDisc(ChosenFile(0), file_name, ChosenTrackFiles(file_name));
}

// An IP.BIN, by name or by content: the page says in its own words that it is no program.
std::string IpBinRefusal() { return "{\"form\": \"boot sector\"}"; }

std::string DiscAnswer(quillet::DiscBootFile disc) {
  using namespace quillet;
  const JudgedDisc judged = JudgeDisc(std::move(disc), Evidence::Full, {}, Words::Plain);
  if (judged.judgement.form == Form::BootSector) {
    return IpBinRefusal();
  }
  return "{" + JudgementJsonMembers(judged.judgement, static_cast<std::int64_t>(judged.disc.boot.bytes.size())) +
         ", \"disc\": {" + DiscJsonMembers(judged) + "}}";
}

// What the page says of a failure with a `what` ("file" or "image"): a refusal's reason alone, in a
// disc burner's words where the core has them; running out of memory in the browser's terms.
std::string PageReason(const quillet::RunTimeError& failure, std::string_view what) {
  if (failure.number() == quillet::error::kOutOfMemory) {
    return "Out of memory: the browser gave the page too little memory for this " + std::string(what);
  }
  return quillet::PlainReason(failure);
}

// Runs a conversion that fills the result buffer and quillet_text, and returns its status; a
// failure empties the buffer, says why, and returns 2. `what`: "file" or "image".
template <typename Conversion>
int Converting(std::string_view what, Conversion conversion) {
  try {
    return quillet::AsRunTimeError(conversion);
  } catch (const quillet::RunTimeError& failure) {
    g_text = PageReason(failure, what);
  }
  std::vector<std::byte>().swap(g_result);
  return 2;
}

}  // namespace

extern "C" {

// The judgement of the file chosen first, named `file_name`, begun: 0 where the answer is known
// already (quillet_judge_end gives it), 1 where the file's bytes are to be handed over, a block at
// a time from its start: quillet_feed_size() bytes (fewer only at its end) written where
// quillet_feed_buffer() points, then quillet_judge_feed. The page reads the file as a stream into
// one buffer of its own: it is never whole in memory, and a stream reads far faster than slices.
EMSCRIPTEN_KEEPALIVE int quillet_judge_begin(const char* file_name) {
  using namespace quillet;
  g_judging.reset();
  g_text.clear();
  try {
    AsRunTimeError([&] {
      auto judging = std::make_unique<Judging>(file_name);
      const FileKind kind = KindOfFile(judging->file, file_name);
      if (kind == FileKind::IpBinByName) {
        g_text = IpBinRefusal();
      } else if (kind == FileKind::Elf) {
        g_text = "{\"form\": \"elf\", \"size\": " + std::to_string(judging->file.size()) + "}";
      } else {
        g_judging = std::move(judging);
      }
    });
  } catch (const RunTimeError& failure) {
    g_text = "{" + Field("error", PageReason(failure, "file")) + "}";
  }
  return g_judging ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE std::byte* quillet_feed_buffer() { return g_judging->feed.Fresh().data(); }
EMSCRIPTEN_KEEPALIVE std::size_t quillet_feed_size() { return g_judging->feed.Fresh().size(); }

// Takes the `count` bytes written at quillet_feed_buffer(): 1 where more are wanted, 0 where none.
EMSCRIPTEN_KEEPALIVE int quillet_judge_feed(std::size_t count) {
  using namespace quillet;
  if (!g_judging) return 0;
  try {
    return AsRunTimeError([&] {
      return g_judging->feed.Take(count, [](std::uint64_t offset, std::span<const std::byte> block, std::size_t fresh) {
        return g_judging->judge.See(offset, block, fresh);
      });
    })
               ? 1
               : 0;
  } catch (const RunTimeError& failure) {
    g_judging.reset();
    g_text = "{" + Field("error", PageReason(failure, "file")) + "}";
    return 0;
  }
}

// The judgement begun: {"form": "boot sector"} for an IP.BIN (by name or by content), {"error"} for
// disc data without a table, {"form": "elf"} for an ELF file, which is converted rather than judged,
// else the judgement's members as quillet scan --json gives them.
EMSCRIPTEN_KEEPALIVE const char* quillet_judge_end() {
  using namespace quillet;
  if (!g_judging) return g_text.c_str();
  try {
    AsRunTimeError([&] {
      const Judgement judgement = g_judging->judge.Finish();
      g_text = judgement.form == Form::BootSector
                   ? IpBinRefusal()
                   : "{" + JudgementJsonMembers(judgement, static_cast<std::int64_t>(g_judging->file.size())) + "}";
    });
  } catch (const RunTimeError& failure) {
    g_text = "{" + Field("error", PageReason(failure, "file")) + "}";
  }
  g_judging.reset();
  return g_text.c_str();
}

// The disc image chosen first, read in place: {"form": "boot sector"} for an IP.BIN (by name or by
// content), {"disc": false} where it is no disc image (by name and by content); else the judgement
// of its boot file with "disc" (as DiscJsonMembers gives it, in a disc burner's words), or {"error"}
// saying what is wrong with the image in those words, with "unchosen" naming the track file its
// table names that was not chosen with it, where that is why.
EMSCRIPTEN_KEEPALIVE const char* quillet_disc_judge(const char* file_name) {
  using namespace quillet;
  g_unchosen.clear();
  try {
    AsRunTimeError([&] {
      // What a file is, every program decides in one order: a file named IP.BIN is refused before
      // it is read as a disc image.
      const FileKind kind = KindOfFile(ChosenFile(0), file_name);
      if (kind == FileKind::IpBinByName) {
        g_text = IpBinRefusal();
      } else {
        std::optional<DiscBootFile> disc = kind == FileKind::DiscImage ? ChosenDiscBoot(file_name) : std::nullopt;
        g_text = disc ? DiscAnswer(std::move(*disc)) : "{\"disc\": false}";
      }
    });
  } catch (const RunTimeError& failure) {
    g_text = "{" + Field("error", PageReason(failure, "image")) +
             (g_unchosen.empty() ? "" : ", " + Field("unchosen", g_unchosen)) + "}";
  }
  return g_text.c_str();
}

// Writes the boot file of the disc image chosen first in the form asked for into the result
// buffer, even where it is in that form already (`force` as quillet convert --force for a form
// that cannot be told): 0 done, 2 failed; quillet_text says how, or why not.
EMSCRIPTEN_KEEPALIVE int quillet_disc_convert(const char* file_name, int to_scrambled, int force) {
  using namespace quillet;
  const Form target = to_scrambled ? Form::Scrambled : Form::Unscrambled;
  return Converting("image", [&] {
    const std::optional<DiscBootFile> disc = ChosenDiscBoot(file_name);
    if (!disc) RefuseAsInvalid(std::string(file_name) + " is no disc image Quillet reads");
    const ConversionPlan plan = PlanExtraction(disc->boot.bytes, target, force != 0);
    g_result = ApplyPlan(disc->boot.bytes, plan);
    g_text = "its " + disc->boot.header.boot_file + ", " + plan.description;
    return 0;
  });
}

// Plans the conversion of the file chosen first into the form asked for (`force` as quillet
// convert --force): 0 planned, in quillet_parts() parts that quillet_convert_part makes; 1 already
// in that form (nothing made); 2 failed. quillet_text says how, or why not. An ELF file is made
// into its raw binary whole, its one part already in the result buffer.
EMSCRIPTEN_KEEPALIVE int quillet_convert(int to_scrambled, int force) {
  using namespace quillet;
  const Form target = to_scrambled ? Form::Scrambled : Form::Unscrambled;
  g_conversion.reset();
  return Converting("file", [&] {
    const ChosenFile file(0);
    if (IsChosenElf(file)) {
      std::vector<std::byte> elf(static_cast<std::size_t>(file.size()));
      file.Read(0, elf);
      g_result = RawBinaryOfElf(elf);
      if (to_scrambled) g_result = ApplyPlan(g_result, ConversionPlan{true, 0, ""});
      g_text = std::string("an ELF file, made into its raw binary") + (to_scrambled ? ", then scrambled" : "");
      return 0;
    }
    const std::optional<ConversionPlan> plan = PlanConversion(JudgeLooseFile(file, {}).form, target, force != 0);
    if (!plan) {
      g_text = "The file is already " + std::string(FormText(target)) + ": nothing to download.";
      return 1;
    }
    g_conversion.emplace(static_cast<std::size_t>(file.size()), *plan);
    g_text = plan->description;
    return 0;
  });
}

EMSCRIPTEN_KEEPALIVE std::size_t quillet_parts() { return g_conversion ? g_conversion->parts.size() : 1; }

// Judges 2 MiB of made-up bytes (code-like runs between noise), an answer nobody waits for: run
// while a worker is spare, it has the engine compile the core's busy functions at their best then,
// not during a person's first file.
EMSCRIPTEN_KEEPALIVE void quillet_warm() {
  std::vector<std::byte> bytes(std::size_t{2} << 20);
  std::uint32_t seed = 1;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    seed = seed * 1103515245u + 12345u;
    bytes[at] = static_cast<std::byte>(at % 64 < 48 ? seed >> 24 : at & 0xFF);
  }
  quillet::JudgeImage(bytes, quillet::Evidence::Full);
}

// Makes part `index` of the conversion quillet_convert planned into the result buffer: 0 done, 2
// failed (quillet_text says why).
EMSCRIPTEN_KEEPALIVE int quillet_convert_part(std::size_t index) {
  using namespace quillet;
  if (!g_conversion) return 0;  // an ELF's one part is made already
  return Converting("file", [&] {
    PartConversion& conversion = *g_conversion;
    const Chunk& part = conversion.parts.at(index);
    conversion.input.resize(part.size);
    ChosenFile(0).Read(part.offset, conversion.input);
    g_result.resize(part.size);
    if (index < conversion.chunks) {
      conversion.conversion.Prepare(part);
      conversion.conversion.Copy(conversion.input, 0, g_result);
    } else {
      g_result = conversion.input;  // the bytes after the last chunk stay as they are
    }
    return 0;
  });
}

// What fixing the disc image chosen first takes: {"outcome": "mended", "boots" or "refused",
// "sentence" (what is mended, the report's summary, or why not), "one_file" (whether the fixed copy
// is one file, as the image is, which the page offers), "name" (NAME_fixed.cdi)
// and "patches": [[offset, length], ...] in the image, their bytes one after the other in the result
// buffer (a set's patches lie in its track files: the page names the command that writes a set)}, or
// {"error"}. The page builds the fixed copy from slices of the chosen file and these bytes.
EMSCRIPTEN_KEEPALIVE const char* quillet_disc_fix(const char* file_name) {
  using namespace quillet;
  std::vector<std::byte>().swap(g_result);
  try {
    AsRunTimeError([&] {
      const ChosenFile image(0);
      const std::optional<DiscFormat> format = DiscFormatOf(image, file_name);
      if (!format) RefuseAsInvalid(std::string(file_name) + " is no disc image Quillet reads");
      TrackFiles files(image, ChosenTrackFiles(file_name));
      const DiscFix fix = PlanFix(RowOf(*format).contents(files), files, {});
      const char* outcome = fix.outcome == FixOutcome::Mended         ? "mended"
                            : fix.outcome == FixOutcome::AlreadyBoots ? "boots"
                                                                      : "refused";
      std::string patches;
      for (const FilePatches& file : fix.files) {
        if (!file.file.empty()) continue;
        for (const SectorPatch& sector : file.sectors) {
          patches += (patches.empty() ? "[" : ", [") + std::to_string(sector.offset) + ", " +
                     std::to_string(sector.bytes.size()) + "]";
          g_result.insert(g_result.end(), sector.bytes.begin(), sector.bytes.end());
        }
      }
      g_text =
          "{\"outcome\": \"" + std::string(outcome) + "\", " + Field("sentence", fix.sentence) + ", " +
          "\"one_file\": " + (!RowOf(*format).set_of_files && RowOf(*format).fixed_as == *format ? "true" : "false") +
          ", " + Field("name", FixedImageName(FileTitle(file_name, PathStyle::Posix), true)) + ", \"patches\": [" +
          patches + "]}";
    });
  } catch (const RunTimeError& failure) {
    std::vector<std::byte>().swap(g_result);
    g_text = "{" + Field("error", PageReason(failure, "image")) + "}";
  }
  return g_text.c_str();
}

// The extensions, each after a dot and one space apart (".gdi .cue"), of the formats whose image is a
// table of tracks with the track files it names: of the files chosen together, the one the page
// judges, the others its tracks.
EMSCRIPTEN_KEEPALIVE const char* quillet_tables() {
  g_text.clear();
  for (const quillet::DiscFormatRow& row : quillet::DiscFormats()) {
    if (row.set_of_files) g_text += (g_text.empty() ? "." : " .") + std::string(row.extension);
  }
  return g_text.c_str();
}

// Takes boot code of the hash `hex` (16 hex digits, as "boot_code" gives it) for stock from now on,
// as QUILLET_TRUSTED_BOOT_CODE does for the programs; the page passes its trusted-boot-code parameter.
EMSCRIPTEN_KEEPALIVE void quillet_trust_boot_code(const char* hex) {
  const std::string_view text = hex;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error == std::errc() && end == text.data() + text.size() && !text.empty()) quillet::TrustBootCode(value);
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
