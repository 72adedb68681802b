#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "disc/boot_rule.h"
#include "disc/disc_image.h"
#include "formats/table_of_contents.h"

// A disc image made to boot: of what its boot report calls a problem, what can be mended without a
// guess (the boot file's form, for boot code whose rule is known; the area texts), as new bytes for
// sectors of the image's files. A boot file keeps its length in either form and the IP.BIN its
// place, so nothing moves: a fix rewrites sectors where they lie, their error codes made again.
namespace quillet {

struct FixRequest {
  // The regions the disc is to claim, symbols and texts both, as area symbols in their own order
  // ("J U", "JUE"); nothing to keep the symbols and write the texts as they claim.
  std::optional<std::string> area_symbols;
};

// The area symbols for the regions `letters` names (J, U and E, in any order and case, each once):
// "JUE", "J  ", " U ". Nothing for any other letter, a repeated one, or none at all.
std::optional<std::string> AreaSymbolsOf(std::string_view letters);

// A sector's new bytes, whole as the image keeps it (raw, 2,336 or 2,048 bytes), at `offset` in its file.
struct SectorPatch {
  std::uint64_t offset = 0;
  std::vector<std::byte> bytes;
};

// The sectors of one of the image's files that change; `file` as TrackFiles names it ("" the image).
struct FilePatches {
  std::string file;
  std::vector<SectorPatch> sectors;  // in the order of their offsets
};

// Refused: a fix would take a guess. Unsafe: rewriting the sectors would change more than the
// disc's boot (another file, a directory, the image's own table).
enum class FixOutcome { Mended, AlreadyBoots, Refused, Unsafe };

struct DiscFix {
  FixOutcome outcome = FixOutcome::Refused;
  // Mended: what was mended ("1ST_READ.BIN scrambled; the area texts written as the area symbols
  // claim"); AlreadyBoots: the report's summary; Refused: why not, the report's own sentence;
  // Unsafe: what the rewritten sectors would run over.
  std::string sentence;
  DiscBootFile disc;               // as the image holds it
  std::vector<FilePatches> files;  // Mended: the files that change
  // Mended: the bootstrap's 32 KiB and the boot file as the fixed disc holds them.
  std::vector<std::byte> bootstrap, boot_file;
};

// What fixing the disc `toc` describes (its files in `files`) takes. Sectors whose error codes check
// out get them made again; sectors that carry none, or none that are right, keep theirs. Raises
// run-time error 5 where the image cannot be read, as the boot report does.
DiscFix PlanFix(const TableOfContents& toc, TrackFiles& files, const FixRequest& request, const BootCodes& codes = {});

// The disc `toc` describes (its files in `files`: a copy just written), where it holds `bootstrap` and
// the boot file `boot_file`. Raises run-time error 5 saying why not: it does not read, or its
// bootstrap or boot file differ from those written.
DiscBootFile ReadBack(std::span<const std::byte> bootstrap, std::span<const std::byte> boot_file,
                      const TableOfContents& toc, TrackFiles& files);
inline DiscBootFile ReadBack(const DiscFix& fix, const TableOfContents& toc, TrackFiles& files) {
  return ReadBack(fix.bootstrap, fix.boot_file, toc, files);
}

// The form `disc`'s boot code starts: the stock code's by the kind of disc (scrambled on a CD-R,
// unscrambled on a GD-ROM), a known loader's own. Nothing for boot code of the disc's own that is not
// known.
std::optional<Form> StartedForm(const DiscBootFile& disc, const BootCodes& codes = {});

// `bytes`, a program in `form` (scrambled, unscrambled or scrambled twice), made `target`: unscrambled
// as often as it was scrambled, then scrambled once where the target is.
std::vector<std::byte> ProgramInForm(std::vector<std::byte> bytes, Form form, Form target);

// The name of a fixed image of the one named `title`: "dk.cdi" as "dk_fixed.cdi"; without
// `keep_extension` (the folder a set goes in), "disc.gdi" as "disc_fixed".
std::string FixedImageName(std::string_view title, bool keep_extension);

// `bytes`, the sectors of a file from `offset`, with the patches that fall inside written over them.
void ApplyPatches(std::span<std::byte> bytes, std::uint64_t offset, const FilePatches& patches);

}  // namespace quillet
