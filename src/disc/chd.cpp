#include "disc/chd.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "disc/chd_codecs.h"
#include "disc/gdi.h"
#include "disc/sector.h"
#include "util/little_endian.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::string_view kTag = "MComprHD";
constexpr std::size_t kHeaderSize = 124;  // version 5's
constexpr std::size_t kMapHeaderSize = 16;
constexpr std::size_t kMetadataHeaderSize = 16;
constexpr std::uint64_t kLargestDisc = std::uint64_t{1} << 31;  // a GD-ROM's 549,150 frames fit
constexpr std::uint32_t kLargestHunk = 1 << 24;
constexpr std::uint32_t kTrackPadding = 4;  // each track's frames are padded to a multiple of 4
constexpr std::size_t kMostMetadata = 1024;
constexpr std::uint64_t kLongestTrackEntry = 1024;

// A hunk as the map gives it: compressed by codec 0 to 3 of the header, stored whole, a copy of
// an earlier hunk, in the parent, or (an uncompressed CHD's) never written and so all zeros.
enum HunkKind : std::uint8_t { kCodec0 = 0, kCodec3 = 3, kStored = 4, kCopy = 5, kParent = 6, kZeros = 7 };
// The compressed map's further codes: runs of the kind before, and copies and parent hunks whose
// place follows from the one before.
enum MapCode : std::uint8_t {
  kRunShort = 7,
  kRunLong = 8,
  kCopyLast = 9,
  kCopyNext = 10,
  kParentSame = 11,
  kParentLast = 12,
  kParentNext = 13
};

[[noreturn]] void RefuseMap() { RefuseAsInvalid("the CHD's map of hunks is damaged"); }

// Bits read most significant first; past the end they read as zeros, which the map's CRC catches.
class BitReader {
 public:
  explicit BitReader(std::span<const std::byte> bytes) : bytes_(bytes) {}

  std::uint32_t Peek(unsigned count) const {
    std::uint64_t value = 0;
    for (std::uint64_t at = bit_, left = count; left > 0;) {
      const std::uint64_t index = at / 8;
      const unsigned offset = static_cast<unsigned>(at % 8);
      const unsigned take = static_cast<unsigned>(std::min<std::uint64_t>(8 - offset, left));
      const unsigned byte =
          index < bytes_.size() ? std::to_integer<unsigned>(bytes_[static_cast<std::size_t>(index)]) : 0;
      value = value << take | ((byte >> (8 - offset - take)) & ((1u << take) - 1));
      at += take;
      left -= take;
    }
    return static_cast<std::uint32_t>(value);
  }
  void Skip(unsigned count) { bit_ += count; }
  std::uint32_t Read(unsigned count) {
    const std::uint32_t value = Peek(count);
    Skip(count);
    return value;
  }

 private:
  std::span<const std::byte> bytes_;
  std::uint64_t bit_ = 0;
};

// The canonical Huffman code of the map's 16 codes, 8 bits long at most, whose lengths come first,
// run-length coded.
class MapCodes {
 public:
  explicit MapCodes(BitReader& bits) {
    std::array<std::uint8_t, kCodes> lengths{};
    for (std::size_t code = 0; code < kCodes;) {
      unsigned length = bits.Read(4);
      unsigned repeat = 1;
      if (length == 1) {  // an escape: 1 again is a length of 1, else a run of 3 or more
        length = bits.Read(4);
        if (length != 1) repeat = bits.Read(4) + 3;
      }
      if (repeat > kCodes - code) RefuseMap();
      for (; repeat > 0; --repeat) lengths[code++] = static_cast<std::uint8_t>(length);
    }
    if (std::any_of(lengths.begin(), lengths.end(), [](std::uint8_t length) { return length > kLongest; })) RefuseMap();
    // Canonical codes: the longest first, each length's codes counting up from where the longer ones end.
    std::array<std::uint32_t, kLongest + 1> next{};
    for (const std::uint8_t length : lengths) ++next[length];
    std::uint32_t start = 0;
    for (unsigned length = kLongest; length > 0; --length) {
      const std::uint32_t count = next[length];
      next[length] = start;
      if (length != 1 && (start + count) % 2 != 0) RefuseMap();
      start = (start + count) >> 1;
    }
    for (std::size_t code = 0; code < kCodes; ++code) {
      const unsigned length = lengths[code];
      if (length == 0) continue;
      const std::uint32_t first = next[length]++ << (kLongest - length);
      const std::uint32_t last = first + (1u << (kLongest - length));
      if (last > table_.size()) RefuseMap();
      for (std::uint32_t entry = first; entry < last; ++entry) {
        table_[entry] = {static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(length)};
      }
    }
  }

