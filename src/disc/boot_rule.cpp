#include "disc/boot_rule.h"

#include <algorithm>

#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::uint64_t kStockBootCodes[] = {
    0xd6856482a3e601f4,  // the original makeip template: most homebrew discs, and many commercial ones
    0xf50e6f6148ae7936,  // the KallistiOS makeip default template
    0xe608d8500419655b,  // another stock bootstrap, shared by several commercial discs
    0x367055d51525b3fd,  // a later stock bootstrap: commercial discs, and GD-ROM menus that drive emulators boot
};

bool Decided(Form form) { return form == Form::Scrambled || form == Form::Unscrambled || form == Form::ScrambledTwice; }

// "an unscrambled 1ST_READ.BIN", "a 1ST_READ.BIN scrambled twice".
std::string InForm(Form form, const std::string& name) {
  if (form == Form::ScrambledTwice) return "a " + name + " scrambled twice";
  return (form == Form::Unscrambled ? "an " : "a ") + std::string(FormText(form)) + " " + name;
}

}  // namespace

std::span<const std::uint64_t> StockBootCodes() { return kStockBootCodes; }

std::optional<bool> Boots(const DiscBootFile& disc, Form form, std::span<const std::uint64_t> stock) {
  if (!Decided(form)) return std::nullopt;
  if (std::find(stock.begin(), stock.end(), disc.boot.header.boot_code) == stock.end()) return std::nullopt;
  return form == (disc.gd_rom ? Form::Unscrambled : Form::Scrambled);
}

std::string BootNote(const DiscBootFile& disc, Form form, std::span<const std::uint64_t> stock) {
  if (!Decided(form)) return "";
  const std::optional<bool> boots = Boots(disc, form, stock);
  if (boots == true) return "";
  const std::string name = EscapeControls(disc.boot.header.boot_file);
  if (!boots) {
    return "its IP.BIN carries boot code of its own: whether it starts " + InForm(form, name) + " depends on that code";
  }
  return name + " is " + std::string(FormText(form)) +
         (disc.gd_rom ? "; a GD-ROM boots only an unscrambled one" : "; a CD-R boots only a scrambled one");
}

}  // namespace quillet
