#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/disc_maker.h"

// quillet make, its options already read.
namespace quillet {

struct MakeOptions {
  std::string ip;                           // the user's IP.BIN, or a disc image to take it from
  std::optional<std::string> output;        // .cdi, .cue or .iso; else PROGRAM's name as a .cdi beside it
  std::string title;                        // empty: the IP.BIN's own
  std::optional<std::string> area_symbols;  // --regions, as area symbols ("JUE", " U ")
  MadeLayout layout = MadeLayout::AudioData;
  std::int64_t time = 0;  // the disc's dates: SOURCE_DATE_EPOCH, or now
  bool force = false;     // an earlier result may be replaced
};

// Makes a self-booting CD-R image of `program` (an SH ELF file, or a 1ST_READ.BIN in either form) and
// `files` (files and folders, each under its own name beside 1ST_READ.BIN); returns the exit status.
int RunMake(const std::string& program, const std::vector<std::string>& files, const MakeOptions& options,
            std::ostream& out, std::ostream& err);

}  // namespace quillet
