#include "support/disc_writer.h"

#include <cmath>
#include <span>

#include "formats/sector_codes.h"

namespace quillet::testing {
namespace {

void Put32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}
void Put16(std::string& out, std::uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}
void Zeros(std::string& out, std::size_t count) { out.append(count, '\0'); }

std::uint32_t SizeCode(std::uint32_t sector_size) {
  return sector_size == 2048 ? 0 : sector_size == 2336 ? 1 : sector_size == 2352 ? 2 : sector_size == 2368 ? 3 : 4;
}

CdiEntryFields TrackEntry(std::string& out, const CdiTrackLayout& track, int session, int index, CdiRelease release) {
  CdiEntryFields fields{};
  if (release == CdiRelease::Version3Build780) out.append("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
  Put32(out, 0);
  fields.start_mark = out.size();
  for (int mark = 0; mark < 2; ++mark) out.append("\x00\x00\x01\x00\x00\x00\xFF\xFF\xFF\xFF", 10);
  Put32(out, 0);  // settings
  const std::string name = "quillet.cdi";
  out += static_cast<char>(name.size());
  out += name;
  Zeros(out, 11);
  Put32(out, 2);
  Put32(out, 0);
  if (release == CdiRelease::Version35) {
    Put32(out, 0x80000000);
    Put32(out, 0x57E40);
    Put32(out, 0x980000);
  } else {
    Put32(out, 0x514C8);
  }
  const bool text = !track.title.empty();
  fields.index_points = out.size();
  Put16(out, text ? 3 : 2);
  fields.pregap = out.size();
  Put32(out, track.pregap);
  Put32(out, text ? track.length - track.length / 2 : track.length);
  if (text) Put32(out, track.length / 2);
  fields.text_blocks = out.size();
  Put32(out, text ? 1 : 0);
  for (int string = 0; text && string < 18; ++string) {
    const std::string value = string == 10 ? track.title : "";
    out += static_cast<char>(value.size());
    out += value;
  }
  Zeros(out, 2);
  Put32(out, static_cast<std::uint32_t>(track.mode));
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(session));
  Put32(out, static_cast<std::uint32_t>(index));
  Put32(out, track.start_lba + 150 - track.pregap);  // where its pregap begins, counted from 150 before LBA 0
  fields.length = out.size();
  Put32(out, track.pregap + track.length);
  Zeros(out, 16);
  Put32(out, SizeCode(track.sector_size));
  Put32(out, track.mode == 0 ? 0 : 4);
  Zeros(out, 1);
  Put32(out, track.pregap + track.length);
  Zeros(out, 20);
  if (release == CdiRelease::Version3) {
    Zeros(out, 9);
  } else if (release != CdiRelease::Version2) {
    out.append("\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 9);
    Zeros(out, 78);
  }
  return fields;
}

}  // namespace

std::string Sectors(const std::string& iso, std::size_t size, int mode, std::optional<std::uint32_t> first_lba) {
  std::string track;
  for (std::size_t at = 0; at + 2048 <= iso.size(); at += 2048) {
    std::string sector(size, '\0');
    const std::size_t data = size == 2048 ? 0 : size == 2336 ? 8 : mode == 1 ? 16 : 24;
    if (size >= 2352) {
      sector.replace(0, 12, "\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00", 12);
      sector[15] = static_cast<char>(mode);
      if (first_lba) {  // minutes, seconds and frames in BCD, counted from 150 sectors before LBA 0
        const std::uint32_t frames = *first_lba + static_cast<std::uint32_t>(at / 2048) + 150;
        const auto bcd = [](std::uint32_t value) { return static_cast<char>(value / 10 * 16 + value % 10); };
        sector[12] = bcd(frames / 75 / 60);
        sector[13] = bcd(frames / 75 % 60);
        sector[14] = bcd(frames % 75);
      }
    }
    if (data >= 24 || size == 2336) sector[data - 6] = sector[data - 2] = 0x08;  // the subheader: form 1 data
    sector.replace(data, 2048, iso, at, 2048);
    WriteSectorCodes(std::as_writable_bytes(std::span(sector)));
    track += sector;
  }
  return track;
}

std::string CdiTable(const std::vector<std::vector<CdiTrackLayout>>& sessions, CdiRelease release,
                     std::uint64_t data_size, std::vector<CdiEntryFields>* fields) {
  std::string table;
  Put16(table, static_cast<std::uint16_t>(sessions.size()));
  std::uint32_t lba = 0;
  for (std::size_t session = 0; session < sessions.size(); ++session) {
    Put16(table, static_cast<std::uint16_t>(sessions[session].size()));
    for (std::size_t index = 0; index < sessions[session].size(); ++index) {
      const CdiTrackLayout& track = sessions[session][index];
      const CdiEntryFields written =
          TrackEntry(table, track, static_cast<int>(session), static_cast<int>(index), release);
      if (fields) fields->push_back(written);
      lba = track.start_lba + track.length;
    }
    Put32(table, sessions[session].back().mode == 0 ? 0 : 2);  // the session's type
    Put32(table, 0);
    Put32(table, lba + 11400);  // where a next session would start
    if (release != CdiRelease::Version2) Zeros(table, 1);
  }
  Put16(table, 0);  // no more sessions
  Put32(table, lba);
  Zeros(table, 1 + 4 + 4 + 14 + 15);  // no volume name, and the disc's fields
  const std::uint32_t version = release == CdiRelease::Version2    ? 0x80000004
                                : release == CdiRelease::Version35 ? 0x80000006
                                                                   : 0x80000005;
  Put32(table, version);
  Put32(table, release == CdiRelease::Version35 ? static_cast<std::uint32_t>(table.size() + 4)
                                                : static_cast<std::uint32_t>(data_size));
  return table;
}

SelfBootLayout::SelfBootLayout(std::uint32_t data_sectors, std::uint32_t sector_size)
    : audio{2352, 0, 150, 300, 0, {}}, data{sector_size, sector_size == 2048 ? 1 : 2, 150, data_sectors, 11702, {}} {}

std::uint64_t SelfBootLayout::data_start() const {
  return std::uint64_t{audio.pregap + audio.length} * audio.sector_size + std::uint64_t{data.pregap} * data.sector_size;
}

std::uint64_t SelfBootLayout::data_end() const { return data_start() + std::uint64_t{data.length} * data.sector_size; }

std::string SelfBootCdi(const std::string& iso, std::uint32_t sector_size, CdiRelease release) {
  const SelfBootLayout layout(static_cast<std::uint32_t>(iso.size() / 2048), sector_size);
  return std::string(layout.data_start(), '\0') + Sectors(iso, sector_size, layout.data.mode) + layout.Table(release);
}

std::string DataDataCdi(const std::string& iso) {
  const CdiTrackLayout first{2352, 1, 150, 302, 0, {}};
  const CdiTrackLayout second{2336, 2, 150, static_cast<std::uint32_t>(iso.size() / 2048), 11702, {}};
  std::string image(150 * 2352, '\0');
  image += Sectors(std::string(302 * 2048, '\0'), 2352, 1) + std::string(150 * 2336, '\0') + Sectors(iso, 2336, 2);
  return image + CdiTable({{first}, {second}}, CdiRelease::Version35, image.size());
}

std::string DirectoryRecord(std::uint32_t lba, std::uint32_t size, bool directory, const std::string& name) {
  std::string record(33, '\0');
  record += name;
  if (record.size() % 2) record += '\0';
  record[0] = static_cast<char>(record.size());
  for (std::size_t byte = 0; byte < 4; ++byte) {  // both-endian: little, then big
    record[2 + byte] = record[9 - byte] = static_cast<char>((lba >> (8 * byte)) & 0xFF);
    record[10 + byte] = record[17 - byte] = static_cast<char>((size >> (8 * byte)) & 0xFF);
  }
  record[25] = directory ? 2 : 0;
  record[28] = 1;  // the volume sequence number
  record[32] = static_cast<char>(name.size());
  return record;
}

std::string DirectoryBomb(const std::string& iso, int count, std::uint32_t extent) {
  constexpr std::uint32_t kRoot = 24, kFirstFolder = 4096;
  std::string root;
  const auto add = [&root](const std::string& record) {
    if (root.size() / 2048 != (root.size() + record.size() - 1) / 2048) root.resize((root.size() / 2048 + 1) * 2048);
    root += record;
  };
  add(DirectoryRecord(kRoot, 0, true, std::string(1, '\0')));  // its size is set below
  add(DirectoryRecord(kRoot, 0, true, std::string(1, '\1')));
  for (int folder = 0; folder < count; ++folder) {
    add(DirectoryRecord(kFirstFolder + static_cast<std::uint32_t>(folder), extent, true, std::to_string(folder)));
  }
  root.resize((root.size() + 2047) / 2048 * 2048, '\0');
  std::string image = iso.substr(0, kRoot * 2048) + root;
  const std::string self = DirectoryRecord(kRoot, static_cast<std::uint32_t>(root.size()), true, std::string(1, '\0'));
  image.replace(16 * 2048 + 156, self.size(), self);
  image.replace(kRoot * 2048, self.size(), self);
  return image;
}

std::string PlainChd::Bytes() const {
  const auto put = [](std::string& out, std::size_t at, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) out[at + i] = static_cast<char>(value >> (8 * (size - 1 - i)));
  };
  std::string chd(metadata_offset(), '\0');
  chd.replace(0, 8, "MComprHD");
  put(chd, 8, 124, 4);
  put(chd, 12, 5, 4);
  put(chd, 32, std::uint64_t{hunk_bytes} * hunks.size(), 8);
  put(chd, 40, 124, 8);
  put(chd, 48, tracks.empty() ? 0 : metadata_offset(), 8);
  put(chd, 56, hunk_bytes, 4);
  put(chd, 60, 2448, 4);
  for (std::size_t index = 0; index < tracks.size(); ++index) {
    std::string entry(16, '\0');
    entry.replace(0, 4, tag);
    put(entry, 5, tracks[index].size() + 1, 3);
    const std::uint64_t next = index + 1 < tracks.size() ? chd.size() + entry.size() + tracks[index].size() + 1 : 0;
    put(entry, 8, next, 8);
    chd += entry + tracks[index] + '\0';
  }
  for (std::size_t index = 0; index < hunks.size(); ++index) {
    if (hunks[index].empty()) continue;
    const std::uint64_t place = (chd.size() + hunk_bytes - 1) / hunk_bytes;
    chd.resize(place * hunk_bytes, '\0');
    chd += hunks[index];
    chd.resize((place + 1) * hunk_bytes, '\0');
    put(chd, 124 + 4 * index, place, 4);
  }
  return chd;
}

