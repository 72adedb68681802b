#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "util/byte_source.h"

// Disc images Quillet does not read: the formats it knows by their content, and disc data sectors
// in a file whose table of tracks is damaged or missing. Neither may be judged as a program.
namespace quillet {

// The format of a disc image Quillet does not read, as a person calls it ("a Nero image"): Nero,
// Alcohol, a CloneCD control file. Nothing for any other file.
std::optional<std::string_view> ForeignImageFormat(const ByteSource& source);

// True when the Dreamcast hardware ID at `offset` of `source` begins a bootstrap in a data sector:
// after a raw sector's sync and header (and subheader), after a mode 2 form 1 subheader (its two
// copies alike, its data bit set), or 16 sectors before a volume descriptor.
bool BeginsFramedBootstrap(const ByteSource& source, std::uint64_t offset);

// Where a Dreamcast bootstrap begins a data sector in `source`, first; nothing where none does.
std::optional<std::uint64_t> FramedBootstrap(const ByteSource& source);

}  // namespace quillet