  unsigned Decode(BitReader& bits) const {
    const Entry entry = table_[bits.Peek(kLongest)];
    bits.Skip(entry.length);
    return entry.code;
  }

 private:
  static constexpr std::size_t kCodes = 16;
  static constexpr unsigned kLongest = 8;
  struct Entry {
    std::uint8_t code = 0, length = 0;
  };
  std::array<Entry, 1 << kLongest> table_{};
};

// A track's kind in the metadata, and the bytes its sectors take of each frame.
struct TrackType {
  std::string_view name;
  bool data;
  std::uint32_t sector_size;
};
constexpr std::array<TrackType, 7> kTrackTypes = {{{"MODE1", true, 2048},
                                                   {"MODE1_RAW", true, 2352},
                                                   {"MODE2", true, 2336},
                                                   {"MODE2_FORM1", true, 2048},
                                                   {"MODE2_FORM_MIX", true, 2336},
                                                   {"MODE2_RAW", true, 2352},
                                                   {"AUDIO", false, 2352}}};

// One track's metadata: "TRACK:3 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:432 PAD:0 PREGAP:0 PGTYPE:MODE1
// PGSUB:NONE POSTGAP:0".
struct TrackEntry {
  ChdTrack track;
  std::uint32_t frames = 0, pregap = 0, postgap = 0;
  bool pregap_stored = false;  // its frames hold the pregap ("PGTYPE:V...")
};

// The value of `key` in an entry's "KEY:value" fields; nothing where the entry has no such field.
std::optional<std::string_view> FieldOf(std::string_view text, std::string_view key) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(' '), text.size());
    const std::string_view field = text.substr(0, end);
    if (field.size() > key.size() && field.starts_with(key) && field[key.size()] == ':') {
      return field.substr(key.size() + 1);
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return std::nullopt;
}

TrackEntry ParseTrackEntry(std::string_view text) {
  const auto refuse = [&](std::string_view why) {
    RefuseAsInvalid("the CHD's table of tracks is damaged: " + std::string(why));
  };
  const auto number = [&](std::string_view key, bool required) {
    const std::optional<std::string_view> digits = FieldOf(text, key);
    std::uint32_t value = 0;
    if (!digits) {
      if (required) refuse("a track has no " + std::string(key));
      return value;
    }
    const auto [end, error] = std::from_chars(digits->data(), digits->data() + digits->size(), value);
    if (error != std::errc() || end != digits->data() + digits->size()) {
      refuse(std::string(key) + " is not a number: " + EscapeControls(*digits));
    }
    return value;
  };
  TrackEntry entry;
  const std::uint32_t track_number = number("TRACK", true);
  if (track_number < 1 || track_number > 99) refuse("a track's number is not 1 to 99");
  entry.track.number = static_cast<int>(track_number);
  const std::string_view type = FieldOf(text, "TYPE").value_or("");
  const auto known = std::find_if(kTrackTypes.begin(), kTrackTypes.end(),
                                  [&](const TrackType& candidate) { return candidate.name == type; });
  if (type.empty()) refuse("track " + std::to_string(track_number) + " has no type");
  if (known == kTrackTypes.end()) {
    RefuseAsInvalid("track " + std::to_string(track_number) + " of the CHD is of type " + EscapeControls(type) +
                    ", which holds no file system Quillet reads");
  }
  entry.track.data = known->data;
  entry.track.sector_size = known->sector_size;
  entry.frames = number("FRAMES", true);
  entry.track.padding = number("PAD", false);
  entry.pregap = number("PREGAP", false);
  entry.postgap = number("POSTGAP", false);
  entry.pregap_stored = FieldOf(text, "PGTYPE").value_or("").starts_with('V');
  if (entry.track.padding > entry.frames || (entry.pregap_stored && entry.pregap > entry.frames)) {
    refuse("track " + std::to_string(track_number) + " is shorter than its gaps");
  }
  return entry;
}

}  // namespace

