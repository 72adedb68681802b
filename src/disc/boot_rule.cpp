#include "disc/boot_rule.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iterator>
#include <string_view>
#include <vector>

#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::uint64_t kStockBootCodes[] = {
    0xd6856482a3e601f4,  // the original makeip template: most homebrew discs, and many commercial ones
    0xf50e6f6148ae7936,  // the KallistiOS makeip default template
    0xe608d8500419655b,  // another stock bootstrap, shared by several commercial discs
    0x367055d51525b3fd,  // a later stock bootstrap: commercial discs, and GD-ROM menus that drive emulators boot
};

constexpr std::size_t kMostTrusted = 8;

constexpr KnownLoader kKnownLoaders[] = {
    // A widely used patched bootstrap: it loads the boot file itself, unscrambled, from a CD-R.
    {0x6b281fa33535b6ad, Form::Unscrambled, "a patched loader that starts an unscrambled program"},
};

bool Decided(Form form) { return form == Form::Scrambled || form == Form::Unscrambled || form == Form::ScrambledTwice; }

// "an unscrambled 1ST_READ.BIN", "a 1ST_READ.BIN scrambled twice".
std::string InForm(Form form, const std::string& name) {
  if (form == Form::ScrambledTwice) return "a " + name + " scrambled twice";
  return (form == Form::Unscrambled ? "an " : "a ") + std::string(FormText(form)) + " " + name;
}

// "an unscrambled one", "a scrambled one", "one scrambled twice".
std::string OneIn(Form form) {
  if (form == Form::ScrambledTwice) return "one scrambled twice";
  return form == Form::Unscrambled ? "an unscrambled one" : "a scrambled one";
}

// The variable's text, or nothing.
std::string_view TrustedVariable() {
  const char* text = std::getenv("QUILLET_TRUSTED_BOOT_CODE");
  return text ? text : "";
}

// Reads the hashes of `text` (separated by commas) into `codes`, up to its capacity; returns the
// parts that are no hash, and those past the room.
std::vector<std::string_view> ReadHashes(std::string_view text, std::vector<std::uint64_t>& codes) {
  std::vector<std::string_view> unheeded;
  while (!text.empty()) {
    const std::string_view hash = text.substr(0, text.find(','));
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(hash.data(), hash.data() + hash.size(), value, 16);
    if (error != std::errc() || end != hash.data() + hash.size() || hash.empty() || codes.size() == codes.capacity()) {
      unheeded.push_back(hash);
    } else {
      codes.push_back(value);
    }
    text.remove_prefix(std::min(text.size(), hash.size() + 1));
  }
  return unheeded;
}

// The stock codes and those vouched for. Its room is kept from the start, so that a span of it taken
// earlier stays good when a hash is vouched for later.
std::vector<std::uint64_t>& StockCodes() {
  static std::vector<std::uint64_t> codes = [] {
    std::vector<std::uint64_t> established(std::begin(kStockBootCodes), std::end(kStockBootCodes));
    established.reserve(established.size() + kMostTrusted);
    ReadHashes(TrustedVariable(), established);
    return established;
  }();
  return codes;
}

}  // namespace

std::span<const std::uint64_t> StockBootCodes() { return StockCodes(); }

void TrustBootCode(std::uint64_t boot_code) {
  std::vector<std::uint64_t>& codes = StockCodes();
  if (codes.size() < codes.capacity()) codes.push_back(boot_code);
}

std::optional<std::string> TrustedBootCodeWarning() {
  std::vector<std::uint64_t> room;
  room.reserve(kMostTrusted);
  const std::vector<std::string_view> unheeded = ReadHashes(TrustedVariable(), room);
  if (unheeded.empty()) return std::nullopt;
  std::string parts;
  for (const std::string_view part : unheeded) parts += (parts.empty() ? "'" : ", '") + EscapeControls(part) + "'";
  return "QUILLET_TRUSTED_BOOT_CODE: " + parts + (unheeded.size() == 1 ? " is" : " are") +
         " not taken: it holds at most " + std::to_string(kMostTrusted) +
         " hashes of hex digits (as quillet scan --json gives boot_code), separated by commas, without blanks "
         "or 0x";
}

std::span<const KnownLoader> KnownLoaders() { return kKnownLoaders; }

const KnownLoader* LoaderOf(const DiscBootFile& disc, const BootCodes& codes) {
  const auto loader = std::find_if(codes.loaders.begin(), codes.loaders.end(), [&](const KnownLoader& known) {
    return known.boot_code == disc.boot.header.boot_code;
  });
  return loader == codes.loaders.end() ? nullptr : &*loader;
}

bool HasStockBootCode(const DiscBootFile& disc, const BootCodes& codes) {
  return std::find(codes.stock.begin(), codes.stock.end(), disc.boot.header.boot_code) != codes.stock.end();
}

std::optional<bool> Boots(const DiscBootFile& disc, Form form, const BootCodes& codes) {
  if (!Decided(form)) return std::nullopt;
  if (HasStockBootCode(disc, codes)) return form == (disc.gd_rom ? Form::Unscrambled : Form::Scrambled);
  if (const KnownLoader* loader = LoaderOf(disc, codes)) return form == loader->starts;
  return std::nullopt;
}

std::string BootNote(const DiscBootFile& disc, Form form, const BootCodes& codes) {
  if (!Decided(form)) return "";
  const std::optional<bool> boots = Boots(disc, form, codes);
  if (boots == true) return "";
  const std::string name = EscapeControls(disc.boot.header.boot_file);
  if (!boots) {
    return "its IP.BIN carries boot code of its own: whether it starts " + InForm(form, name) +
           " depends on that code" + std::string(kTryOwnBootCode);
  }
  const std::string is = name + " is " + std::string(FormText(form));
  if (const KnownLoader* loader = LoaderOf(disc, codes); loader && !HasStockBootCode(disc, codes)) {
    return is + "; its IP.BIN carries " + std::string(loader->words) + ", which does not start " + OneIn(form);
  }
  return is + (disc.gd_rom ? "; a GD-ROM boots only an unscrambled one" : "; a CD-R boots only a scrambled one");
}

}  // namespace quillet
