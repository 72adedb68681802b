#include "disc/disc_fix.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <span>
#include <utility>

#include "disc/boot_report.h"
#include "formats/iso9660.h"
#include "formats/sector.h"
#include "formats/sector_codes.h"
#include "inspect/judgement.h"
#include "scramble/scramble.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {

std::optional<Form> StartedForm(const DiscBootFile& disc, const BootCodes& codes) {
  if (const KnownLoader* loader = LoaderOf(disc, codes)) return loader->starts;
  if (HasStockBootCode(disc, codes)) return disc.gd_rom ? Form::Unscrambled : Form::Scrambled;
  return std::nullopt;
}

std::vector<std::byte> ProgramInForm(std::vector<std::byte> bytes, Form form, Form target) {
  int unscrambles = form == Form::ScrambledTwice ? 2 : form == Form::Scrambled ? 1 : 0;
  if (target == Form::Scrambled && unscrambles > 0) --unscrambles;
  const bool scramble = target == Form::Scrambled && form == Form::Unscrambled;
  std::vector<std::byte> other(bytes.size());
  for (int pass = 0; pass < unscrambles; ++pass) {
    Unscramble(bytes, other);
    bytes.swap(other);
  }
  if (scramble) {
    Scramble(bytes, other);
    bytes.swap(other);
  }
  return bytes;
}

