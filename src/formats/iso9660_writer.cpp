#include "formats/iso9660_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <utility>

#include "formats/disc_geometry.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"
#include "util/utc_time.h"

namespace quillet {
namespace {

constexpr std::uint32_t kDescriptorSector = kBootstrapSectors;  // 16
constexpr std::size_t kMostFolderLevels = 7;                    // below the root: 8 levels in all
constexpr std::size_t kLongestName = 8, kLongestExtension = 3;

bool IsDCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

// A file system's fields: both byte orders side by side where the standard asks for both.
class Field {
 public:
  explicit Field(std::span<std::byte> bytes) : bytes_(bytes) {}
  void Byte(std::size_t at, unsigned value) { bytes_[at] = static_cast<std::byte>(value); }
  void Little(std::size_t at, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) Byte(at + i, (value >> (8 * i)) & 0xFF);
  }
  void Big(std::size_t at, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) Byte(at + i, (value >> (8 * (size - 1 - i))) & 0xFF);
  }
  void Both(std::size_t at, std::uint32_t value, std::size_t size) {
    Little(at, value, size);
    Big(at + size, value, size);
  }
  // `text` padded with blanks to `size` bytes.
  void Text(std::size_t at, std::string_view text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) Byte(at + i, i < text.size() ? static_cast<unsigned char>(text[i]) : ' ');
  }

 private:
  std::span<std::byte> bytes_;
};

// A directory record's 7-byte date: years since 1900, month, day, hour, minute, second, offset from UTC.
void RecordDate(Field& field, std::size_t at, const UtcTime& time) {
  field.Byte(at, static_cast<unsigned>(std::clamp(time.year - 1900, 0, 255)));
  field.Byte(at + 1, static_cast<unsigned>(time.month));
  field.Byte(at + 2, static_cast<unsigned>(time.day));
  field.Byte(at + 3, static_cast<unsigned>(time.hour));
  field.Byte(at + 4, static_cast<unsigned>(time.minute));
  field.Byte(at + 5, static_cast<unsigned>(time.second));
  field.Byte(at + 6, 0);
}

// A volume descriptor's 17-byte date: "YYYYMMDDHHMMSScc" and the offset from UTC.
void VolumeDate(Field& field, std::size_t at, const UtcTime& time) {
  const auto digits = [](int value, int count) {
    return DecimalDigits(static_cast<std::uint64_t>(std::max(value, 0)), count);
  };
  field.Text(at,
             digits(std::clamp(time.year, 0, 9999), 4) + digits(time.month, 2) + digits(time.day, 2) +
                 digits(time.hour, 2) + digits(time.minute, 2) + digits(time.second, 2) + "00",
             16);
  field.Byte(at + 16, 0);
}

// A folder or file of the file system.
struct Node {
  std::string id;  // as its directory record holds it: "DATA", "MAP.BIN;1"; the root's "\0"
  bool folder = true;
  std::size_t entry = 0;  // a file's
  std::size_t parent = 0;
  std::vector<std::size_t> children;  // sorted
  std::uint32_t sector = 0, bytes = 0;
  std::uint64_t size = 0;
  std::uint16_t number = 0;  // a folder's, in the path tables
};

constexpr std::size_t RecordLength(std::size_t id_length) { return 33 + id_length + (id_length % 2 == 0 ? 1 : 0); }

// The order of a directory's records: by name, then extension, then version, each padded with blanks.
std::pair<std::string, std::string> SortKey(std::string_view id) {
  const std::string plain(id.substr(0, id.find(';')));
  const std::size_t dot = plain.find('.');
  return {plain.substr(0, dot), dot == std::string::npos ? std::string() : plain.substr(dot + 1)};
}

}  // namespace

std::string IsoLevel1Name(std::string_view name, bool folder) {
  const std::size_t dot = name.find('.');
  if (folder && dot != std::string_view::npos) return {};
  const std::string_view stem = name.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (stem.empty() || stem.size() > kLongestName || extension.size() > kLongestExtension) return {};
  std::string upper;
  for (const char c : name) upper += AsciiUpper(c);
  for (std::size_t at = 0; at < upper.size(); ++at) {
    if (at != dot && !IsDCharacter(upper[at])) return {};
  }
  return upper;
}

