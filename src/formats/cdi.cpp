#include "formats/cdi.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <string>

#include "formats/disc_geometry.h"
#include "util/little_endian.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

constexpr std::uint32_t kVersion2 = 0x80000004, kVersion3 = 0x80000005, kVersion35 = 0x80000006;
constexpr std::size_t kTrailer = 8;
constexpr std::size_t kMostSessions = kMostTracks;  // a session holds a track at least
constexpr std::uint32_t kMostTextBlocks = 8;        // CD-Text: one block per language
constexpr int kTextStrings = 18;                    // in a block of CD-Text
constexpr std::array<std::uint8_t, 10> kTrackMark = {0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};

// A table is a few hundred bytes a track; a longer one is no table.
constexpr std::uint64_t kLongestTable = 1 << 20;

struct Trailer {
  std::uint32_t version;
  std::uint64_t table_start;  // in the image
};

// The trailer: the version, then where the table begins (an offset from the image's start in
// versions 2 and 3, the table's length counted back from the image's end in 3.5). Nothing where
// the last 8 bytes are no trailer.
std::optional<Trailer> ReadTrailer(const ByteSource& image) {
  if (image.size() < kTrailer) return std::nullopt;
  std::array<std::byte, kTrailer> trailer;
  image.Read(image.size() - kTrailer, trailer);
  const std::uint32_t version = LittleEndian32(trailer, 0);
  const std::uint64_t where = LittleEndian32(trailer, 4);
  std::uint64_t start;
  if (version == kVersion35) {
    if (where > image.size()) return std::nullopt;
    start = image.size() - where;
  } else if (version == kVersion2 || version == kVersion3) {
    start = where;
  } else {
    return std::nullopt;
  }
  if (start + 2 + kTrailer > image.size() || image.size() - kTrailer - start > kLongestTable) return std::nullopt;
  return Trailer{version, start};
}

std::uint32_t SectorSizeOf(std::uint32_t code) {
  switch (code) {
    case 0: return 2048;
    case 1: return 2336;
    case 2: return 2352;
    case 3: return 2368;  // raw, with the subchannel's Q channel
    case 4: return 2448;  // raw, with the whole subchannel
    default: RefuseAsInvalid("a track of the image has sectors of an unknown size (code " + std::to_string(code) + ")");
  }
}

// A track's entry: the track, and the sectors it takes in the image (its pregap first).
struct Entry {
  TocTrack track;
  std::uint32_t sectors_in_image = 0;  // pregap and track
};

// One track's entry, its fields in the order the table holds them. Releases differ in a few
// optional blocks, which the entry itself marks.
Entry ReadTrack(LittleEndianReader& table, std::uint32_t version) {
  if (table.NextU32("a track's first field") != 0) table.Skip(8, "release 3.00.780's block before a track");
  const auto mark = table.Next(2 * kTrackMark.size(), "a track's start mark");
  for (std::size_t at = 0; at < mark.size(); ++at) {
    if (std::to_integer<std::uint8_t>(mark[at]) != kTrackMark[at % kTrackMark.size()]) {
      RefuseAsInvalid("the image's table of tracks is malformed (a track's entry lacks its start mark)");
    }
  }
  table.Skip(4, "the writer's settings");
  table.Skip(table.NextU8("the length of the name of the file the image was made from"),
             "the name of the file the image was made from");
  table.Skip(11, "a track's reserved bytes");
  table.Skip(4, "a track's reserved field");
  table.Skip(4, "a track's reserved field");
  // Later releases: a marker, then the disc's length in two fields; earlier ones the length alone.
  if (table.NextU32("the disc's length") == 0x80000000) table.Skip(8, "the disc's length");
  Entry entry;
  TocTrack& track = entry.track;
  // The lengths of the track's index points: the pregap (index 0), then the track's parts.
  const std::uint16_t indices = table.NextU16("a track's number of index points");
  if (indices < 2) RefuseAsInvalid("a track of the image lacks its index points");
  track.pregap = table.NextU32("a track's pregap");
  table.Skip(std::size_t{indices - 1u} * 4, "a track's index points");
  const std::uint32_t text_blocks = table.NextU32("a track's number of CD-Text blocks");
  if (text_blocks > kMostTextBlocks) {
    RefuseAsInvalid("a track of the image has " + std::to_string(text_blocks) + " blocks of CD-Text (8 at most)");
  }
  for (std::uint32_t block = 0; block < text_blocks; ++block) {
    for (int string = 0; string < kTextStrings; ++string) {
      table.Skip(table.NextU8("the length of a CD-Text string"), "a CD-Text string");
    }
  }
  table.Skip(2, "a track's reserved bytes");
  const std::uint32_t mode = table.NextU32("a track's mode");
  if (mode > 2) RefuseAsInvalid("a track of the image has an unknown mode (" + std::to_string(mode) + ")");
  track.data = mode != 0;
  table.Skip(4, "a track's reserved field");
  table.Skip(4, "a track's session number");
  table.Skip(4, "a track's number in its session");
  // DiscJuggler counts from the start of the first track's pregap, 150 sectors before LBA 0, and
  // gives where each track's pregap begins.
  const std::uint64_t start = std::uint64_t{table.NextU32("a track's start")} + track.pregap;
  track.start_lba = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(start, 150, UINT32_MAX) - 150);
  entry.sectors_in_image = table.NextU32("a track's length");
  table.Skip(16, "a track's reserved bytes");
  track.sector_size = SectorSizeOf(table.NextU32("a track's sector size"));
  table.Skip(4, "a track's reserved field");
  table.Skip(1, "a track's reserved byte");
  table.Skip(4, "a track's total length");
  table.Skip(20, "a track's reserved bytes");
  if (version != kVersion2) {
    table.Skip(5, "a track's reserved bytes");
    if (table.NextU32("a track's last field") == 0xFFFFFFFF) table.Skip(78, "release 4's block after a track");
  }
  if (track.pregap > entry.sectors_in_image) {
    RefuseAsInvalid("a track of the image has a pregap longer than the track");
  }
  track.sectors = entry.sectors_in_image - track.pregap;
  return entry;
}

}  // namespace

