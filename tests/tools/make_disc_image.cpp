// Makes the tests' disc images from an ISO image:
//   make_disc_image cdi RELEASE SECTOR_SIZE ISO OUT [PAD_MIB]
//     a self-boot CD-R as DiscJuggler keeps one (RELEASE: 2, 3, 3.780 or 3.5); PAD_MIB more
//     sectors after the ISO, left as holes in the file, make a full-size disc cheaply
//   make_disc_image gdi SECTOR_SIZE ISO FOLDER TRACK_NAME
//     a GD-ROM dump: FOLDER/disc.gdi, two low-density tracks, and the boot track TRACK_NAME
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

int MakeGdi(std::uint32_t sector_size, const std::string& iso, const std::string& folder, const std::string& name) {
  Write(folder + "/track01.bin", std::string(300 * 2352, '\0'));
  Write(folder + "/track02.raw", std::string(300 * 2352, '\0'));
  Write(folder + "/" + name, Sectors(iso, sector_size, 1));
  const std::string quoted = name.find(' ') == std::string::npos ? name : "\"" + name + "\"";
  Write(folder + "/disc.gdi", "3\r\n1 0 4 2352 track01.bin 0\r\n2 450 0 2352 track02.raw 0\r\n3 45000 4 " +
                                  std::to_string(sector_size) + " " + quoted + " 0\r\n");
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
      return MakeGdi(static_cast<std::uint32_t>(std::stoul(argv[2])), Read(argv[3]), argv[4], argv[5]);
    }
    std::cerr << "usage: make_disc_image cdi RELEASE SECTOR_SIZE ISO OUT [PAD_MIB]\n"
                 "       make_disc_image gdi SECTOR_SIZE ISO FOLDER TRACK_NAME\n";
    return 2;
  } catch (const std::exception& failure) {
    std::cerr << "make_disc_image: " << failure.what() << "\n";
    return 1;
  }
}