IsoImage::IsoImage(IsoVolumeRequest request, std::vector<IsoFileEntry> entries) {
  std::vector<Node> nodes(1);
  nodes[0].id = std::string(1, '\0');
  const auto refuse = [](const IsoFileEntry& entry, const std::string& why) {
    RefuseAsInvalid(EscapeControls(entry.shown.empty() ? entry.path : entry.shown) + ": " + why);
  };
  for (std::size_t index = 0; index < entries.size(); ++index) {
    const IsoFileEntry& entry = entries[index];
    std::size_t folder = 0, level = 0;
    for (std::size_t start = 0;;) {
      const std::size_t slash = entry.path.find('/', start);
      const bool last = slash == std::string::npos;
      const std::string part = entry.path.substr(start, last ? std::string::npos : slash - start);
      const std::string name = IsoLevel1Name(part, !last);
      if (name.empty()) refuse(entry, "\"" + part + "\"" + std::string(kIsoNameRule));
      const std::string id = last ? name + ";1" : name;
      const auto same = std::find_if(nodes[folder].children.begin(), nodes[folder].children.end(),
                                     [&](std::size_t child) { return SortKey(nodes[child].id) == SortKey(id); });
      if (last) {
        if (same != nodes[folder].children.end()) {
          refuse(entry, "the disc would hold two files or folders named " + name +
                            " in one folder (names differ only in letter case, or the boot file's own)");
        }
        Node file{id, false, index, folder, {}, 0, 0, entry.size, 0};
        nodes.push_back(file);
        nodes[folder].children.push_back(nodes.size() - 1);
        break;
      }
      if (++level > kMostFolderLevels) refuse(entry, "a CD's file system holds folders 8 levels deep at most");
      if (same != nodes[folder].children.end() && !nodes[*same].folder) {
        refuse(entry, "the disc would hold a file and a folder both named " + name);
      }
      if (same == nodes[folder].children.end()) {
        nodes.push_back(Node{id, true, 0, folder, {}, 0, 0, 0, 0});
        nodes[folder].children.push_back(nodes.size() - 1);
        folder = nodes.size() - 1;
      } else {
        folder = *same;
      }
      start = slash + 1;
    }
  }
  for (Node& node : nodes) {
    std::sort(node.children.begin(), node.children.end(),
              [&](std::size_t a, std::size_t b) { return SortKey(nodes[a].id) < SortKey(nodes[b].id); });
  }

  // The folders level by level, each level's in the order of their parents, then by name: the path
  // tables' order, which is also the order their directories are written in.
  std::vector<std::size_t> folders = {0};
  for (std::size_t at = 0; at < folders.size(); ++at) {
    for (const std::size_t child : nodes[folders[at]].children) {
      if (nodes[child].folder) folders.push_back(child);
    }
  }
  std::uint32_t path_table_bytes = 0;
  for (std::size_t at = 0; at < folders.size(); ++at) {
    Node& folder = nodes[folders[at]];
    folder.number = static_cast<std::uint16_t>(at + 1);
    const std::size_t id_length = at == 0 ? 1 : folder.id.size();
    path_table_bytes += static_cast<std::uint32_t>(8 + id_length + id_length % 2);
    // "." and "..", then a record a child, none across a sector's end.
    std::size_t bytes = 2 * RecordLength(1);
    for (const std::size_t child : folder.children) {
      const std::size_t length = RecordLength(nodes[child].id.size());
      if (bytes % kSectorData + length > kSectorData) bytes += kSectorData - bytes % kSectorData;
      bytes += length;
    }
    folder.bytes = static_cast<std::uint32_t>((bytes + kSectorData - 1) / kSectorData * kSectorData);
  }
  const auto sectors_of = [](std::uint64_t bytes) { return static_cast<std::uint32_t>((bytes + 2047) / 2048); };
  const std::uint32_t path_table_sectors = sectors_of(path_table_bytes);
  const std::uint32_t l_table = kDescriptorSector + 2, m_table = l_table + path_table_sectors;
  std::uint32_t next = m_table + path_table_sectors;
  for (const std::size_t folder : folders) {
    nodes[folder].sector = next;
    next += nodes[folder].bytes / static_cast<std::uint32_t>(kSectorData);
  }
  const std::uint32_t head_sectors = next;
  // The files: the boot file first, then the rest folder by folder.
  std::vector<std::size_t> order;
  for (const std::size_t folder : folders) {
    for (const std::size_t child : nodes[folder].children) {
      if (!nodes[child].folder) order.push_back(child);
    }
  }
  std::stable_partition(order.begin(), order.end(), [&](std::size_t node) { return nodes[node].entry == 0; });
  for (const std::size_t node : order) {
    nodes[node].sector = next;
    if (nodes[node].size > 0) files_.push_back({next, nodes[node].size, nodes[node].entry});
    const std::uint64_t end = std::uint64_t{next} + sectors_of(nodes[node].size);
    if (end + kPadSectors > kLastLba) refuse(entries[nodes[node].entry], "the files are larger than any disc");
    next = static_cast<std::uint32_t>(end);
  }
  sectors_ = std::max(next + kPadSectors, request.least_sectors);

  head_.assign(std::size_t{head_sectors} * kSectorData, std::byte{0});
  std::copy_n(request.system_area.begin(), std::min(request.system_area.size(), kBootstrapSectors * kSectorData),
              head_.begin());
  Field field(head_);
  const UtcTime time = UtcTimeOf(request.time);
  const std::uint32_t base = request.base_lba;
  const auto record = [&](std::size_t at, const Node& node, std::string_view id) {
    const std::size_t length = RecordLength(id.size());
    field.Byte(at, static_cast<unsigned>(length));
    field.Both(at + 2, base + node.sector, 4);
    field.Both(at + 10, node.folder ? node.bytes : static_cast<std::uint32_t>(node.size), 4);
    RecordDate(field, at + 18, time);
    field.Byte(at + 25, node.folder ? 2 : 0);
    field.Both(at + 28, 1, 2);
    field.Byte(at + 32, static_cast<unsigned>(id.size()));
    std::memcpy(head_.data() + at + 33, id.data(), id.size());
    return length;
  };

  // The primary volume descriptor, then the terminator.
  const std::size_t pvd = kDescriptorSector * kSectorData;
  field.Byte(pvd, 1);
  field.Text(pvd + 1, "CD001", 5);
  field.Byte(pvd + 6, 1);
  field.Text(pvd + 8, "", 32);  // the system identifier
  field.Text(pvd + 40, request.volume_id, 32);
  field.Both(pvd + 80, sectors_, 4);
  field.Both(pvd + 120, 1, 2);  // a set of one volume
  field.Both(pvd + 124, 1, 2);  // the first
  field.Both(pvd + 128, static_cast<std::uint32_t>(kSectorData), 2);
  field.Both(pvd + 132, path_table_bytes, 4);
  field.Little(pvd + 140, base + l_table, 4);
  field.Big(pvd + 148, base + m_table, 4);
  record(pvd + 156, nodes[0], std::string(1, '\0'));
  // The volume set, publisher, preparer and program; the copyright, abstract and bibliography files.
  for (const std::size_t at : {std::size_t{190}, std::size_t{318}, std::size_t{446}, std::size_t{574}}) {
    field.Text(pvd + at, "", 128);
  }
  for (const std::size_t at : {std::size_t{702}, std::size_t{739}, std::size_t{776}}) field.Text(pvd + at, "", 37);
  VolumeDate(field, pvd + 813, time);                                  // made
  VolumeDate(field, pvd + 830, time);                                  // changed
  for (const std::size_t at : {std::size_t{847}, std::size_t{864}}) {  // expires, takes effect: never said
    field.Text(pvd + at, "0000000000000000", 16);
    field.Byte(pvd + at + 16, 0);
  }
  field.Byte(pvd + 881, 1);
  const std::size_t terminator = pvd + kSectorData;
  field.Byte(terminator, 255);
  field.Text(terminator + 1, "CD001", 5);
  field.Byte(terminator + 6, 1);

  // The path tables, least significant byte first, then most.
  for (const bool big : {false, true}) {
    std::size_t at = (big ? m_table : l_table) * kSectorData;
    for (std::size_t index = 0; index < folders.size(); ++index) {
      const Node& folder = nodes[folders[index]];
      const std::string_view id = index == 0 ? std::string_view("\0", 1) : std::string_view(folder.id);
      field.Byte(at, static_cast<unsigned>(id.size()));
      if (big) {
        field.Big(at + 2, base + folder.sector, 4);
        field.Big(at + 6, nodes[folder.parent].number, 2);
      } else {
        field.Little(at + 2, base + folder.sector, 4);
        field.Little(at + 6, nodes[folder.parent].number, 2);
      }
      std::memcpy(head_.data() + at + 8, id.data(), id.size());
      at += 8 + id.size() + id.size() % 2;
    }
  }

  // The directories.
  for (const std::size_t index : folders) {
    const Node& folder = nodes[index];
    std::size_t at = std::size_t{folder.sector} * kSectorData;
    at += record(at, folder, std::string_view("\0", 1));
    at += record(at, nodes[folder.parent], std::string_view("\1", 1));
    for (const std::size_t child : folder.children) {
      const std::size_t length = RecordLength(nodes[child].id.size());
      if (at % kSectorData + length > kSectorData) at += kSectorData - at % kSectorData;
      at += record(at, nodes[child], nodes[child].id);
    }
  }
  entry_sectors_.resize(entries.size());
  for (const Node& node : nodes) {
    if (!node.folder) entry_sectors_[node.entry] = node.sector;
  }
}

void IsoImage::Read(std::uint32_t first, std::span<std::byte> into, const IsoFileReader& read) const {
  std::uint64_t at = std::uint64_t{first} * kSectorData;
  while (!into.empty()) {
    std::size_t count = into.size();
    if (at < head_.size()) {
      count = static_cast<std::size_t>(std::min<std::uint64_t>(count, head_.size() - at));
      std::copy_n(head_.begin() + static_cast<std::ptrdiff_t>(at), count, into.begin());
    } else {
      // The first file that ends after `at`; the sectors before its data, and after its last byte, are empty.
      const auto file =
          std::upper_bound(files_.begin(), files_.end(), at, [](std::uint64_t offset, const Extent& extent) {
            return offset < std::uint64_t{extent.sector} * kSectorData + extent.size;
          });
      const std::uint64_t start = file == files_.end() ? UINT64_MAX : std::uint64_t{file->sector} * kSectorData;
      if (at >= start) {
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, start + file->size - at));
        read(file->entry, at - start, into.first(count));
      } else {
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, start - at));
        std::fill_n(into.begin(), count, std::byte{0});
      }
    }
    into = into.subspan(count);
    at += count;
  }
}

}  // namespace quillet
