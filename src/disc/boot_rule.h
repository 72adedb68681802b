#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "disc/disc_image.h"
#include "inspect/judgement.h"

// Whether a disc starts its boot file in the form it has. The console's own boot code loads the
// boot file itself: a CD-R's starts it only scrambled, a GD-ROM's only unscrambled. A bootstrap
// with code of its own (a loader) may do anything: of such a disc nothing is claimed, unless the
// loader is one whose behaviour is established.
namespace quillet {

// The hashes (BootHeader::boot_code) of the stock boot code, with which the console loads the boot
// file: those established, then any a person vouches for: the environment's QUILLET_TRUSTED_BOOT_CODE
// (hashes of 16 hex digits, as quillet scan --json gives boot_code, separated by commas), or
// TrustBootCode's.
std::span<const std::uint64_t> StockBootCodes();

// What of QUILLET_TRUSTED_BOOT_CODE is not taken (a part that is no hash, or one past the room), in a
// sentence that names the variable and each such part; nothing where all of it is taken.
std::optional<std::string> TrustedBootCodeWarning();

// Takes boot code of the hash `boot_code` for stock from now on (up to a few such hashes).
void TrustBootCode(std::uint64_t boot_code);

// Boot code of a disc's own that is known to start a boot file of one form, whatever the disc.
struct KnownLoader {
  std::uint64_t boot_code = 0;  // its hash
  Form starts = Form::Unscrambled;
  std::string_view words;  // what it is, after "its IP.BIN carries "
};

// The loaders established so far.
std::span<const KnownLoader> KnownLoaders();

// The boot code tables a judgement uses: the stock codes, and the known loaders.
struct BootCodes {
  std::span<const std::uint64_t> stock = StockBootCodes();
  std::span<const KnownLoader> loaders = KnownLoaders();
};

// The known loader `disc` carries, or nothing.
const KnownLoader* LoaderOf(const DiscBootFile& disc, const BootCodes& codes = {});

// Whether `disc`'s boot code is stock.
bool HasStockBootCode(const DiscBootFile& disc, const BootCodes& codes = {});

// Whether `disc` starts its boot file in `form`: by the stock boot code's rule, or as a known loader
// starts it. Nothing where that cannot be told: the form is not decided, or the boot code is the
// disc's own and not known.
std::optional<bool> Boots(const DiscBootFile& disc, Form form, const BootCodes& codes = {});

// What a person should know about that, in a sentence ("1ST_READ.BIN is unscrambled; a CD-R boots
// only a scrambled one", or that the IP.BIN carries boot code of its own); empty where the boot
// file is in the form its disc starts, or its form is not decided.
std::string BootNote(const DiscBootFile& disc, Form form, const BootCodes& codes = {});

// What a person can do about boot code of a disc's own: "; try the disc on an emulator before
// burning it".
inline constexpr std::string_view kTryOwnBootCode = "; try the disc on an emulator before burning it";

}  // namespace quillet