bool IsCdiImage(const ByteSource& image) {
  const std::optional<Trailer> trailer = ReadTrailer(image);
  if (!trailer) return false;
  // A program may end in bytes that look like a trailer: the table must begin as a table does, with
  // its number of sessions, the first session's number of tracks, and the first track's start mark
  // (after release 3.00.780's block, where the entry's first field announces one).
  std::array<std::byte, 8> head;
  if (!image.Holds(trailer->table_start, head.size())) return false;
  image.Read(trailer->table_start, head);
  const std::uint32_t sessions = LittleEndian(head, 0, 2), tracks = LittleEndian(head, 2, 2);
  if (sessions == 0 || sessions > kMostSessions || tracks == 0 || tracks > kMostTracks) return false;
  const std::uint64_t mark_at = trailer->table_start + head.size() + (LittleEndian32(head, 4) != 0 ? 8 : 0);
  std::array<std::byte, 2 * kTrackMark.size()> mark;
  if (!image.Holds(mark_at, mark.size())) return false;
  image.Read(mark_at, mark);
  for (std::size_t at = 0; at < mark.size(); ++at) {
    if (std::to_integer<std::uint8_t>(mark[at]) != kTrackMark[at % kTrackMark.size()]) return false;
  }
  return true;
}

TableOfContents CdiContents(const ByteSource& image) {
  const std::optional<Trailer> trailer = ReadTrailer(image);
  if (!trailer)
    RefuseAsInvalid(
        "the image has no DiscJuggler trailer (version 2, 3 or 3.5) in its last 8 bytes: it is cut short, or no CDI "
        "image");
  const std::uint32_t version = trailer->version;
  std::vector<std::byte> bytes(static_cast<std::size_t>(image.size() - kTrailer - trailer->table_start));
  image.Read(trailer->table_start, bytes);
  LittleEndianReader table(bytes, "the image's table of tracks");
  const std::uint16_t sessions = table.NextU16("the number of sessions");
  if (sessions == 0 || sessions > kMostSessions) {
    RefuseAsInvalid("the image's table announces " + std::to_string(sessions) + " sessions (1 to 99 are possible)");
  }
  std::vector<TocTrack> tracks;
  bool left_open = false;
  std::uint64_t at = 0;  // where the next track's bytes begin
  for (int session = 1; session <= sessions; ++session) {
    const std::uint16_t count = table.NextU16("a session's number of tracks");
    if (count == 0) {
      left_open = true;  // a session left open, the disc's last
      break;
    }
    if (tracks.size() + count > kMostTracks) {
      RefuseAsInvalid("session " + std::to_string(session) + " of the image has " + std::to_string(count) +
                      " tracks (a disc holds 1 to 99)");
    }
    for (std::uint16_t index = 0; index < count; ++index) {
      const Entry entry = ReadTrack(table, version);
      TocTrack track = entry.track;
      track.session = session;
      track.number = static_cast<int>(tracks.size()) + 1;
      track.offset = at + std::uint64_t{track.pregap} * track.sector_size;
      at += std::uint64_t{entry.sectors_in_image} * track.sector_size;
      tracks.push_back(track);
    }
    table.Skip(4, "a session's type");
    table.Skip(4, "a session's reserved field");
    table.Skip(4, "where the next session starts");
    if (version != kVersion2) table.Skip(1, "a session's reserved byte");
  }
  if (tracks.empty()) RefuseAsInvalid("the image's table lists no tracks");
  return {DiscFormat::Cdi, tracks, false, left_open, image.size(), trailer->table_start};
}

