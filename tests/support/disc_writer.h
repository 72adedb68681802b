#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// Disc images made for the tests from an ISO image: the layouts that DiscJuggler (.cdi) and GD-ROM
// dumps (.gdi) use, written from their public descriptions.
namespace quillet::testing {

// The tests keep images in strings; the readers take bytes, and give the boot file back as bytes.
inline std::span<const std::byte> AsBytes(const std::string& bytes) {
  return {reinterpret_cast<const std::byte*>(bytes.data()), bytes.size()};
}
inline std::string AsText(const std::vector<std::byte>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Each 2,048-byte sector of `iso` as a sector of `size` bytes: as it is (2048), after a mode 2
// subheader (2336), or raw (2352, or 2368 and 2448 with a zero subchannel) with its sync, a header of
// `mode` 1 or 2 and a subheader for mode 2 (form 1 data). Every sector but a 2,048-byte one carries
// its EDC and error codes, as a drive reads them; where `first_lba` is given, raw sectors carry their
// addresses from there, else none.
std::string Sectors(const std::string& iso, std::size_t size, int mode, std::optional<std::uint32_t> first_lba = {});

// The releases whose tables differ: version 2; version 3, bare or as release 3.00.780 wrote it
// (blocks of its own before and after each track's entry); version 3.5 as release 4 wrote it.
enum class CdiRelease { Version2, Version3, Version3Build780, Version35 };

struct CdiTrackLayout {
  std::uint32_t sector_size = 2352;
  int mode = 0;  // 0 audio, 1 mode 1, 2 mode 2
  std::uint32_t pregap = 150, length = 0;
  std::uint32_t start_lba = 0;  // of its first sector after the pregap
  std::string title;            // where not empty: the track's CD-Text, and its second half as index 2
};

// Where a track's fields lie in a CDI's table, counted from the table's start.
struct CdiEntryFields {
  std::size_t start_mark, index_points, pregap, text_blocks, length;
};

// The table and trailer that follow the tracks' data (each track's pregap, then its sectors, in
// order) in a CDI of these sessions; `data_size`: the bytes of that data. Where `fields` is given,
// it gets each track's fields, in order.
std::string CdiTable(const std::vector<std::vector<CdiTrackLayout>>& sessions, CdiRelease release,
                     std::uint64_t data_size, std::vector<CdiEntryFields>* fields = nullptr);

// A self-boot CD-R as DiscJuggler keeps one: an audio session, then a data session whose one track
// holds an ISO made for a session at LBA 11702, in `data_sectors` sectors of `sector_size` bytes.
struct SelfBootLayout {
  SelfBootLayout(std::uint32_t data_sectors, std::uint32_t sector_size);
  std::uint64_t data_start() const;  // where the data track's first sector lies in the image
  std::uint64_t data_end() const;    // where the table follows
  std::string Table(CdiRelease release, std::vector<CdiEntryFields>* fields = nullptr) const {
    return CdiTable({{audio}, {data}}, release, data_end(), fields);
  }

  CdiTrackLayout audio, data;
};

// That CD-R, its data track holding `iso`.
std::string SelfBootCdi(const std::string& iso, std::uint32_t sector_size, CdiRelease release);

// A CD-R of two data sessions: the first a track of 302 empty sectors, the second `iso` (made for
// LBA 11702) in mode 2 sectors.
std::string DataDataCdi(const std::string& iso);

// The files of a disc image made of several, each by its name beside the table (a name may hold a
// folder: "tracks/x.bin"), with its bytes; the table first.
using FileSet = std::vector<std::pair<std::string, std::string>>;

// `sectors` of CD audio as a track file holds it: 16-bit little-endian stereo samples of tones and
// noise, never silence, which would hide a sample's byte order.
std::string CdAudio(std::uint32_t sectors);

// A GD-ROM dump: disc.gdi, two low-density tracks, and the boot track `name` holding `iso` (made for
// LBA 45000) in sectors of `sector_size` bytes.
FileSet GdiSet(const std::string& iso, std::uint32_t sector_size, const std::string& name);

// A self-boot CD-R as a cue sheet (disc.cue) and a file a track: an audio session of 302 sectors of
// CdAudio, so that the data session begins at LBA 11702, then `iso` (made for that LBA) in raw mode
// 2 sectors.
FileSet CueSet(const std::string& iso);

// A CD-R of two data sessions as a cue sheet (disc.cue) and a file a track: the first session's track
// of 302 empty mode 1 sectors, so that the second session begins at LBA 11702, then `iso` (made for
// that LBA) in raw mode 2 sectors.
FileSet DataDataSet(const std::string& iso);

// A CD-R of two data sessions the other way: the first session's track holds `iso` whole (made for LBA
// 0, padded to 300 sectors, and 2 more), the second's its first 18 sectors (the IP.BIN and the volume
// descriptors, whose directories lie in the first session) and empty ones to 302, in raw mode 2.
FileSet HeaderSessionSet(const std::string& iso);

// A GD-ROM dump as Redump writes its cue sheet (disc.cue), whose high-density area's file system (the
// ISO, made for LBA 45000) spans two data tracks with an audio track between: the ISO's sectors 120
// to 420, which its file system leaves to a file nothing reads, become the audio track 4; track 5's
// file begins with its pregap of 225 sectors.
FileSet SplitSet(const std::string& iso);

// An ISO 9660 directory record of a file or (with `directory`) a folder.
std::string DirectoryRecord(std::uint32_t lba, std::uint32_t size, bool directory, const std::string& name);

// The first sectors of an ISO image whose root directory lists `count` folders, each claiming an
// extent of `extent` bytes: `iso`'s bootstrap and volume descriptors, the root at sector 24, and
// nothing after it; the rest of the image is the caller's (zeros, or a hole).
std::string DirectoryBomb(const std::string& iso, int count, std::uint32_t extent);

// A CHD without codecs, as chdman -c none writes one: the 124-byte header, the map (a hunk's place
// in the file, counted in hunks, or 0 for one never written), the metadata's entries chained one
// after the other, each `tag`'s ("CHT2" for a CD, "CHGD" for a GD-ROM), then the hunks, each at its
// place. `hunks[i]` holds hunk i's bytes (at most `hunk_bytes`), or is empty for one never written.
struct PlainChd {
  std::uint32_t hunk_bytes = 8 * 2448;
  std::vector<std::string> hunks;
  std::vector<std::string> tracks;  // the entries' texts: "TRACK:1 TYPE:MODE1 SUBTYPE:NONE FRAMES:8"
  std::string tag = "CHT2";

  std::uint64_t metadata_offset() const { return 124 + 4 * hunks.size(); }
  std::string Bytes() const;
};

// A .gdi of 99 tracks, each naming `file`: two in the low-density area, the rest data tracks of the
// high-density area.
std::string GdiOf99Tracks(const std::string& file);

}  // namespace quillet::testing
