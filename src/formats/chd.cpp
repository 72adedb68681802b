#include "formats/chd.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "formats/chd_codecs.h"
#include "formats/chd_map.h"
#include "formats/gdi.h"
#include "formats/sector.h"
#include "util/little_endian.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::string_view kTag = "MComprHD";
constexpr std::size_t kHeaderSize = 124;                        // version 5's
constexpr std::uint64_t kLargestDisc = std::uint64_t{1} << 31;  // a GD-ROM's 549,150 frames fit
constexpr std::uint32_t kLargestHunk = 1 << 24;

}  // namespace

// The hunks of the disc's frames, decompressed as they are read, and kept: a run reads a hunk again
// and again (the boot file to judge it, its sectors to rewrite them, its track to copy it), and each
// is decompressed once as long as the hunks read lately fit in kCacheBytes, a boot file's and more.
// The work is bounded as well as the reads: a CHD whose file system jumps from hunk to hunk, each far
// larger than what is read of it, is refused before it has cost a user more than a moment.
class ChdHunks {
 public:
  ChdHunks(const ByteSource& file, std::uint32_t hunk_bytes, std::array<std::uint32_t, 4> codecs,
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
      std::memcpy(into.data(), Load(static_cast<std::uint32_t>(index)).data() + within, count);
      into = into.subspan(count);
      offset += count;
    }
  }

  // How many hunks were decompressed (or read whole) so far.
  std::uint64_t decompressions() const { return decompressed_ / hunk_bytes_; }

 private:
  // A real CD's CHD has hunks of a few frames, and a file system read from it decompresses a few
  // times what it reads; past this the hunks are being made to thrash.
  static constexpr std::uint64_t kWorkAllowance = 64 << 20, kMostWorkPerByteRead = 32;
  static constexpr std::uint64_t kCacheBytes = 32 << 20;

  // A hunk kept, and when it was last read (by the count of reads).
  struct Kept {
    std::uint32_t index;
    std::uint64_t read;
    std::vector<std::byte> bytes;
  };

  const std::vector<std::byte>& Load(std::uint32_t index) {
    // A copy was resolved to the hunk it copies when the map was read.
    if (map_[index].kind == kCopy) index = static_cast<std::uint32_t>(map_[index].offset);
    if (kept_at_.empty()) kept_at_.resize(map_.size());
    ++reads_;
    if (const std::uint32_t at = kept_at_[index]) {
      kept_[at - 1].read = reads_;
      return kept_[at - 1].bytes;
    }
    decompressed_ += hunk_bytes_;
    if (decompressed_ > kWorkAllowance + kMostWorkPerByteRead * requested_) {
      RefuseAsInvalid("the CHD is malformed: reading its file system decompresses hunk after hunk of " +
                      std::to_string(hunk_bytes_) + " bytes for a few sectors of each");
    }
    // The hunk read least lately makes room, where there is none.
    std::size_t at = kept_.size();
    if (std::uint64_t{hunk_bytes_} * (kept_.size() + 1) > std::max<std::uint64_t>(kCacheBytes, hunk_bytes_)) {
      at = static_cast<std::size_t>(
          std::min_element(kept_.begin(), kept_.end(), [](const Kept& a, const Kept& b) { return a.read < b.read; }) -
          kept_.begin());
      kept_at_[kept_[at].index] = 0;
    } else {
      kept_.push_back({index, 0, std::vector<std::byte>(hunk_bytes_)});
    }
    Decompress(index, kept_[at].bytes);
    kept_[at].index = index;
    kept_[at].read = reads_;
    kept_at_[index] = static_cast<std::uint32_t>(at + 1);
    return kept_[at].bytes;
  }

  void Decompress(std::uint32_t index, std::vector<std::byte>& hunk) {
    const ChdHunk& source = map_[index];
    const std::string which = "hunk " + std::to_string(index) + " of the CHD";
    if (source.kind == kZeros) {
      std::fill(hunk.begin(), hunk.end(), std::byte{0});
    } else if (source.kind == kStored) {
      file_.Read(source.offset, hunk);
    } else if (source.kind == kParent) {
      RefuseAsInvalid(which + " lies in a parent CHD, another file");
    } else {
      const std::uint32_t codec = codecs_[source.kind];
      if (!ChdCodecRead(codec)) {
        RefuseAsInvalid(which + " is compressed with " + ChdCodecName(codec) + ", which Quillet does not read");
      }
      if (!file_.Holds(source.offset, source.length))
        RefuseAsInvalid(which + " lies past the file's end: it is cut short");
      compressed_.resize(source.length);
      file_.Read(source.offset, compressed_);
      if (!DecompressChdHunk(codec, compressed_, hunk)) {
        RefuseAsInvalid(which + " is damaged: it does not decompress with " + ChdCodecName(codec));
      }
    }
    if (source.checked && ChdCrc16(hunk) != source.crc) RefuseAsInvalid(which + " is damaged: its CRC does not match");
  }

  const ByteSource& file_;
  std::uint32_t hunk_bytes_;
  std::array<std::uint32_t, 4> codecs_;
  std::vector<ChdHunk> map_;
  std::vector<std::byte> compressed_;
  std::vector<Kept> kept_;
  std::vector<std::uint32_t> kept_at_;  // for each hunk, its place in kept_ and 1, or 0
  std::uint64_t reads_ = 0;
  std::uint64_t requested_ = 0, decompressed_ = 0;  // bytes
};

