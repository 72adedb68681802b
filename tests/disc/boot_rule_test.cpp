// Whether a disc starts its boot file in the form it has: a CD-R scrambled, a GD-ROM unscrambled, a
// known loader what it starts, and of a disc whose boot code is its own and unknown nothing is claimed.
#include "disc/boot_rule.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet {
namespace {

TEST(BootRuleTest, WhetherTheDiscStartsItsBootFile) {
  DiscBootFile cd_r{DiscFormat::Cdi, 2, {}, false, {}};
  DiscBootFile gd_rom{DiscFormat::Gdi, 3, {}, true, {}};
  cd_r.boot.header.boot_file = gd_rom.boot.header.boot_file = "1ST_READ.BIN";
  cd_r.boot.header.boot_code = gd_rom.boot.header.boot_code = 42;
  const std::uint64_t stock_codes[] = {7, 42};
  const KnownLoader loaders[] = {{42, Form::Unscrambled, "a patched loader that starts an unscrambled program"}};
  const BootCodes stock{stock_codes, {}}, own{{}, {}}, loader{{}, loaders};
  struct Row {
    const DiscBootFile& disc;
    Form form;
    const BootCodes& codes;
    std::optional<bool> boots;
    const char* note;
  };
  for (const Row& row : std::vector<Row>{
           {cd_r, Form::Scrambled, stock, true, ""},
           {cd_r, Form::Unscrambled, stock, false, "1ST_READ.BIN is unscrambled; a CD-R boots only a scrambled one"},
           {cd_r, Form::ScrambledTwice, stock, false,
            "1ST_READ.BIN is scrambled twice; a CD-R boots only a scrambled one"},
           {cd_r, Form::Unscrambled, own, std::nullopt,
            "its IP.BIN carries boot code of its own: whether it starts an unscrambled 1ST_READ.BIN depends on that "
            "code; try the disc on an emulator before burning it"},
           {cd_r, Form::ScrambledTwice, own, std::nullopt,
            "its IP.BIN carries boot code of its own: whether it starts a 1ST_READ.BIN scrambled twice depends on that "
            "code; try the disc on an emulator before burning it"},
           {cd_r, Form::Unscrambled, loader, true, ""},
           {cd_r, Form::Scrambled, loader, false,
            "1ST_READ.BIN is scrambled; its IP.BIN carries a patched loader that starts an unscrambled program, which "
            "does not start a scrambled one"},
           {cd_r, Form::Undecided, stock, std::nullopt, ""},
           {gd_rom, Form::Unscrambled, stock, true, ""},
           {gd_rom, Form::Scrambled, stock, false, "1ST_READ.BIN is scrambled; a GD-ROM boots only an unscrambled one"},
           {gd_rom, Form::Scrambled, own, std::nullopt,
            "its IP.BIN carries boot code of its own: whether it starts a scrambled 1ST_READ.BIN depends on that code; "
            "try the disc on an emulator before burning it"},
           {gd_rom, Form::NotAProgram, stock, std::nullopt, ""},
       }) {
    const std::string label = std::string(DiscFormatText(row.disc.format)) + ", " + std::string(FormText(row.form)) +
                              (row.codes.stock.empty() ? ", own code" : "");
    EXPECT_EQ(Boots(row.disc, row.form, row.codes), row.boots) << label;
    EXPECT_EQ(BootNote(row.disc, row.form, row.codes), row.note) << label;
  }
  // The stock boot code the console loads its boot file with, by the hash of its code alone.
  EXPECT_EQ(
      std::vector<std::uint64_t>(StockBootCodes().begin(), StockBootCodes().end()),
      (std::vector<std::uint64_t>{0xd6856482a3e601f4, 0xf50e6f6148ae7936, 0xe608d8500419655b, 0x367055d51525b3fd}));
  ASSERT_EQ(KnownLoaders().size(), 1u);
  EXPECT_EQ(KnownLoaders().front().boot_code, 0x6b281fa33535b6adu);
}

}  // namespace
}  // namespace quillet