namespace {

// The sector at `place` with `data` as its user data, its codes made again where the old ones held.
SectorPatch Patched(const SectorPlace& place, const SectorData& data) {
  SectorPatch patch{place.offset, std::vector<std::byte>(place.size)};
  place.source->Read(place.offset, patch.bytes);
  const bool had_codes = HasValidSectorCodes(patch.bytes);
  const std::size_t at = SectorDataOffset(place.size, std::to_integer<std::uint8_t>(patch.bytes[kRawModeByte]));
  std::copy(data.begin(), data.end(), patch.bytes.begin() + static_cast<std::ptrdiff_t>(at));
  if (had_codes) WriteSectorCodes(patch.bytes);
  return patch;
}

// The patches that give the area's sectors from `lba` the user data `bytes` (its last sector's
// bytes after them kept), by the files they lie in; sectors whose data does not change are left out.
void PatchRun(const Track& area, TrackFiles& files, std::uint32_t lba, std::span<const std::byte> bytes,
              std::map<std::string, std::vector<SectorPatch>>& patches) {
  for (std::size_t done = 0; done < bytes.size(); done += kSectorData, ++lba) {
    SectorData data = *area.Sector(lba);  // read once already
    const std::span<const std::byte> part = bytes.subspan(done, std::min(kSectorData, bytes.size() - done));
    if (std::equal(part.begin(), part.end(), data.begin())) continue;
    std::copy(part.begin(), part.end(), data.begin());
    const SectorPlace place = *area.Place(lba);
    patches[*files.NameOf(*place.source)].push_back(Patched(place, data));
  }
}

// What a rewrite of the boot file's sectors would run over: another extent of its file system (the
// IP.BIN's sectors, a volume descriptor, a path table, a directory, another file, or the boot file
// listed twice), in a sentence; nothing where it runs over none.
std::optional<std::string> Overlap(const Track& area, const DiscBootFile& disc) {
  const auto sectors = static_cast<std::uint32_t>((disc.boot.bytes.size() + kSectorData - 1) / kSectorData);
  const std::optional<IsoExtent> extent = IsoExtentOver(area, disc.boot.header.boot_file, disc.boot.lba, sectors);
  if (!extent) return std::nullopt;
  // "LBA 24 to 281", "LBA 16".
  const auto lbas = [](std::uint64_t from, std::uint64_t count) {
    return "LBA " + std::to_string(from) + (count > 1 ? " to " + std::to_string(from + count - 1) : "");
  };
  return EscapeControls(disc.boot.header.boot_file) + "'s sectors (" + lbas(disc.boot.lba, sectors) + ") are also " +
         extent->what + "'s (" + lbas(extent->lba, extent->sectors) + "): rewriting them would change it too";
}

// What keeps a fix from making the disc boot, in the report's sentence: a problem, or the boot code
// or the form it starts not known. What cannot be told of a lone track (where it will be burned) is
// no obstacle: the fix does not change it, and the report after says it.
std::optional<std::string> Obstacle(const std::vector<BootCheck>& checks) {
  for (const BootCheck& check : checks) {
    if (check.result == CheckResult::Problem) return check.sentence;
  }
  for (const BootCheck& check : checks) {
    if (check.result == CheckResult::CannotTell && (check.name == "boot code" || check.name == "form")) {
      return check.sentence;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> AreaSymbolsOf(std::string_view letters) {
  std::string symbols(kRegions, ' ');
  for (const char letter : letters) {
    const std::size_t region = kAreaSymbols.find(AsciiUpper(letter));
    if (region == std::string_view::npos || symbols[region] != ' ') return std::nullopt;
    symbols[region] = kAreaSymbols[region];
  }
  if (letters.empty()) return std::nullopt;
  return symbols;
}

DiscFix PlanFix(const TableOfContents& toc, TrackFiles& files, const FixRequest& request, const BootCodes& codes) {
  const DiscBoot boot = BootAreaOfContents(toc, files);
  DiscFix fix{FixOutcome::Refused, "", boot.disc, {}, {}, {}};
  JudgedDisc judged = JudgeDisc(boot.disc, Evidence::FormOnly, codes);
  const Form form = judged.judgement.form;
  const std::vector<BootCheck>& checks = judged.checks;

  DiscBootFile mended = std::move(judged.disc);  // its copy of the disc, which the checks no longer need
  Form mended_form = form;
  std::vector<std::string> mends;
  const std::optional<Form> started = StartedForm(boot.disc, codes);
  const bool program = form == Form::Unscrambled || form == Form::Scrambled || form == Form::ScrambledTwice;
  if (started && program && form != *started) {
    mended.boot.bytes = ProgramInForm(boot.disc.boot.bytes, form, *started);
    mended_form = *started;
    mends.push_back(EscapeControls(boot.disc.boot.header.boot_file) + " " + std::string(FormText(*started)));
  }
  std::vector<std::byte> bootstrap = boot.disc.boot.bootstrap;
  const std::vector<std::byte> old_bootstrap = bootstrap;
  WriteRegions(bootstrap, mended.boot.header, request.area_symbols.value_or(boot.disc.boot.header.area_symbols),
               request.area_symbols.has_value());
  if (bootstrap != old_bootstrap) {
    mends.emplace_back(request.area_symbols ? "the area symbols and texts written for the regions asked for"
                                            : "the area texts written as the area symbols claim");
  }

  if (mends.empty()) {
    const std::optional<std::string> obstacle = Obstacle(checks);
    fix.outcome = obstacle ? FixOutcome::Refused : FixOutcome::AlreadyBoots;
    fix.sentence = obstacle ? *obstacle : BootSummary(boot.disc, checks, codes);
    return fix;
  }
  if (const std::optional<std::string> obstacle = Obstacle(CheckBoot(mended, mended_form, codes))) {
    fix.sentence = *obstacle;
    return fix;
  }
  if (mended.boot.bytes != boot.disc.boot.bytes) {
    if (const std::optional<std::string> overlap = Overlap(boot.area, boot.disc)) {
      fix.outcome = FixOutcome::Unsafe;
      fix.sentence = *overlap;
      return fix;
    }
  }
  std::map<std::string, std::vector<SectorPatch>> patches;
  PatchRun(boot.area, files, boot.area.first_lba(), bootstrap, patches);
  PatchRun(boot.area, files, boot.disc.boot.lba, mended.boot.bytes, patches);
  for (auto& [file, sectors] : patches) {
    std::sort(sectors.begin(), sectors.end(),
              [](const SectorPatch& a, const SectorPatch& b) { return a.offset < b.offset; });
    if (file.empty() && toc.table_start && sectors.back().offset + sectors.back().bytes.size() > *toc.table_start) {
      fix.outcome = FixOutcome::Unsafe;
      fix.sentence = "the image's table of tracks claims sectors that its own table takes (from byte " +
                     std::to_string(*toc.table_start) + "): rewriting them would overwrite the table";
      return fix;
    }
    fix.files.push_back({file, std::move(sectors)});
  }
  fix.outcome = FixOutcome::Mended;
  for (const std::string& mend : mends) fix.sentence += (fix.sentence.empty() ? "" : "; ") + mend;
  fix.bootstrap = std::move(bootstrap);
  fix.boot_file = std::move(mended.boot.bytes);
  return fix;
}

DiscBootFile ReadBack(std::span<const std::byte> bootstrap, std::span<const std::byte> boot_file,
                      const TableOfContents& toc, TrackFiles& files) {
  DiscBoot copy = BootAreaOfContents(toc, files);
  if (!std::equal(copy.disc.boot.bootstrap.begin(), copy.disc.boot.bootstrap.end(), bootstrap.begin(), bootstrap.end()))
    RefuseAsInvalid("its IP.BIN is not the one written");
  if (!std::equal(copy.disc.boot.bytes.begin(), copy.disc.boot.bytes.end(), boot_file.begin(), boot_file.end())) {
    RefuseAsInvalid("its " + EscapeControls(copy.disc.boot.header.boot_file) + " is not the one written");
  }
  return std::move(copy.disc);
}

std::string FixedImageName(std::string_view title, bool keep_extension) {
  const std::size_t dot = title.rfind('.');
  const std::string_view stem = dot == std::string_view::npos || dot == 0 ? title : title.substr(0, dot);
  return std::string(stem) + "_fixed" + (keep_extension ? std::string(title.substr(stem.size())) : "");
}

void ApplyPatches(std::span<std::byte> bytes, std::uint64_t offset, const FilePatches& patches) {
  for (const SectorPatch& patch : patches.sectors) {
    const std::uint64_t begin = std::max(offset, patch.offset);
    const std::uint64_t end = std::min(offset + bytes.size(), patch.offset + patch.bytes.size());
    if (begin >= end) continue;
    std::copy_n(patch.bytes.begin() + static_cast<std::ptrdiff_t>(begin - patch.offset), end - begin,
                bytes.begin() + static_cast<std::ptrdiff_t>(begin - offset));
  }
}

}  // namespace quillet
