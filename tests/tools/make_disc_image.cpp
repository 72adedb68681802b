// Makes the tests' disc images from an ISO image:
//   make_disc_image cdi RELEASE SECTOR_SIZE ISO OUT [PAD_MIB]
//     a self-boot CD-R as DiscJuggler keeps one (RELEASE: 2, 3, 3.780 or 3.5); PAD_MIB more
//     sectors after the ISO, left as holes in the file, make a full-size disc cheaply
//   make_disc_image gdi SECTOR_SIZE ISO FOLDER TRACK_NAME
//     a GD-ROM dump: FOLDER/disc.gdi, two low-density tracks, and the boot track TRACK_NAME
//   make_disc_image cue ISO FOLDER
//     a self-boot CD-R as a cue sheet, disc.cue, and its two track files (the ISO made for LBA 11702)
//   make_disc_image split ISO FOLDER
//     a GD-ROM dump as Redump writes its cue sheet, FOLDER/disc.cue, whose high-density area's file
//     system (the ISO, made for LBA 45000) spans two data tracks with an audio track between
//   make_disc_image data-data ISO OUT
//     a CD-R of two data sessions, the second holding the ISO (made for LBA 11702)
//   make_disc_image bomb ISO OUT SIZE_MIB
//     an ISO of 4,095 folders whose extents each claim most of SIZE_MIB, the rest a hole
//   make_disc_image tracks FOLDER SIZE_MIB
//     FOLDER/disc.gdi of 99 tracks, every one naming FOLDER/track.bin, a hole of SIZE_MIB
//   make_disc_image hostile-chd FOLDER
//     FOLDER/claims.chd, 144 bytes whose metadata claims 16 MiB, and FOLDER/hunk.chd, a CHD whose
//     one hunk is 16 MiB
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "support/disc_writer.h"

namespace {

using namespace quillet::testing;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (!in) throw std::runtime_error("cannot read " + path);
  return bytes.str();
}

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

int MakeCdi(const std::string& release_name, std::uint32_t sector_size, const std::string& iso, const std::string& out,
            std::uint64_t pad_mib) {
  const std::map<std::string, CdiRelease> releases = {{"2", CdiRelease::Version2},
                                                      {"3", CdiRelease::Version3},
                                                      {"3.780", CdiRelease::Version3Build780},
                                                      {"3.5", CdiRelease::Version35}};
  const CdiRelease release = releases.at(release_name);
  const auto pad = static_cast<std::uint32_t>(pad_mib * 1024 * 1024 / sector_size);
  const SelfBootLayout layout(static_cast<std::uint32_t>(iso.size() / 2048) + pad, sector_size);
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  file.seekp(static_cast<std::streamoff>(layout.data_start()));  // the audio track stays a hole
  file << Sectors(iso, sector_size, layout.data.mode);
  file.seekp(static_cast<std::streamoff>(layout.data_end()));  // and so does the padding
  file << layout.Table(release);
  if (!file.flush()) throw std::runtime_error("cannot write " + out);
  return 0;
}

void WriteSet(const FileSet& files, const std::string& folder) {
  for (const auto& [name, bytes] : files) Write(folder + "/" + name, bytes);
}

int MakeDataData(const std::string& iso, const std::string& out) {
  Write(out, DataDataCdi(iso));
  return 0;
}

// A file of `size_mib` MiB that begins with `head` and is a hole after it.
void WriteSparse(const std::string& path, const std::string& head, std::uint64_t size_mib) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << head;
  file.seekp(static_cast<std::streamoff>(size_mib * 1024 * 1024 - 1));
  file.put('\0');
  if (!file.flush()) throw std::runtime_error("cannot write " + path);
}

int MakeBomb(const std::string& iso, const std::string& out, std::uint64_t size_mib) {
  WriteSparse(
      out,
      DirectoryBomb(iso, 4095,
                    static_cast<std::uint32_t>(std::min<std::uint64_t>(size_mib << 20, 0xFFFFFFFF) - (8 << 20))),
      size_mib);
  return 0;
}

int MakeTracks(const std::string& folder, std::uint64_t size_mib) {
  WriteSparse(folder + "/track.bin", "", size_mib);
  const std::string table = GdiOf99Tracks("track.bin");
  Write(folder + "/disc.gdi", table);
  return 0;
}

int MakeHostileChd(const std::string& folder) {
  PlainChd tiny{8 * 2448, {""}, {"TRACK:1 TYPE:MODE1 SUBTYPE:NONE FRAMES:8"}};
  std::string claims = tiny.Bytes().substr(0, tiny.metadata_offset() + 16);
  claims.replace(tiny.metadata_offset() + 5, 3, "\xFF\xFF\xFF");
  Write(folder + "/claims.chd", claims);
  constexpr std::uint32_t kFrames = 6853;  // 16 MiB at most
  Write(folder + "/hunk.chd", PlainChd{kFrames * 2448,
                                       {std::string(kFrames * 2448, '\x01')},
                                       {"TRACK:1 TYPE:MODE1 SUBTYPE:NONE FRAMES:" + std::to_string(kFrames)}}
                                  .Bytes());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string kind = argc > 1 ? argv[1] : "";
    if (kind == "cdi" && (argc == 6 || argc == 7)) {
      return MakeCdi(argv[2], static_cast<std::uint32_t>(std::stoul(argv[3])), Read(argv[4]), argv[5],
                     argc == 7 ? std::stoull(argv[6]) : 0);
    }
    if (kind == "gdi" && argc == 6) {
      WriteSet(GdiSet(Read(argv[3]), static_cast<std::uint32_t>(std::stoul(argv[2])), argv[5]), argv[4]);
      return 0;
    }
    if (kind == "split" && argc == 4) {
      WriteSet(SplitSet(Read(argv[2])), argv[3]);
      return 0;
    }
    if (kind == "data-data" && argc == 4) return MakeDataData(Read(argv[2]), argv[3]);
    if (kind == "cue" && argc == 4) {
      WriteSet(CueSet(Read(argv[2])), argv[3]);
      return 0;
    }
    if (kind == "bomb" && argc == 5) return MakeBomb(Read(argv[2]), argv[3], std::stoull(argv[4]));
    if (kind == "tracks" && argc == 4) return MakeTracks(argv[2], std::stoull(argv[3]));
    if (kind == "hostile-chd" && argc == 3) return MakeHostileChd(argv[2]);
    std::cerr << "usage: make_disc_image cdi RELEASE SECTOR_SIZE ISO OUT [PAD_MIB]\n"
                 "       make_disc_image gdi SECTOR_SIZE ISO FOLDER TRACK_NAME\n"
                 "       make_disc_image data-data ISO OUT\n"
                 "       make_disc_image cue ISO FOLDER\n"
                 "       make_disc_image bomb ISO OUT SIZE_MIB\n"
                 "       make_disc_image tracks FOLDER SIZE_MIB\n"
                 "       make_disc_image hostile-chd FOLDER\n";
    return 2;
  } catch (const std::exception& failure) {
    std::cerr << "make_disc_image: " << failure.what() << "\n";
    return 1;
  }
}
