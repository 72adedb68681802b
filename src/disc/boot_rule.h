#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "disc/disc_image.h"
#include "inspect/judgement.h"

// Whether a disc starts its boot file in the form it has. The console's own boot code loads the
// boot file itself: a CD-R's starts it only scrambled, a GD-ROM's only unscrambled. A bootstrap
// with code of its own (a loader) may do anything, so of such a disc nothing is claimed.
namespace quillet {

// The hashes (BootHeader::boot_code) of the stock boot code, with which the console loads the boot file.
std::span<const std::uint64_t> StockBootCodes();

// Whether `disc` starts its boot file in `form`, its bootstrap's code being stock where its hash is
// one of `stock`. Nothing where that cannot be told: the form is not decided, or the boot code is
// the disc's own.
std::optional<bool> Boots(const DiscBootFile& disc, Form form, std::span<const std::uint64_t> stock = StockBootCodes());

// What a person should know about that, in a sentence ("1ST_READ.BIN is unscrambled; a CD-R boots
// only a scrambled one", or that the IP.BIN carries boot code of its own); empty where the boot
// file is in the form its disc starts, or its form is not decided.
std::string BootNote(const DiscBootFile& disc, Form form, std::span<const std::uint64_t> stock = StockBootCodes());

}  // namespace quillet