struct ChdHunk {
  std::uint64_t offset = 0;  // in the file; a copy's: the hunk it copies
  std::uint32_t length = 0;  // compressed
  std::uint16_t crc = 0;
  HunkKind kind = kZeros;
  bool checked = false;  // against `crc`
};

// The hunks of the disc's frames, decompressed as they are read: the last one is kept, since
// sectors are read one after the other. The work is bounded as well as the reads: a CHD whose file
// system jumps from hunk to hunk, each far larger than what is read of it, is refused before it
// has cost a user more than a moment.
class ChdHunks {
 public:
  ChdHunks(const DiscSource& file, std::uint32_t hunk_bytes, std::array<std::uint32_t, 4> codecs,
           std::vector<ChdHunk> map)
      : file_(file), hunk_bytes_(hunk_bytes), codecs_(codecs), map_(std::move(map)) {}

  std::uint64_t size() const { return std::uint64_t{hunk_bytes_} * map_.size(); }

  // Fills `into` from byte `offset` of the frames.
  void Read(std::uint64_t offset, std::span<std::byte> into) {
    requested_ += std::max<std::size_t>(into.size(), kChdFrameSize);
    while (!into.empty()) {
      const std::uint64_t index = offset / hunk_bytes_;
      const auto within = static_cast<std::size_t>(offset % hunk_bytes_);
      const std::size_t count = std::min<std::size_t>(into.size(), hunk_bytes_ - within);
      if (index >= map_.size()) RefuseAsInvalid("the CHD is damaged: its tracks run past its last hunk");
      Load(static_cast<std::uint32_t>(index));
      std::memcpy(into.data(), hunk_.data() + within, count);
      into = into.subspan(count);
      offset += count;
    }
  }

 private:
  // A real CD's CHD has hunks of a few frames, and a file system read from it decompresses a few
  // times what it reads; past this the hunks are being made to thrash.
  static constexpr std::uint64_t kWorkAllowance = 64 << 20, kMostWorkPerByteRead = 32;

  void Load(std::uint32_t index) {
    // A copy was resolved to the hunk it copies when the map was read.
    const ChdHunk& hunk = map_[index];
    if (hunk.kind == kCopy) index = static_cast<std::uint32_t>(hunk.offset);
    if (loaded_ == index) return;
    loaded_.reset();
    decompressed_ += hunk_bytes_;
    if (decompressed_ > kWorkAllowance + kMostWorkPerByteRead * requested_) {
      RefuseAsInvalid("the CHD is malformed: reading its file system decompresses hunk after hunk of " +
                      std::to_string(hunk_bytes_) + " bytes for a few sectors of each");
    }
    hunk_.resize(hunk_bytes_);
    const ChdHunk& source = map_[index];
    const std::string which = "hunk " + std::to_string(index) + " of the CHD";
    if (source.kind == kZeros) {
      std::fill(hunk_.begin(), hunk_.end(), std::byte{0});
    } else if (source.kind == kStored) {
      file_.Read(source.offset, hunk_);
    } else if (source.kind == kParent) {
      RefuseAsInvalid(which + " lies in a parent CHD, another file");
    } else {
      const std::uint32_t codec = codecs_[source.kind];
      if (!ChdCodecBuiltIn(codec)) {
        RefuseAsInvalid(which + " is compressed with " + ChdCodecName(codec) +
                        ", which this build of Quillet does not read" + ElsewhereRead(codec));
      }
      if (!file_.Holds(source.offset, source.length))
        RefuseAsInvalid(which + " lies past the file's end: it is cut short");
      compressed_.resize(source.length);
      file_.Read(source.offset, compressed_);
      if (!DecompressChdHunk(codec, compressed_, hunk_)) {
        RefuseAsInvalid(which + " is damaged: it does not decompress with " + ChdCodecName(codec));
      }
    }
    if (source.checked && ChdCrc16(hunk_) != source.crc) RefuseAsInvalid(which + " is damaged: its CRC does not match");
    loaded_ = index;
  }

  // Which build reads a codec this one lacks.
  static std::string ElsewhereRead(std::uint32_t codec) {
    if (codec == ChdCodec("cdfl") || codec == ChdCodec("cdzs")) {
      return " (Quillet for Linux does; or make the CHD anew with chdman's -c cdlz,cdzl)";
    }
    return "";
  }