std::string GdiOf99Tracks(const std::string& file) {
  std::string table = "99\n1 0 4 2352 " + file + " 0\n2 450 0 2352 " + file + " 0\n";
  for (int track = 3; track <= 99; ++track) {
    table += std::to_string(track) + " " + std::to_string(45000 + (track - 3) * 10000) + " 4 2352 " + file + " 0\n";
  }
  return table;
}

std::string CdAudio(std::uint32_t sectors) {
  constexpr double kPi = 3.14159265358979323846;
  std::string audio(std::size_t{sectors} * 2352, '\0');
  std::uint32_t noise = 12345;
  for (std::size_t frame = 0; frame < audio.size() / 4; ++frame) {
    const double time = static_cast<double>(frame) / 44100;
    for (std::size_t channel = 0; channel < 2; ++channel) {
      noise = noise * 1103515245 + 12345;
      const double tone =
          std::sin(2 * kPi * (channel ? 660 : 440) * time) * 9000 + std::sin(2 * kPi * 97 * time) * 3000;
      const auto sample = static_cast<std::int16_t>(tone + static_cast<double>(noise >> 24) - 128);
      audio[frame * 4 + channel * 2] = static_cast<char>(sample & 0xFF);  // little-endian, as a track file holds it
      audio[frame * 4 + channel * 2 + 1] = static_cast<char>((sample >> 8) & 0xFF);
    }
  }
  return audio;
}

