#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "disc/boot_make.h"
#include "disc/boot_report.h"
#include "formats/iso9660_writer.h"
#include "formats/table_of_contents.h"

// A self-booting CD-R image made from a boot (the IP.BIN and the program, MakeBoot's) and files: the
// file system (ISO 9660 level 1, the boot file first), the tracks and sessions of one of the two
// layouts Dreamcast CD-Rs are made in, every data sector with its error codes, written through the
// one writer of results and read back before it takes its place.
//
// Audio + data: session 1 a silent audio track of 302 sectors, session 2 a mode 2 data track at LBA
// 11,702 holding the file system made for there. Data + data: session 1 the whole file system made
// for LBA 0, session 2 its first 18 sectors (the IP.BIN and the volume descriptors, which the console
// reads at the last session's start). Every track is 302 sectors at least (4 seconds, then the 2
// empty sectors that end a data track) after its 150-sector pregap.
namespace quillet {

class ReplacementFile;

enum class MadeLayout { AudioData, DataData };

// A file for the disc's file system: where it goes ("DATA/MAP.BIN") and where it is read from.
struct MadeFile {
  std::string disc_path;
  std::string path;
};

struct MakeRequest {
  MadeBoot boot;
  std::vector<MadeFile> files;
  MadeLayout layout = MadeLayout::AudioData;
  std::int64_t time = 0;  // the file system's dates, seconds since 1970 (UTC)
  std::string output;     // .cdi, .cue (and a file a track beside it) or .iso
  bool replace = false;   // an earlier result at `output` may be replaced
  BootCodes codes;        // what the read-back disc's report takes for stock, and the known loaders
};

struct MadeDisc {
  std::string path;  // the image, or the sheet
  JudgedDisc judged;
};

// The largest sector of an 80-minute CD-R a track may reach (79:59:74).
inline constexpr std::uint32_t kCdrEnd = 80 * 60 * 75 - 150;

class DiscMaker {
 public:
  // Lays the disc out. Raises run-time error 5 where the output's extension names no format made
  // (.cdi, .cue, .iso), where an ISO is asked of a data + data disc, for a file name the file system
  // cannot hold (naming the file), and where the whole is larger than an 80-minute CD-R (with the
  // sizes); a file that cannot be looked at raises the system's error.
  explicit DiscMaker(MakeRequest request);
  DiscMaker(const DiscMaker&) = delete;
  DiscMaker& operator=(const DiscMaker&) = delete;
  ~DiscMaker();

  DiscFormat format() const { return format_; }
  // The files it writes: the image, or the sheet and then its track files beside it.
  std::vector<std::string> Targets() const;
  // Writes them whole or not at all, an earlier result replaced only where the request allows it
  // (else ResultExists), reads the disc back, and keeps it only where it holds the boot written and
  // its report finds nothing that stops it booting.
  MadeDisc Write() const;

 private:
  struct Track;
  // Writes `track`'s sectors of `size` bytes (2,048: the file system's alone; 2,336; 2,352) from `at`
  // in `out`.
  void WriteTrack(ReplacementFile& out, std::uint64_t at, const Track& track, std::size_t size) const;

  MakeRequest request_;
  DiscFormat format_ = DiscFormat::Cdi;
  std::unique_ptr<IsoImage> volume_;
  std::vector<Track> tracks_;
};

}  // namespace quillet