  const DiscSource& file_;
  std::uint32_t hunk_bytes_;
  std::array<std::uint32_t, 4> codecs_;
  std::vector<ChdHunk> map_;
  std::vector<std::byte> hunk_, compressed_;
  std::optional<std::uint32_t> loaded_;
  std::uint64_t requested_ = 0, decompressed_ = 0;  // bytes
};

namespace {

// The map of a CHD with codecs: the kinds of all hunks Huffman-coded first, then each hunk's
// length, CRC or place, in fields as wide as the map's header says. A CRC over the map in its
// plain form (12 bytes a hunk) checks it.
std::vector<ChdHunk> ReadCompressedMap(const DiscSource& file, std::uint64_t map_offset, std::uint32_t hunks,
                                       std::uint32_t hunk_bytes) {
  std::array<std::byte, kMapHeaderSize> header;
  file.Read(map_offset, header);
  const std::uint64_t length = BigEndian(header, 0, 4);
  std::uint64_t next_offset = BigEndian(header, 4, 6);
  const auto map_crc = static_cast<std::uint16_t>(BigEndian(header, 10, 2));
  const unsigned length_bits = std::to_integer<unsigned>(header[12]), copy_bits = std::to_integer<unsigned>(header[13]),
                 parent_bits = std::to_integer<unsigned>(header[14]);
  if (length_bits > 32 || copy_bits > 32 || parent_bits > 32) RefuseMap();
  if (!file.Holds(map_offset + kMapHeaderSize, length)) {
    RefuseAsInvalid("the CHD is cut short: its map of hunks runs past the file's end");
  }
  std::vector<std::byte> compressed(static_cast<std::size_t>(length));
  file.Read(map_offset + kMapHeaderSize, compressed);
  BitReader bits(compressed);
  const MapCodes codes(bits);

  std::vector<ChdHunk> map(hunks);
  std::uint8_t last_kind = kCodec0;
  for (std::uint32_t index = 0, repeat = 0; index < hunks; ++index) {
    if (repeat > 0) {
      map[index].kind = static_cast<HunkKind>(last_kind);
      --repeat;
      continue;
    }
    const auto code = static_cast<std::uint8_t>(codes.Decode(bits));
    if (code == kRunShort) {
      repeat = 2 + codes.Decode(bits);
      map[index].kind = static_cast<HunkKind>(last_kind);
    } else if (code == kRunLong) {
      repeat = 2 + 16 + (codes.Decode(bits) << 4);
      repeat += codes.Decode(bits);
      map[index].kind = static_cast<HunkKind>(last_kind);
    } else {
      map[index].kind = static_cast<HunkKind>(last_kind = code);
    }
  }

  // The CRC is of the map in its plain form, 12 bytes a hunk: its kind, length, offset and CRC;
  // taken 256 hunks at a time.
  std::uint16_t plain_crc = kChdCrcStart;
  std::array<std::byte, 12 * 256> plain;
  std::size_t in_plain = 0;
  std::uint64_t last_copy = 0, last_parent = 0;
  for (std::uint32_t index = 0; index < hunks; ++index) {
    ChdHunk& hunk = map[index];
    std::uint8_t kind = hunk.kind;
    std::uint16_t crc = 0;
    std::uint64_t offset = next_offset;
    if (kind <= kCodec3 || kind == kStored) {
      hunk.length = kind == kStored ? hunk_bytes : bits.Read(length_bits);
      // chdman stores a hunk whole rather than larger; a longer one would only claim memory.
      if (hunk.length > hunk_bytes) RefuseMap();
      next_offset += hunk.length;
      crc = static_cast<std::uint16_t>(bits.Read(16));
      hunk.crc = crc;
      hunk.checked = true;
    } else if (kind == kCopy) {
      offset = last_copy = bits.Read(copy_bits);
    } else if (kind == kParent) {
      offset = last_parent = bits.Read(parent_bits);
    } else if (kind == kCopyLast || kind == kCopyNext) {
      if (kind == kCopyNext) ++last_copy;
      kind = kCopy;
      offset = last_copy;
    } else if (kind == kParentSame) {
      kind = kParent;
      offset = last_parent = std::uint64_t{index} * hunk_bytes / kChdFrameSize;
    } else if (kind == kParentLast || kind == kParentNext) {
      if (kind == kParentNext) last_parent += hunk_bytes / kChdFrameSize;
      kind = kParent;
      offset = last_parent;
    } else {
      RefuseMap();
    }
    hunk.kind = static_cast<HunkKind>(kind);
    hunk.offset = offset;
    const std::span<std::byte> entry = std::span(plain).subspan(in_plain, 12);
    entry[0] = std::byte{kind};
    for (std::size_t at = 0; at < 3; ++at) entry[1 + at] = static_cast<std::byte>(hunk.length >> (16 - 8 * at));
    for (std::size_t at = 0; at < 6; ++at) entry[4 + at] = static_cast<std::byte>(offset >> (40 - 8 * at));
    entry[10] = static_cast<std::byte>(crc >> 8);
    entry[11] = static_cast<std::byte>(crc & 0xFF);
    in_plain += entry.size();
    if (in_plain == plain.size() || index + 1 == hunks) {
      plain_crc = ChdCrc16(std::span(plain).first(in_plain), plain_crc);
      in_plain = 0;
    }
  }
  if (plain_crc != map_crc) RefuseMap();
  // A copy is of an earlier hunk, itself no copy: follow each one to the hunk that holds the data.
  for (std::uint32_t index = 0; index < hunks; ++index) {
    ChdHunk& hunk = map[index];
    if (hunk.kind != kCopy) continue;
    if (hunk.offset >= index) RefuseMap();
    const ChdHunk& copied = map[static_cast<std::size_t>(hunk.offset)];
    if (copied.kind == kCopy) hunk.offset = copied.offset;
  }
  return map;
}

// The map of a CHD without codecs: where each hunk lies, counted in hunks; 0 for one never written.
std::vector<ChdHunk> ReadPlainMap(const DiscSource& file, std::uint64_t map_offset, std::uint32_t hunks,
                                  std::uint32_t hunk_bytes) {
  std::vector<std::byte> entries(std::size_t{hunks} * 4);
  if (!file.Holds(map_offset, entries.size())) {
    RefuseAsInvalid("the CHD is cut short: its map of hunks runs past the file's end");
  }
  file.Read(map_offset, entries);
  std::vector<ChdHunk> map(hunks);
  for (std::uint32_t index = 0; index < hunks; ++index) {
    const std::uint64_t place = BigEndian(entries, std::size_t{index} * 4, 4);
    if (place != 0) map[index] = {place * hunk_bytes, hunk_bytes, 0, kStored, false};
  }
  return map;
}

// The tracks the metadata lists, in the order of their numbers.
std::vector<TrackEntry> ReadTrackEntries(const DiscSource& file, std::uint64_t offset, bool& gd_rom) {
  std::vector<TrackEntry> entries;
  std::vector<std::uint64_t> seen;  // the entries' offsets, so that a circle ends at its first repeat
  while (offset != 0) {
    if (std::find(seen.begin(), seen.end(), offset) != seen.end()) {
      RefuseAsInvalid("the CHD's metadata is damaged: its entries run in a circle");
    }
    if (seen.size() == kMostMetadata)
      RefuseAsInvalid("the CHD's metadata is damaged: it has more entries than any disc's");
    seen.push_back(offset);
    std::array<std::byte, kMetadataHeaderSize> header;
    file.Read(offset, header);
    const auto tag = static_cast<std::uint32_t>(BigEndian(header, 0, 4));
    const std::uint64_t length = BigEndian(header, 5, 3);
    if (!file.Holds(offset + kMetadataHeaderSize, length)) {
      RefuseAsInvalid("the CHD is cut short: an entry of its metadata runs past the file's end");
    }
    if (tag == ChdCodec("CHT2") || tag == ChdCodec("CHGD") || tag == ChdCodec("CHTR")) {
      if (length > kLongestTrackEntry) {
        RefuseAsInvalid("the CHD's table of tracks is damaged: an entry is " + std::to_string(length) +
                        " bytes long, where a track's takes a hundred");
      }
      std::string text(static_cast<std::size_t>(length), '\0');
      file.Read(offset + kMetadataHeaderSize, std::as_writable_bytes(std::span(text)));
      text.resize(std::min(text.find('\0'), text.size()));
      entries.push_back(ParseTrackEntry(text));
      gd_rom = gd_rom || tag == ChdCodec("CHGD");
    }
    offset = BigEndian(header, 8, 8);
  }
  if (entries.empty()) RefuseAsInvalid("the CHD is not of a CD or GD-ROM: it holds no table of tracks");
  std::sort(entries.begin(), entries.end(),
            [](const TrackEntry& a, const TrackEntry& b) { return a.track.number < b.track.number; });
  for (std::size_t index = 1; index < entries.size(); ++index) {
    if (entries[index].track.number == entries[index - 1].track.number) {
      RefuseAsInvalid("the CHD's table of tracks is damaged: it lists track " +
                      std::to_string(entries[index].track.number) + " twice");
    }
  }
  return entries;
}

// Where they lie: in the CHD, one after the other, each padded to a multiple of 4 frames; on the
// disc, one after the other from LBA 0, gaps the CHD does not hold counted in; a GD-ROM's from
// track 3 in its high-density area.
std::vector<ChdTrack> PlaceTracks(const std::vector<TrackEntry>& entries, bool gd_rom, std::uint64_t frames_held) {
  std::vector<ChdTrack> tracks;
  std::int64_t lba = 0;  // of the track's first frame, its pregap's where the CHD holds that
  std::uint64_t frame = 0;
  for (const TrackEntry& entry : entries) {
    ChdTrack track = entry.track;
    const std::uint32_t pregap = entry.pregap_stored ? entry.pregap : 0;
    // LBA 0 is where the first track's pregap ends; a GD-ROM's track 3 begins at LBA 45000.
    if (tracks.empty()) {
      lba = -std::int64_t{pregap};
    } else if (!entry.pregap_stored) {
      lba += entry.pregap;
    }
    if (gd_rom && track.number == 3) lba = std::int64_t{kHighDensityArea} - pregap;
    track.first_frame = frame + pregap;
    track.start_lba = static_cast<std::uint32_t>(std::clamp<std::int64_t>(lba + pregap, 0, UINT32_MAX));
    track.sectors = entry.frames - pregap;
    track.padding = std::min(track.padding, track.sectors);
    frame += (std::uint64_t{entry.frames} + kTrackPadding - 1) / kTrackPadding * kTrackPadding;
    lba += std::int64_t{entry.frames} + entry.postgap;
    if (track.first_frame + track.sectors > frames_held) {
      RefuseAsInvalid("the CHD is damaged: its table of tracks names more frames than it holds");
    }
    tracks.push_back(track);
  }
  return tracks;
}

// A track's sectors out of the frames.
class ChdTrackSource final : public DiscSource {
 public:
  ChdTrackSource(ChdHunks& hunks, const ChdTrack& track) : hunks_(hunks), track_(track) {}
  std::uint64_t size() const override { return std::uint64_t{track_.sectors} * track_.sector_size; }