namespace {

// The fields of a table, one after the other.
class TableWriter {
 public:
  void U8(unsigned value) { bytes_.push_back(static_cast<std::byte>(value & 0xFF)); }
  void U16(std::uint32_t value) {
    for (int shift = 0; shift < 16; shift += 8) U8(value >> shift);
  }
  void U32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) U8(value >> shift);
  }
  void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, std::byte{0}); }
  void Bytes(std::initializer_list<unsigned> values) {
    for (const unsigned value : values) U8(value);
  }
  // A length byte, then the text (255 bytes at most).
  void Text(std::string_view text) {
    text = text.substr(0, 255);
    U8(static_cast<unsigned>(text.size()));
    for (const char c : text) U8(static_cast<unsigned char>(c));
  }
  std::vector<std::byte>& bytes() { return bytes_; }

 private:
  std::vector<std::byte> bytes_;
};

// What a track's entry and the disc's record begin with: the start marks, the writer's settings, the
// disc's number of tracks, the file the image was made from, and the disc's capacity (80 minutes).
void EntryHead(TableWriter& table, std::size_t tracks, std::string_view file_name) {
  for (int mark = 0; mark < 2; ++mark) {
    for (const std::uint8_t byte : kTrackMark) table.U8(byte);
  }
  table.Bytes({0xAB, 0x00, 0x10});
  table.U8(static_cast<unsigned>(tracks));
  table.Text(file_name);
  table.Zeros(11);
  table.U32(2);
  table.U32(0);
  table.U32(0x80000000);
  table.U32(360000);
  table.U32(0x00980000);
}

}  // namespace

std::vector<std::byte> CdiTable(const std::vector<CdiTrackEntry>& sessions, std::string_view file_name,
                                std::string_view label) {
  TableWriter table;
  table.U16(static_cast<std::uint32_t>(sessions.size()));
  for (std::size_t session = 0; session < sessions.size(); ++session) {
    const CdiTrackEntry& track = sessions[session];
    const std::uint32_t total = track.pregap + track.sectors;
    // DiscJuggler counts from the first track's pregap, 150 sectors before LBA 0, to this track's.
    const std::uint32_t start = track.start_lba + 150 - track.pregap;
    table.U16(1);  // tracks in the session
    table.U32(0);
    EntryHead(table, sessions.size(), file_name);
    table.U16(2);  // index points: the pregap, then the track
    table.U32(track.pregap);
    table.U32(track.sectors);
    table.U32(0);  // blocks of CD-Text
    table.Zeros(2);
    table.U32(track.data ? 2 : 0);  // mode
    table.U32(0);
    table.U32(static_cast<std::uint32_t>(session));
    table.U32(0);  // the track's number in its session
    table.U32(start);
    table.U32(total);
    table.Zeros(16);
    table.U32(track.data ? 1 : 2);  // the sector size: 2,336 or 2,352
    table.U32(track.data ? 4 : 0);  // the control bits: data, or audio without pre-emphasis
    table.U8(0);
    table.U32(total);
    table.U32(0);
    table.Zeros(12);  // no ISRC
    table.U32(0);
    table.U8(0);
    table.Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    table.U32(1);
    table.U32(0x80);
    table.U32(2);
    table.U32(0x10);
    table.U32(44100);
    table.Zeros(42);
    table.U32(0xFFFFFFFF);
    table.Zeros(12);
    // The session ends with its type (audio or CD-XA), that no track follows, and its last track's start.
    table.U8(track.data ? 2 : 0);
    table.Zeros(5);
    table.U8(0);
    table.U8(0);
    table.U32(start);
    table.U8(0);
  }
  table.U16(0);
  table.U32(0);
  EntryHead(table, sessions.size(), file_name);
  const CdiTrackEntry& last = sessions.back();
  table.U32(last.start_lba + 150 - last.pregap + last.pregap + last.sectors);  // the disc's sectors
  std::string padded(label.substr(0, 32));
  padded.resize(32, ' ');
  table.Text(padded);
  table.U8(0);
  table.U32(1);
  table.U32(1);
  table.Zeros(13);  // no EAN
  table.U32(0);
  table.U8(0);  // no CD-Text
  table.U32(0);
  table.U32(0);
  table.Zeros(3);
  table.U32(kVersion35);
  table.U32(static_cast<std::uint32_t>(table.bytes().size() + 4));
  return std::move(table.bytes());
}

}  // namespace quillet