FileSet GdiSet(const std::string& iso, std::uint32_t sector_size, const std::string& name) {
  const std::string quoted = name.find(' ') == std::string::npos ? name : "\"" + name + "\"";
  return {{"disc.gdi", "3\r\n1 0 4 2352 track01.bin 0\r\n2 450 0 2352 track02.raw 0\r\n3 45000 4 " +
                           std::to_string(sector_size) + " " + quoted + " 0\r\n"},
          {"track01.bin", Sectors(std::string(300 * 2048, '\0'), 2352, 1, 0)},
          {"track02.raw", CdAudio(300)},
          {name, Sectors(iso, sector_size, 1, 45000)}};
}

FileSet CueSet(const std::string& iso) {
  return {{"disc.cue",
           "REM SESSION 01\r\nFILE \"Track 1.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
           "REM SESSION 02\r\nFILE \"Track 2.bin\" BINARY\r\n  TRACK 02 MODE2/2352\r\n    INDEX 01 00:00:00\r\n"},
          {"Track 1.bin", CdAudio(302)},
          {"Track 2.bin", Sectors(iso, 2352, 2)}};
}

FileSet DataDataSet(const std::string& iso) {
  return {{"disc.cue",
           "REM SESSION 01\r\nFILE \"Track 1.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"
           "REM SESSION 02\r\nFILE \"Track 2.bin\" BINARY\r\n  TRACK 02 MODE2/2352\r\n    INDEX 01 00:00:00\r\n"},
          {"Track 1.bin", Sectors(std::string(302 * 2048, '\0'), 2352, 1, 0)},
          {"Track 2.bin", Sectors(iso, 2352, 2, 11702)}};
}

