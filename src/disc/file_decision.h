#pragma once

#include <optional>
#include <string_view>

#include "util/byte_source.h"

// What a file is, decided once, in one order, for every program that takes a file: the window, the
// command line and the page each ask this, and show the answer in their own words.
namespace quillet {

enum class FileKind {
  IpBinByName,  // named IP.BIN: refused by its name alone, never read further
  DiscImage,    // a disc image, by its name (.cdi, .iso, .gdi, .cue, .chd) or else by its content
  Elf,          // an ELF file, by its first four bytes: converted, not judged
  Loose,        // anything else: a program in some form, no program, or an IP.BIN by its content,
                // as its judgement says
};

// Decides what `file`, named `name`, is, in that order. Raises run-time error 5 for a disc image of
// a format Quillet does not read, as DiscFormatOf does.
FileKind KindOfFile(const ByteSource& file, std::string_view name);
// The first step alone, which needs no file opened: IpBinByName, or nothing where the name decides
// nothing.
std::optional<FileKind> KindByName(std::string_view name);

}  // namespace quillet