 private:
  void ReadInside(std::uint64_t offset, std::span<std::byte> into) const override {
    while (!into.empty()) {
      const std::uint64_t sector = offset / track_.sector_size;
      const std::uint64_t within = offset % track_.sector_size;
      const std::size_t count =
          static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), track_.sector_size - within));
      hunks_.Read((track_.first_frame + sector) * kChdFrameSize + within, into.first(count));
      into = into.subspan(count);
      offset += count;
    }
  }

  ChdHunks& hunks_;
  ChdTrack track_;
};

}  // namespace

bool IsChd(const DiscSource& source) { return HasAt(source, 0, kTag); }

ChdImage::ChdImage(const DiscSource& file) {
  std::array<std::byte, kHeaderSize> header{};
  file.Read(0, std::span(header).first(16));
  if (std::memcmp(header.data(), kTag.data(), kTag.size()) != 0) RefuseAsInvalid("the file is no CHD");
  const std::uint64_t version = BigEndian(header, 12, 4), header_length = BigEndian(header, 8, 4);
  if (version >= 1 && version < 5) {
    RefuseAsInvalid("the CHD is of version " + std::to_string(version) +
                    ", which Quillet does not read: make it version 5 with chdman copy");
  }
  if (version != 5) {
    RefuseAsInvalid("the CHD's header names version " + std::to_string(version) + "; Quillet reads version 5");
  }
  if (header_length != kHeaderSize) {
    RefuseAsInvalid("the CHD is damaged: its header says it is " + std::to_string(header_length) +
                    " bytes long, where version 5's is 124");
  }
  file.Read(0, header);
  std::array<std::uint32_t, 4> codecs{};
  for (std::size_t index = 0; index < codecs.size(); ++index) {
    codecs[index] = static_cast<std::uint32_t>(BigEndian(header, 16 + 4 * index, 4));
  }
  const std::uint64_t logical_bytes = BigEndian(header, 32, 8), map_offset = BigEndian(header, 40, 8),
                      metadata_offset = BigEndian(header, 48, 8);
  const auto hunk_bytes = static_cast<std::uint32_t>(BigEndian(header, 56, 4));
  const std::uint64_t unit_bytes = BigEndian(header, 60, 4);
  if (std::any_of(header.begin() + 104, header.end(), [](std::byte b) { return b != std::byte{0}; })) {
    RefuseAsInvalid(
        "the CHD holds only what differs from a parent CHD, another file: make a whole one with "
        "chdman copy and the parent (-ip)");
  }
  if (unit_bytes != kChdFrameSize || hunk_bytes == 0 || hunk_bytes % kChdFrameSize != 0) {
    RefuseAsInvalid("the CHD is not of a CD or GD-ROM: its units are not frames of 2,448 bytes");
  }
  if (hunk_bytes > kLargestHunk || logical_bytes > kLargestDisc) {
    RefuseAsInvalid("the CHD is damaged: its header claims more than a disc holds");
  }
  const auto hunk_count = static_cast<std::uint32_t>((logical_bytes + hunk_bytes - 1) / hunk_bytes);
  // The map gives each hunk a bit at the least (libchdr's rule): a file of fewer bits than hunks
  // claims a disc it cannot hold, and no memory is taken for one.
  if (hunk_count > file.size() * 8) {
    RefuseAsInvalid("the CHD is damaged: its header claims " + std::to_string(hunk_count) +
                    " hunks, more than a file of " + std::to_string(file.size()) + " bytes can map");
  }
  std::vector<ChdHunk> map = codecs[0] == 0 ? ReadPlainMap(file, map_offset, hunk_count, hunk_bytes)
                                            : ReadCompressedMap(file, map_offset, hunk_count, hunk_bytes);
  hunks_ = std::make_unique<ChdHunks>(file, hunk_bytes, codecs, std::move(map));
  const std::vector<TrackEntry> entries = ReadTrackEntries(file, metadata_offset, gd_rom_);
  tracks_ = PlaceTracks(entries, gd_rom_, logical_bytes / kChdFrameSize);
  // A GD-ROM's file system may go on from track 3 into later data tracks, where it must be read at
  // the addresses it was made for: a raw sector's header says where the disc has it, whatever gaps
  // the CHD's table counts.
  for (ChdTrack& track : tracks_) {
    if (!gd_rom_ || !track.data || track.number <= 3 || track.sector_size != kChdSectorBytes || track.sectors == 0) {
      continue;
    }
    std::array<std::byte, 16> first;
    try {
      hunks_->Read(track.first_frame * kChdFrameSize, first);
    } catch (const RunTimeError&) {
      continue;  // a damaged hunk is refused where the answer needs it
    }
    if (const std::optional<std::uint32_t> lba = RawSectorLba(first); lba && *lba > kHighDensityArea) {
      track.start_lba = *lba;
    }
  }
}

ChdImage::~ChdImage() = default;

std::unique_ptr<DiscSource> ChdImage::TrackData(const ChdTrack& track) const {
  return std::make_unique<ChdTrackSource>(*hunks_, track);
}

TableOfContents ChdContents(TrackFiles& files) {
  const DiscSource& file = files.Open("");
  const auto chd = std::make_shared<const ChdImage>(file);
  TableOfContents toc{DiscFormat::Chd, {}, chd->gd_rom(), false, file.size()};
  for (const ChdTrack& track : chd->tracks()) {
    TocTrack& listed = toc.tracks.emplace_back();
    listed.number = track.number;
    listed.data = track.data;
    listed.high_density = chd->gd_rom() && track.start_lba >= kHighDensityArea;
    listed.sector_size = track.sector_size;
    listed.start_lba = track.start_lba;
    listed.sectors = track.sectors - track.padding;  // the empty sectors that fill a gap left out
    listed.file = "track " + std::to_string(track.number);
    files.Add(listed.file, chd->TrackData(track), chd);
  }
  return toc;
}

}  // namespace quillet