FileSet HeaderSessionSet(const std::string& iso) {
  constexpr std::size_t kHeader = 18, kLeast = 302;
  std::string first = iso;
  first.resize(std::max(first.size(), (kLeast - 2) * 2048) + 2 * 2048, '\0');
  std::string second = iso.substr(0, kHeader * 2048);
  second.resize(kLeast * 2048, '\0');
  const auto second_lba = static_cast<std::uint32_t>(first.size() / 2048 + 11400);
  return {{"disc.cue",
           "REM SESSION 01\r\nFILE \"Track 1.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n"
           "REM SESSION 02\r\nFILE \"Track 2.bin\" BINARY\r\n  TRACK 02 MODE2/2352\r\n    INDEX 01 00:00:00\r\n"},
          {"Track 1.bin", Sectors(first, 2352, 2, 0)},
          {"Track 2.bin", Sectors(second, 2352, 2, second_lba)}};
}

FileSet SplitSet(const std::string& iso) {
  constexpr std::size_t kSector = 2352, kFirstTrack = 120, kAudio = 300;
  const std::string raw = Sectors(iso, kSector, 1, 45000);
  const auto track = [](const char* file, const char* number, const char* mode, const char* pregap) {
    return std::string("FILE \"") + file + "\" BINARY\r\n  TRACK " + number + " " + mode + "\r\n" +
           (pregap ? std::string("    INDEX 00 00:00:00\r\n    INDEX 01 ") + pregap + "\r\n"
                   : std::string("    INDEX 01 00:00:00\r\n"));
  };
  return {{"disc.cue", "REM SINGLE-DENSITY AREA\r\n" + track("track01.bin", "01", "MODE1/2352", nullptr) +
                           track("track02.raw", "02", "AUDIO", "00:02:00") + "REM HIGH-DENSITY AREA\r\n" +
                           track("track03.bin", "03", "MODE1/2352", nullptr) +
                           track("track04.raw", "04", "AUDIO", "00:02:00") +
                           track("track05.bin", "05", "MODE1/2352", "00:03:00")},
          {"track01.bin", std::string(300 * kSector, '\0')},
          {"track02.raw", std::string(300 * kSector, '\0')},
          {"track03.bin", raw.substr(0, kFirstTrack * kSector)},
          {"track04.raw", std::string(kAudio * kSector, '\0')},
          {"track05.bin", raw.substr((kFirstTrack + kAudio) * kSector)}};
}

}  // namespace quillet::testing
