#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace quillet {

// The raw binary of a 32-bit little-endian SH executable, as `sh-elf-objcopy -O binary` makes it:
// the sections that are loaded and have contents, each at its load address less the lowest one,
// the gaps between them filled with zeros. Every header field is checked against the file's bounds;
// anything else than such an executable raises run-time error 5 saying what is wrong. The desktop
// programs run the real objcopy; this serves where no program can be run, such as a browser.
std::vector<std::byte> RawBinaryOfElf(std::span<const std::byte> elf);

// Raises what RawBinaryOfElf raises for an executable whose sections lie too far apart to make a
// raw binary of (naming the lowest and highest load addresses), and nothing for any other fault:
// for a program that runs objcopy, before it makes a file of gigabytes.
void RefuseSectionsTooFarApart(std::span<const std::byte> elf);

}  // namespace quillet