namespace {

// A track's sectors out of the frames, as the track's own file holds them: a CHD keeps CD audio's
// 16-bit samples big-endian, as a drive reads them, where a track file (and chdman extractcd's)
// keeps them little-endian.
class ChdTrackSource final : public ByteSource {
 public:
  ChdTrackSource(ChdHunks& hunks, const ChdTrack& track) : hunks_(hunks), track_(track) {}
  std::uint64_t size() const override { return std::uint64_t{track_.sectors} * track_.sector_size; }

 private:
  void ReadInside(std::uint64_t offset, std::span<std::byte> into) const override {
    if (track_.data) {
      ReadFrames(offset, into);
      return;
    }
    // Whole samples: a sector is of an even size, so the track's pairs start at even offsets.
    const std::uint64_t start = offset & ~std::uint64_t{1}, end = (offset + into.size() + 1) & ~std::uint64_t{1};
    std::vector<std::byte> samples(static_cast<std::size_t>(end - start));
    ReadFrames(start, samples);
    for (std::size_t at = 0; at + 1 < samples.size(); at += 2) std::swap(samples[at], samples[at + 1]);
    std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(offset - start), into.size(), into.begin());
  }

  void ReadFrames(std::uint64_t offset, std::span<std::byte> into) const {
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

bool IsChd(const ByteSource& source) { return HasAt(source, 0, kTag); }

ChdImage::ChdImage(const ByteSource& file) {
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
  std::vector<ChdHunk> map = ReadChdMap(file, map_offset, hunk_count, hunk_bytes, codecs[0] != 0);
  hunks_ = std::make_unique<ChdHunks>(file, hunk_bytes, codecs, std::move(map));
  tracks_ = ReadChdTracks(file, metadata_offset, logical_bytes / kChdFrameSize, gd_rom_);
  if (gd_rom_) PlaceLaterDataTracks();
}

void ChdImage::PlaceLaterDataTracks() {
  for (ChdTrack& track : tracks_) {
    if (!track.data || track.number <= 3 || track.sector_size != kChdSectorBytes || track.sectors == 0) continue;
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

std::uint64_t ChdImage::decompressions() const { return hunks_->decompressions(); }

std::unique_ptr<ByteSource> ChdImage::TrackData(const ChdTrack& track) const {
  return std::make_unique<ChdTrackSource>(*hunks_, track);
}

TableOfContents ChdContents(TrackFiles& files) {
  const ByteSource& file = files.Open("");
  const auto chd = std::make_shared<const ChdImage>(file);
  TableOfContents toc{DiscFormat::Chd, {}, chd->gd_rom(), false, file.size(), std::nullopt};
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
