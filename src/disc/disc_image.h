#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "disc/boot_file.h"
#include "formats/table_of_contents.h"
#include "formats/track.h"
#include "inspect/judgement.h"
#include "util/byte_source.h"

// A disc image as a person holds it, and the boot file inside: a DiscJuggler image (.cdi) or an
// ISO 9660 image, which are CD-R images, a GD-ROM dump (.gdi and its track files), or a cue sheet
// and its track files or a CHD, of either kind of disc.
namespace quillet {

// "cdi", "iso", "gdi", "cue" or "chd".
std::string_view DiscFormatText(DiscFormat format);

// The format a file's name says: .cdi, .iso, .gdi, .cue or .chd, in any case; nothing for another.
std::optional<DiscFormat> DiscFormatOfName(std::string_view name);

// The format of the image in `source`: the one its file's `name` says (.cdi, .iso, .gdi, .cue or
// .chd, in any case; a malformed image so named is refused when read, saying why), else the one its
// content tells (a CHD's tag; a CDI's trailer and table; an ISO's volume descriptor at sector 16, or
// a Dreamcast bootstrap beginning its first sector, in any sector size; a .gdi's table of tracks; a
// cue sheet's FILE and TRACK lines). Nothing for any other file. A disc image of a format Quillet
// does not read (Nero, Alcohol, CloneCD) is refused by its content, whatever its name: run-time
// error 5 naming the format.
std::optional<DiscFormat> DiscFormatOf(const ByteSource& source, std::string_view name = {});

// Refuses (run-time error 5, saying why) `bytes` that no format reads but that hold a disc's data
// sectors: a Dreamcast bootstrap beginning a data sector, after a raw sector's header or a mode 2
// subheader, or followed by an ISO 9660 volume descriptor. A disc image whose table is damaged or
// missing is never judged as a program.
void RefuseUnreadableDisc(const ByteSource& file, std::string_view name = {});
inline void RefuseUnreadableDisc(std::span<const std::byte> bytes, std::string_view name = {}) {
  RefuseUnreadableDisc(MemorySource(bytes), name);
}

// The judgement of a file that is no disc image Quillet reads (named `name`), refused as
// RefuseUnreadableDisc refuses one that holds a disc's data sectors: both in one pass over it.
Judgement JudgeLooseFile(const ByteSource& file, std::string_view name, Evidence evidence = Evidence::FormOnly);
inline Judgement JudgeLooseFile(std::span<const std::byte> bytes, std::string_view name,
                                Evidence evidence = Evidence::FormOnly) {
  return JudgeLooseFile(MemorySource(bytes), name, evidence);
}

// JudgeLooseFile's judgement of `file` handed over a block at a time, as ImageJudge takes them.
class LooseFileJudge {
 public:
  LooseFileJudge(const ByteSource& file, std::string_view name, Evidence evidence);
  LooseFileJudge(const LooseFileJudge&) = delete;
  LooseFileJudge& operator=(const LooseFileJudge&) = delete;

  std::size_t Overlap() const { return judge_.Overlap(); }
  bool See(std::uint64_t offset, std::span<const std::byte> block, std::size_t fresh) {
    return judge_.See(offset, block, fresh);
  }
  // The judgement; refuses the file where it holds a disc's data sectors.
  Judgement Finish();

 private:
  const ByteSource& file_;
  std::string name_;
  PatternWatch framed_;
  ImageJudge judge_;
};

// What an image shows of the disc it makes, which decides whether the disc starts.
struct DiscLayout {
  std::vector<TocTrack> tracks;       // every track the image lists (an ISO image: its one)
  bool left_open = false;             // a CD-R left open for another session
  std::uint64_t image_size = 0;       // in bytes: the image, or a dump's track files together
  std::uint32_t boot_track_lba = 0;   // where the image puts the boot track
  std::uint32_t file_system_lba = 0;  // where the boot track's file system was made to begin
  // The track that began a second session which the image lost (a CHD's, or a cue sheet's that lost
  // its session lines), as its IP.BIN and file system prove; 0 for none.
  int lost_session = 0;
  // The track that holds the file system's directories where that is not the boot track: a data +
  // data disc's first, whose second session repeats only the IP.BIN and the volume descriptors. 0
  // where the boot track holds them.
  int directories_track = 0;
  // The sectors of the boot track's file system, and of the data tracks that hold it: more data
  // sectors than file system sectors are padding.
  std::uint64_t file_system_sectors = 0, data_sectors = 0;
};

// A disc image's boot file, with what the disc tells of it: its format, which track boots, and
// whether it is a GD-ROM's (started unscrambled) or a CD-R's (started scrambled).
struct DiscBootFile {
  DiscFormat format = DiscFormat::Iso;
  int track = 1;  // the boot track's number on the disc
  BootFile boot;
  bool gd_rom = false;  // a GD-ROM's, else a CD-R's
  DiscLayout layout;
};

// The boot file of a CDI or ISO image, which holds all its tracks. Raises run-time error 5 saying
// what is wrong with a cut or malformed image.
DiscBootFile BootOfImage(DiscFormat format, const ByteSource& image);

// The boot file of a disc, and the data area it was read from, at the file system's addresses: where
// each of its sectors, and the bootstrap's, lie in the image's files.
struct DiscBoot {
  DiscBootFile disc;
  Track area;
};

// As BootOfContents, keeping the data area.
DiscBoot BootAreaOfContents(const TableOfContents& toc, TrackFiles& files);

// The boot file of the disc `toc` describes, its tracks' bytes in `files`: its boot track (a
// GD-ROM's first data track of its high-density area, a CD-R's last session's first), read as one
// with the data tracks its file system may span, where that file system was made to begin. An ISO
// image whose file system begins at LBA 45000 is a GD-ROM's boot track.
DiscBootFile BootOfContents(const TableOfContents& toc, TrackFiles& files);

// The boot file of the disc image in `source`, whose file is named `name`, as DiscFormatOf tells
// its format; a .gdi's or a cue sheet's from its tracks' files, which `open_track` opens (a failure
// names the track file). Nothing where `source` is no disc image; raises run-time error 5 saying what is
// wrong with a cut or malformed one, or one of a format Quillet does not read.
std::optional<DiscBootFile> BootOfDisc(const ByteSource& source, std::string_view name,
                                       const TrackFileOpener& open_track);

}  // namespace quillet
