#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/byte_source.h"

// What every reader of a disc image fills, whatever the format: the disc's tracks, where each lies
// on the disc and where its bytes lie in the image's files. The boot track, the data area, the
// layout and the padding are all told from this alone.
namespace quillet {

enum class DiscFormat { Cdi, Iso, Gdi, Cue, Chd };

// How a track's sectors lie in the image's bytes: data or audio, and the bytes a sector takes
// (2048, 2336, 2352, 2368 or 2448).
struct SectorForm {
  bool data = true;
  std::uint32_t size = 2352;
};

// The form a table names a track's mode by: a cue sheet's ("MODE1/2352", "MODE2/2336", "AUDIO", in
// any case), a CHD's ("MODE1_RAW", "MODE2_FORM1", ...), or a .gdi's type and sector size ("4 2352",
// "0 2352"). Nothing for a mode no Dreamcast disc has.
std::optional<SectorForm> SectorFormOf(std::string_view mode);

// A track of the disc an image makes.
struct TocTrack {
  int number = 1, session = 1;  // counted from 1, as a person names them
  bool data = true;             // else audio
  bool high_density = false;    // in a GD-ROM's high-density area
  std::uint32_t sector_size = 2352;
  std::uint32_t start_lba = 0;  // on the disc, of its first sector after the pregap (INDEX 01)
  std::uint32_t pregap = 0;     // the sectors before that, on the disc
  std::uint32_t sectors = 0;    // from there, that the image holds
  std::string file;             // the file its bytes lie in, as TrackFiles names it ("" the image)
  std::uint64_t offset = 0;     // in that file, of its first sector
};

struct TableOfContents {
  DiscFormat format = DiscFormat::Iso;
  std::vector<TocTrack> tracks;  // in the order of their numbers
  bool gd_rom = false;           // a GD-ROM's (a high-density area from LBA 45000), else a CD-R's
  bool left_open = false;        // a CD-R left open for another session (only a CDI records it)
  std::uint64_t image_size = 0;  // in bytes: the image, or a dump's track files together
  // Where the image's own table of tracks begins in it (a CDI's, which runs to its end): no track's
  // sectors lie there. Nothing where the table is a file of its own.
  std::optional<std::uint64_t> table_start;
};

// Opens the file of a track that a table names (`file`, in the table's folder): beside it on disk,
// or among the files chosen with it on the page. Raises a run-time error saying why it cannot.
using TrackFileOpener = std::function<std::unique_ptr<ByteSource>(const std::string& file)>;

// The files an image's tracks lie in, each opened once, as it is first asked for: the image itself
// (""), the track files its table names, and what a reader makes of its own (a CHD's tracks).
class TrackFiles {
 public:
  explicit TrackFiles(const ByteSource& image, TrackFileOpener opener = {});

  // The file `name` names; a failure to open a track file names it (run-time error 5 for one that
  // is not there on the page, the system's error otherwise).
  const ByteSource& Open(const std::string& name);
  // Whether `name` can be opened; an audio track's file may be missing without harm.
  std::optional<std::uint64_t> SizeIfThere(const std::string& name);
  // The name of `file`, one of these files ("" the image itself); nothing for another.
  std::optional<std::string> NameOf(const ByteSource& file) const;
  // A file a reader makes, under `name`, and what it reads from, kept while the files are.
  void Add(const std::string& name, std::unique_ptr<ByteSource> file, std::shared_ptr<const void> keep = {});

 private:
  TrackFileOpener opener_;
  std::vector<std::shared_ptr<const void>> kept_;  // outlives the files that read from it
  std::map<std::string, std::unique_ptr<ByteSource>, std::less<>> files_;
  const ByteSource& image_;
};

}  // namespace quillet
